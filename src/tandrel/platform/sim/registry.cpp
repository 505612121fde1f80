#include "platform/registry.h"

#include <map>
#include <utility>

#include "platform/sim/desktop.h"
#include "platform/sim/text.h"

namespace platform {
namespace {

constexpr long kErrorAccessDenied = 5;

struct OpenKey {
  std::string path;
  std::uint32_t access = 0;
};

std::map<std::uintptr_t, OpenKey>& OpenKeys() {
  static std::map<std::uintptr_t, OpenKey> keys;
  return keys;
}

// A 64-bit system: HKLM64 is the machine's 64-bit view, which a 32-bit program sees only by asking.
std::string FullPath(RegRoot root, std::string_view path, std::uint32_t access = 0) {
  const char* prefix = root == RegRoot::CurrentUser ? "HKCU\\" : (access & kKeyWow64View64) ? "HKLM64\\" : "HKLM\\";
  return sim::Lower(prefix + std::string(path));
}

std::uintptr_t Remember(std::string path, std::uint32_t access) {
  static std::uintptr_t next = 0;
  OpenKeys()[++next] = {std::move(path), access};
  ++sim::desktop().openKeys;
  return next;
}

}  // namespace

RegKey::~RegKey() {
  if (handle_ == 0) return;
  OpenKeys().erase(handle_);
  --sim::desktop().openKeys;
}

RegKey::RegKey(RegKey&& other) noexcept : handle_(std::exchange(other.handle_, 0)) {}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  if (this != &other) {
    RegKey old(std::move(*this));
    handle_ = std::exchange(other.handle_, 0);
  }
  return *this;
}

long RegKey::Open(RegRoot root, std::string_view path, std::uint32_t access, RegKey& key) {
  // The user is a standard one: the machine's keys are read-only to them.
  constexpr std::uint32_t kWriteRights = 0x0002 | 0x0004 | 0x0020 | 0x10000 | 0x40000 | 0x80000;
  if (root == RegRoot::LocalMachine && (access & kWriteRights) != 0) return kErrorAccessDenied;
  std::string full = FullPath(root, path, access);
  if (sim::desktop().deniedKeys.contains(full)) return kErrorAccessDenied;
  if (!sim::desktop().keys.contains(full)) return kErrorFileNotFound;
  key = RegKey();
  key.handle_ = Remember(full, access);
  return kErrorSuccess;
}

long RegKey::Create(RegRoot root, std::string_view path, RegKey& key) {
  std::string full = FullPath(root, path);
  sim::Desktop& desktop = sim::desktop();
  if (desktop.deniedKeys.contains(full)) return kErrorAccessDenied;
  if (!desktop.keys.contains(full)) {
    if (desktop.refusedKeys.contains(full)) return kErrorAccessDenied;
    desktop.keys[full];
  }
  key = RegKey();
  key.handle_ = Remember(full, kKeySetValue);
  return kErrorSuccess;
}

// A handle does only what it was opened for, as on Windows.
long RegKey::Query(std::string_view name, std::uint32_t maxBytes, RegValue& value) const {
  if (!(OpenKeys().at(handle_).access & kKeyQueryValue)) return kErrorAccessDenied;
  auto stored = sim::desktop().Value(OpenKeys().at(handle_).path, std::string(name));
  if (!stored) return kErrorFileNotFound;
  if (stored->bytes > maxBytes) return kErrorMoreData;
  value.type = stored->type;
  value.bytes = stored->bytes;
  const bool isText = stored->type == kRegSz || stored->type == kRegExpandSz;
  (isText ? value.text : value.data) = stored->text;
  return kErrorSuccess;
}

long RegKey::SetString(std::string_view name, std::string_view text) const {
  if (!(OpenKeys().at(handle_).access & kKeySetValue)) return kErrorAccessDenied;
  const std::string& path = OpenKeys().at(handle_).path;
  sim::Desktop& desktop = sim::desktop();
  desktop.journal.push_back("RegSetValue " + std::string(name));
  if (desktop.refusedKeys.contains(path)) return kErrorAccessDenied;
  desktop.keys[path][sim::Lower(name)] = {kRegSz, std::string(text), sim::Utf16Bytes(text)};
  return kErrorSuccess;
}

long RegKey::DeleteValue(std::string_view name) const {
  if (!(OpenKeys().at(handle_).access & kKeySetValue)) return kErrorAccessDenied;
  const std::string& path = OpenKeys().at(handle_).path;
  sim::Desktop& desktop = sim::desktop();
  desktop.journal.push_back("RegDeleteValue " + std::string(name));
  if (desktop.refusedKeys.contains(path)) return kErrorAccessDenied;
  return desktop.keys[path].erase(sim::Lower(name)) > 0 ? kErrorSuccess : kErrorFileNotFound;
}

}  // namespace platform

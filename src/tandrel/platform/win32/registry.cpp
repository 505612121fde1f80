// Registry keys: one owner per open key, values read and written as UTF-8.
#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/registry.h"
#include "base/text.h"

namespace platform {
namespace {

// The predefined keys are 32-bit values, sign-extended to a handle as the system headers do.
HKEY RootKey(RegRoot root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(static_cast<std::uint32_t>(root))));
}

HKEY KeyOf(std::uintptr_t handle) { return reinterpret_cast<HKEY>(handle); }

std::uintptr_t HandleOf(HKEY key) { return reinterpret_cast<std::uintptr_t>(key); }

}  // namespace

RegKey::~RegKey() {
  if (handle_ != 0) RegCloseKey(KeyOf(handle_));
}

RegKey::RegKey(RegKey&& other) noexcept : handle_(std::exchange(other.handle_, 0)) {}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  if (this != &other) {
    if (handle_ != 0) RegCloseKey(KeyOf(handle_));
    handle_ = std::exchange(other.handle_, 0);
  }
  return *this;
}

// Either way the key ends up holding the result: the opened key, or none.
long RegKey::Open(RegRoot root, std::string_view path, std::uint32_t access, RegKey& key) {
  key = RegKey{};
  HKEY opened = nullptr;
  const LONG error =
      RegOpenKeyExW(RootKey(root), base::Wide(path).c_str(), /* options= */ 0, access, &opened);
  if (error == ERROR_SUCCESS) key.handle_ = HandleOf(opened);
  return error;
}

long RegKey::Create(RegRoot root, std::string_view path, RegKey& key) {
  key = RegKey{};
  HKEY created = nullptr;
  const LONG error = RegCreateKeyExW(RootKey(root), base::Wide(path).c_str(), /* reserved= */ 0,
                                     /* className= */ nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                     /* security= */ nullptr, &created, /* disposition= */ nullptr);
  if (error == ERROR_SUCCESS) key.handle_ = HandleOf(created);
  return error;
}

long RegKey::Query(std::string_view name, std::uint32_t maxBytes, RegValue& value) const {
  value = RegValue{};
  const std::wstring wideName = base::Wide(name);
  DWORD type = 0;
  DWORD size = 0;
  LONG error = RegQueryValueExW(KeyOf(handle_), wideName.c_str(), /* reserved= */ nullptr, &type,
                                /* data= */ nullptr, &size);
  if (error != ERROR_SUCCESS) return error;
  value.type = type;
  value.bytes = size;
  if (size > maxBytes) return kErrorMoreData;

  std::vector<BYTE> data(size);
  error =
      RegQueryValueExW(KeyOf(handle_), wideName.c_str(), /* reserved= */ nullptr, &type, data.data(), &size);
  if (error != ERROR_SUCCESS) return error;
  value.type = type;
  value.bytes = size;
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    std::wstring text(size / sizeof(wchar_t), L'\0');  // an odd last byte is no character
    std::copy_n(data.data(), text.size() * sizeof(wchar_t), reinterpret_cast<BYTE*>(text.data()));
    if (!text.empty() && text.back() == L'\0') text.pop_back();
    value.text = base::Utf8(text);
  } else {
    value.data.assign(data.begin(), data.end());
  }
  return ERROR_SUCCESS;
}

long RegKey::SetString(std::string_view name, std::string_view text) const {
  const std::wstring wide = base::Wide(text);
  const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);  // with the terminating NUL
  return RegSetValueExW(KeyOf(handle_), base::Wide(name).c_str(), /* reserved= */ 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(wide.c_str()), static_cast<DWORD>(bytes));
}

long RegKey::DeleteValue(std::string_view name) const {
  return RegDeleteValueW(KeyOf(handle_), base::Wide(name).c_str());
}

}  // namespace platform

// The running program's own file: its folder and its name.
#include <windows.h>

#include <cstring>

#include "platform/system.h"
#include "base/text.h"

namespace platform {
namespace {

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(/* module= */ nullptr, path.data(), static_cast<DWORD>(path.size()));
    // A full buffer means the path was cut short.
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

std::string ProgramPath() { return base::Utf8(ModulePath()); }

std::string ProgramFolder() {
  const std::wstring path = ModulePath();
  return base::Utf8(std::wstring_view(path).substr(0, path.rfind(L'\\')));
}

std::string ProgramFileTitle() {
  const std::wstring path = ModulePath();
  std::wstring_view name(path);
  name.remove_prefix(name.rfind(L'\\') + 1);
  return base::Utf8(name.substr(0, name.rfind(L'.')));
}

// Read from the program's own version resource: no other file or library is needed for it.
Version ProgramVersion() {
  const HMODULE self = GetModuleHandleW(nullptr);
  const HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16) /* RT_VERSION */);
  const auto* bytes = found ? static_cast<const BYTE*>(LockResource(LoadResource(self, found))) : nullptr;
  const DWORD size = found ? SizeofResource(self, found) : 0;
  // The fixed part follows the key "VS_VERSION_INFO" and starts with its signature, DWORD-aligned.
  for (DWORD at = 0; bytes && at + sizeof(VS_FIXEDFILEINFO) <= size; at += sizeof(DWORD)) {
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, bytes + at, sizeof info);
    if (info.dwSignature == VS_FFI_SIGNATURE) {
      return {HIWORD(info.dwFileVersionMS), LOWORD(info.dwFileVersionMS), LOWORD(info.dwFileVersionLS)};
    }
  }
  return {};
}

}  // namespace platform

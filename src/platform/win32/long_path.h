#pragma once
// Every path handed to Windows goes through here. Without the "\\?\" form the system drops a
// name's trailing dots and blanks ("notes." opens "notes") and stops at 260 characters; with it,
// the path is taken literally, so it must be absolute and clean first.
#include <windows.h>

#include <filesystem>
#include <string>

namespace platform::win32 {

// Absolute and lexically normal, with backslashes. The system's own conversion is used only for
// the drive or current folder a relative path stands on, never for the names after it.
inline std::filesystem::path AbsolutePath(const std::filesystem::path& path) {
  namespace fs = std::filesystem;
  if (path.native().rfind(LR"(\\?\)", 0) == 0) return path;
  fs::path base;
  if (!path.is_absolute()) {
    std::error_code ignored;
    base = path.has_root_name() || path.has_root_directory()
               ? fs::absolute(path.root_name() / path.root_directory(), ignored)  // "C:name", "\name"
               : fs::current_path(ignored);
  }
  fs::path absolute = (base / (base.empty() ? path : path.relative_path())).lexically_normal();
  if (!absolute.has_filename() && absolute.has_relative_path()) absolute = absolute.parent_path();  // "C:\a\"
  return absolute;
}

// The "\\?\C:\…" or "\\?\UNC\server\share\…" form of the path.
inline std::wstring LongPath(const std::filesystem::path& path) {
  std::wstring absolute = AbsolutePath(path).native();
  if (absolute.rfind(LR"(\\?\)", 0) == 0) return absolute;
  if (absolute.rfind(LR"(\\)", 0) == 0) return LR"(\\?\UNC\)" + absolute.substr(2);
  return LR"(\\?\)" + absolute;
}

}  // namespace platform::win32

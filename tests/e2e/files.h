// Files and folders for the tools' cases: made, read and compared through paths of any length.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <set>
#include <string>

namespace e2e {

// Every path goes to the system in the form that reaches past 260 characters.
inline std::wstring Long(const std::wstring& path) { return L"\\\\?\\" + path; }

inline bool MakeFolder(const std::wstring& path) { return CreateDirectoryW(Long(path).c_str(), nullptr) != FALSE; }

inline bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
  CloseHandle(file);
  return ok;
}

inline std::string ReadBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<unreadable>";
  std::string bytes;
  char buffer[65536];
  for (DWORD got = 0; ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0;) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

// Incompressible: deflate gains nothing on it.
inline std::string RandomBytes(size_t size, std::uint64_t seed) {
  std::string bytes(size, '\0');
  for (auto& byte : bytes) {
    seed ^= seed << 13, seed ^= seed >> 7, seed ^= seed << 17;
    byte = char(seed >> 32);
  }
  return bytes;
}

inline constexpr ULONGLONG kTicksPerSecond = 10000000, kEpoch = 11644473600;  // FILETIME: 100 ns since 1601

inline bool SetModified(const std::wstring& path, ULONGLONG unixSeconds) {
  HANDLE handle = CreateFileW(Long(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const ULONGLONG ticks = (unixSeconds + kEpoch) * kTicksPerSecond;
  const FILETIME time{DWORD(ticks), DWORD(ticks >> 32)};
  const bool ok = SetFileTime(handle, nullptr, nullptr, &time);
  CloseHandle(handle);
  return ok;
}

// A file or folder as compared after a round trip; its contents, its time in whole seconds, and
// whether it is read-only and hidden.
inline constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
struct Node {
  bool folder = false;
  std::string bytes;
  LONGLONG modified = 0;
  DWORD attributes = 0;
  bool operator==(const Node&) const = default;
};
inline void PrintTo(const Node& node, std::ostream* out) {
  *out << (node.folder ? "folder" : std::to_string(node.bytes.size()) + " bytes") << " of " << node.modified
       << " attributes " << node.attributes;
}

inline LONGLONG Seconds(const FILETIME& time) {
  return LONGLONG((ULONGLONG(time.dwHighDateTime) << 32 | time.dwLowDateTime) / kTicksPerSecond - kEpoch);
}

using EntryVisitor = std::function<void(const std::wstring& relative, const WIN32_FIND_DATAW&)>;

// Calls visit for everything in the folder, and below it when deep, parents first.
inline void Walk(const std::wstring& folder, bool deep, const EntryVisitor& visit, const std::wstring& relative = {}) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(Long(folder + relative + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!wcscmp(data.cFileName, L".") || !wcscmp(data.cFileName, L"..")) continue;
    const std::wstring path = relative + L"\\" + data.cFileName;
    visit(path.substr(1), data);
    if (deep && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) Walk(folder, deep, visit, path);
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

// What the folder and everything below hold, by path relative to it ("." the folder itself).
inline std::map<std::wstring, Node> Tree(const std::wstring& root) {
  WIN32_FILE_ATTRIBUTE_DATA self{};
  GetFileAttributesExW(Long(root).c_str(), GetFileExInfoStandard, &self);
  std::map<std::wstring, Node> tree{
      {L".", {true, {}, Seconds(self.ftLastWriteTime), self.dwFileAttributes & kKeptAttributes}}};
  Walk(root, true, [&](const std::wstring& path, const WIN32_FIND_DATAW& data) {
    const bool folder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    tree[path] = {folder, folder ? "" : ReadBytes(root + L"\\" + path), Seconds(data.ftLastWriteTime),
                  data.dwFileAttributes & kKeptAttributes};
  });
  return tree;
}

// Every file and folder below, by relative path, with its size.
inline std::map<std::wstring, ULONGLONG> Sizes(const std::wstring& folder) {
  std::map<std::wstring, ULONGLONG> sizes;
  Walk(folder, true, [&](const std::wstring& path, const WIN32_FIND_DATAW& data) {
    sizes[path] = ULONGLONG(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  });
  return sizes;
}

// The names in a folder, hidden ones included.
inline std::set<std::wstring> Names(const std::wstring& folder) {
  std::set<std::wstring> names;
  Walk(folder, false, [&](const std::wstring& name, const WIN32_FIND_DATAW&) { names.insert(name); });
  return names;
}

}  // namespace e2e

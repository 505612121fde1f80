#include "tools/win32/files.h"

#include <string>
#include <vector>

#include "base/text.h"
#include "tools/naming.h"
#include "engine/sys/os_win32.h"

namespace tools::win32 {

using namespace base;
using zip::os::LongPath;
using zip::os::Path;
namespace {

constexpr wchar_t kZoneStream[] = L":Zone.Identifier";
// An antivirus or the indexer may hold a fresh file for a moment; a rename is tried again meanwhile.
constexpr DWORD kHeldForMs = 2000;
constexpr DWORD kRetryMs = 50;

// Calls visit(path, data) for each entry of folder, "." and ".." left out.
template <typename Visit>
void ForEachEntry(const Path& folder, Visit visit) {
  WIN32_FIND_DATAW data;
  const OwnedSearch find(FindFirstFileExW((LongPath(folder) + L"\\*").c_str(), FindExInfoBasic, &data,
                                          FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!find) return;
  do {
    const std::wstring_view name(data.cFileName);
    if (name != L"." && name != L"..") visit(folder / data.cFileName, data);
  } while (FindNextFileW(find.get(), &data));
}

std::wstring RandomSuffix() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  // Through to_string: to_wstring would bring the C library's whole wide printf.
  return Wide(std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter.QuadPart & 0xFFFFFF));
}

// Whether the process whose id starts the scratch folder's name still runs: a run lets go of its
// folder to rename it into place, and must not lose it to another run's clean-up then. An id
// taken again by another program only keeps a leftover a while longer.
bool OwnerRuns(std::wstring_view suffix) {
  DWORD id = 0;
  std::size_t digits = 0;
  for (; digits < suffix.size() && suffix[digits] >= L'0' && suffix[digits] <= L'9'; ++digits) {
    id = id * 10 + (suffix[digits] - L'0');
  }
  if (digits == 0 || digits >= suffix.size() || suffix[digits] != L'-') return false;
  const OwnedHandle owner(OpenProcess(SYNCHRONIZE, FALSE, id));
  return owner && WaitForSingleObject(owner.get(), 0) == WAIT_TIMEOUT;
}

bool Held(DWORD error) { return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION; }

// Renames to folder/name+extension or the first free "name (2)"…, never replacing anything.
template <typename Rename>
std::optional<Path> RenameToFreeName(const Path& folder, const Path& name, const Path& extension, DWORD& error,
                                     Rename rename) {
  // Another program may take the free name first: then the next one is tried.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const Path to = FreeName(folder, name, extension);
    for (DWORD waited = 0;; waited += kRetryMs) {
      if (rename(to)) return to;
      error = GetLastError();
      if (!Held(error) || waited >= kHeldForMs) break;
      Sleep(kRetryMs);
    }
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

bool CreateFolders(const Path& folder, DWORD& error) {
  const DWORD attributes = GetFileAttributesW(LongPath(folder).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    error = ERROR_DIRECTORY;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }
  if (folder.has_parent_path() && folder.parent_path() != folder && !CreateFolders(folder.parent_path(), error)) {
    return false;
  }
  if (CreateDirectoryW(LongPath(folder).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
  error = GetLastError();
  return false;
}

bool RemoveTree(const Path& folder) {
  // Without recursion: a tree thousands of folders deep would overflow a thread's stack.
  std::vector<Path> toEmpty{folder};
  std::vector<Path> emptied;  // parents before children
  while (!toEmpty.empty()) {
    const Path at = std::move(toEmpty.back());
    toEmpty.pop_back();
    ForEachEntry(at, [&](const Path& entry, const WIN32_FIND_DATAW& data) {
      const std::wstring path = LongPath(entry);
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      const bool isFolder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
      const bool isLink = data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
      if (isFolder && !isLink) {
        toEmpty.push_back(entry);
      } else if (isFolder) {
        RemoveDirectoryW(path.c_str());  // the junction itself
      } else {
        DeleteFileW(path.c_str());
      }
    });
    emptied.push_back(at);
  }
  for (auto it = emptied.rbegin(); it != emptied.rend(); ++it) {
    SetFileAttributesW(LongPath(*it).c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(LongPath(*it).c_str());
  }
  return GetFileAttributesW(LongPath(folder).c_str()) == INVALID_FILE_ATTRIBUTES;
}

ScratchFolder::ScratchFolder(const Path& beside, std::wstring_view prefix) {
  path_ = beside / (std::wstring(prefix) + RandomSuffix() + L".tmp");
  const std::wstring path = LongPath(path_);
  if (!CreateDirectoryW(path.c_str(), nullptr)) {
    error_ = GetLastError();
    return;
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
  // No delete sharing: while this is open, nobody can remove or rename the folder.
  lock_ = OwnedHandle(CreateFileW(path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!lock_) error_ = GetLastError();
}

ScratchFolder::~ScratchFolder() {
  lock_.reset();
  if (!path_.empty() && GetFileAttributesW(LongPath(path_).c_str()) != INVALID_FILE_ATTRIBUTES) RemoveTree(path_);
}

std::optional<Path> ScratchFolder::MoveTo(const Path& folder, const Path& name, DWORD& error) {
  // Renaming needs the hold let go of; this process being alive keeps other runs off it meanwhile.
  lock_.reset();
  std::optional<Path> moved = MoveToFreeName(path_, folder, name, {}, error);
  if (!moved) return std::nullopt;
  path_.clear();  // no longer ours to remove
  SetFileAttributesW(LongPath(*moved).c_str(), FILE_ATTRIBUTE_NORMAL);
  return moved;
}

Path ScratchFolder::Shown(const Path& path, const Path& destination) const {
  const std::wstring& folder = path_.native();
  const std::wstring& text = path.native();
  if (folder.empty() || text.compare(0, folder.size(), folder) != 0) return path;
  std::size_t inside = folder.size();
  if (inside < text.size() && !Path::IsSeparator(text[inside]) && !Path::IsSeparator(folder.back())) return path;
  while (inside < text.size() && Path::IsSeparator(text[inside])) ++inside;
  return inside == text.size() ? destination : destination / text.substr(inside);
}

void ScratchFolder::RemoveLeftovers(const Path& folder, std::wstring_view prefix) {
  ForEachEntry(folder, [&](const Path& entry, const WIN32_FIND_DATAW& data) {
    const std::wstring name = entry.filename().native();
    const bool ours = name.rfind(prefix, 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == L".tmp";
    if (!ours || !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      return;
    }
    if (OwnerRuns(name.substr(prefix.size()))) return;
    // A live run holds its folder without delete sharing: asking for DELETE fails then.
    OwnedHandle probe(CreateFileW(LongPath(entry).c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (probe) {
      probe.reset();
      RemoveTree(entry);
    }
  });
}

std::optional<Path> MoveToFreeName(const Path& from, const Path& folder, const Path& name, const Path& extension,
                                   DWORD& error) {
  return RenameToFreeName(folder, name, extension, error, [&](const Path& to) {
    return MoveFileExW(LongPath(from).c_str(), LongPath(to).c_str(), /* flags= */ 0) != FALSE;
  });
}

bool MoveToName(const Path& from, const Path& to, DWORD& error) {
  for (DWORD waited = 0;; waited += kRetryMs) {
    if (MoveFileExW(LongPath(from).c_str(), LongPath(to).c_str(), /* flags= */ 0)) return true;
    error = GetLastError();
    if (!Held(error) || waited >= kHeldForMs) return false;
    Sleep(kRetryMs);
  }
}

void CopyMarkOfTheWeb(const Path& archive, const Path& folder) {
  const OwnedHandle source(CreateFileW((LongPath(archive) + kZoneStream).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
  if (!source) return;
  std::vector<char> zone(64 * 1024);
  DWORD size = 0;
  if (!ReadFile(source.get(), zone.data(), static_cast<DWORD>(zone.size()), &size, nullptr) || size == 0) return;

  std::vector<Path> toMark{folder};  // without recursion, however deep the tree
  while (!toMark.empty()) {
    const Path at = std::move(toMark.back());
    toMark.pop_back();
    ForEachEntry(at, [&](const Path& entry, const WIN32_FIND_DATAW& data) {
      if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        toMark.push_back(entry);
        return;
      }
      // Writing a stream counts as writing the file: its times from the archive are put back.
      const std::wstring path = LongPath(entry);
      const OwnedHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
      FILETIME created{}, accessed{}, written{};
      const bool timed = file && GetFileTime(file.get(), &created, &accessed, &written);
      // A read-only file takes no new stream: the attribute is lifted meanwhile. A hidden one
      // refuses a create that does not name its attribute.
      const bool readOnly = data.dwFileAttributes & FILE_ATTRIBUTE_READONLY;
      if (readOnly) SetFileAttributesW(path.c_str(), data.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
      {
        const OwnedHandle stream(CreateFileW((path + kZoneStream).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                             data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
                                             nullptr));
        DWORD bytes = 0;
        if (stream) WriteFile(stream.get(), zone.data(), size, &bytes, nullptr);
      }
      if (timed) SetFileTime(file.get(), &created, &accessed, &written);
      if (readOnly) SetFileAttributesW(path.c_str(), data.dwFileAttributes);
    });
  }
}

}  // namespace tools::win32

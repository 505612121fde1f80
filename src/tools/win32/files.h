#pragma once
// The file-system steps around the engine's work: a scratch folder nobody else touches, moving
// the result to a free name, and the archive's Mark of the Web. Long paths throughout.
#include <optional>
#include <string>
#include <string_view>

#include "base/handles.h"
#include "engine/sys/path.h"

namespace tools::win32 {

// Makes the folder and any missing folders above it; true when it is there.
bool CreateFolders(const zip::os::Path& folder, DWORD& error);

// Deletes a folder and what it holds; links and junctions inside are removed, never followed.
bool RemoveTree(const zip::os::Path& folder);

// A hidden folder where the work is done, named after its process. Held open while it lives, so
// that another run's clean-up leaves it alone; removed with what it holds unless it or its
// content was moved out.
class ScratchFolder {
 public:
  ScratchFolder(const zip::os::Path& beside, std::wstring_view prefix);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  bool ok() const { return static_cast<bool>(lock_); }
  DWORD error() const { return error_; }
  const zip::os::Path& path() const { return path_; }
  // Renames the folder itself to folder/name or the first free "name (2)"…, and shows it.
  // Returns where it went, or nothing (the system's error in error).
  std::optional<zip::os::Path> MoveTo(const zip::os::Path& folder, const zip::os::Path& name, DWORD& error);
  // A path inside the folder as the user will know it: below destination instead.
  zip::os::Path Shown(const zip::os::Path& path, const zip::os::Path& destination) const;

  // Removes what killed runs left in that folder: scratch folders that nobody holds.
  static void RemoveLeftovers(const zip::os::Path& folder, std::wstring_view prefix);

 private:
  zip::os::Path path_;
  base::OwnedHandle lock_;
  DWORD error_ = ERROR_SUCCESS;
};

// Moves from to folder/name+extension, or to "name (2)"… when that is taken, never replacing
// anything; a file held a moment by another program is waited for. Returns where it went, or
// nothing (with the system's error in error).
std::optional<zip::os::Path> MoveToFreeName(const zip::os::Path& from, const zip::os::Path& folder,
                                            const zip::os::Path& name, const zip::os::Path& extension, DWORD& error);

// Moves from to exactly that name or not at all, never replacing anything.
bool MoveToName(const zip::os::Path& from, const zip::os::Path& to, DWORD& error);

// Gives every file below folder the archive's Zone.Identifier stream, if it has one.
void CopyMarkOfTheWeb(const zip::os::Path& archive, const zip::os::Path& folder);

}  // namespace tools::win32

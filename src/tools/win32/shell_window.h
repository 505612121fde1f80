#pragma once
// The Explorer window the user was looking at when the tool started: what is selected in it,
// and, once the work is done, the selection of what was made for it. Every call into Explorer
// is bounded: a hung Explorer makes these find nothing rather than hang the tool.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/sys/path.h"

namespace tools::win32 {

struct Selection {
  HWND window = nullptr;                        // the folder window or the desktop; none if neither
  std::optional<zip::os::Path> folder;  // what it shows, when that is a folder on a disk
  std::vector<zip::os::Path> paths;     // the selected files and folders
  std::vector<std::string> others;              // names of selected items that are not on a disk
};

// What is selected in front, where front is the foreground window or a window it belongs to.
Selection FrontSelection(HWND front);

// Selects the items in that window, the first one focused and in sight; false if it could not.
bool SelectInWindow(HWND window, const std::vector<zip::os::Path>& items);

// Shows the items selected in a window on their folder, opening one if there is none.
void ShowInFolder(const std::vector<zip::os::Path>& items);

}  // namespace tools::win32

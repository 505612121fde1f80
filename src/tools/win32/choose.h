#pragma once
// The system's file dialog, for when nothing usable is selected.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/sys/path.h"

namespace tools::win32 {

struct ChooseOptions {
  std::wstring title;
  std::wstring filterName;  // e.g. "Zip archives"; empty: all files
  std::wstring filter;      // e.g. "*.zip"
};

struct Choice {
  std::vector<zip::os::Path> paths;  // empty when the user cancelled
  HRESULT result = S_OK;             // why there are none
};

// Several files may be chosen; the dialog starts in startIn, or else in Documents.
Choice Choose(const ChooseOptions& options, const std::optional<zip::os::Path>& startIn);

}  // namespace tools::win32

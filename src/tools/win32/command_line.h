#pragma once
// The tools' command line: options first, then the paths.
#include <optional>
#include <string>
#include <vector>

#include "engine/sys/path.h"

namespace tools::win32 {

struct CommandLine {
  bool quiet = false;                // -q
  std::optional<zip::os::Path> to;   // -o ARCHIVE (Cramlet), -d FOLDER (Spillet)
  std::vector<zip::os::Path> paths;  // absolute, without a trailing separator
  std::string error;                 // what is wrong with it, if anything
};

// destinationOption: "-o" or "-d".
CommandLine ParseCommandLine(const wchar_t* destinationOption);

}  // namespace tools::win32

#pragma once
// What both tools do first and how they end.
#include <windows.h>

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "tools/win32/choose.h"
#include "tools/win32/command_line.h"
#include "engine/sys/path.h"
#include "engine/engine.h"

namespace tools::win32 {

enum Exit { kDone = 0, kFailed = 1, kCancelled = 2 };

struct Tool {
  std::wstring_view name;
  const wchar_t* destinationOption;  // "-o" or "-d"
  std::string_view usage;
  ChooseOptions choose;  // the file dialog, when nothing usable is selected
  // When it does not take everything: none for a selected file it takes, or else what the file
  // is when that is worth saying ("a 7z archive"; empty otherwise); and what the others are not.
  std::function<std::optional<std::string_view>(const zip::os::Path&)> leavesOut;
  std::string_view kind;   // "a zip archive"
  std::string_view kinds;  // "zip archives"
  // The work on the paths; it adds what it made to made.
  std::function<int(const CommandLine&, std::vector<zip::os::Path>& made)> work;
};

// Hardened, the command line read: a wrong one gets the usage. The paths it names are worked on;
// without any, what is selected in Explorer in front or else what the user chooses in the file
// dialog, and the result is selected where the user is; a copy started on a selection that
// another copy works on ends at once, quietly, with 0. COM comes up only around the shell's
// calls, so that a tool that needs none starts without it. Returns the exit code.
int ToolMain(const Tool& tool);

// Tells of the failure (a cancel needs no word) and gives the exit code for it.
int Fail(std::wstring_view tool, const zip::Error& error, bool quiet);

}  // namespace tools::win32

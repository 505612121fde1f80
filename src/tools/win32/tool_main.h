#pragma once
// What both tools do first and how they end.
#include <windows.h>

#include <functional>
#include <string_view>

#include "tools/win32/command_line.h"
#include "zip/zip.h"

namespace tools::win32 {

enum Exit { kDone = 0, kFailed = 1, kCancelled = 2 };

// Hardened, COM up for the progress window, the command line read: a wrong or empty one gets
// the usage. Otherwise the work's exit code.
int ToolMain(std::wstring_view tool, const wchar_t* destinationOption, std::string_view usage,
             const std::function<int(const CommandLine&)>& work);

// The kind of failure a system error code is.
zip::Failure FailureOf(DWORD error);

// Tells of the failure (a cancel needs no word) and gives the exit code for it.
int Fail(std::wstring_view tool, const zip::Error& error, bool quiet);

}  // namespace tools::win32

#include "tools/win32/tool_main.h"

#include <string>

#include "platform/win32/harden.h"
#include "tools/failure_text.h"
#include "tools/win32/handles.h"
#include "tools/win32/report.h"

namespace tools::win32 {

int ToolMain(std::wstring_view tool, const wchar_t* destinationOption, std::string_view usage,
             const std::function<int(const CommandLine&)>& work) {
  platform::win32::Harden();
  const ComApartment com;
  const CommandLine line = ParseCommandLine(destinationOption);
  if (!line.error.empty()) {
    Tell(tool, line.error + "\n\n" + std::string(usage), Tone::Failure, line.quiet);
    return kFailed;
  }
  if (line.paths.empty()) {  // nothing went wrong: nothing was given
    Tell(tool, usage, Tone::Notice, line.quiet);
    return kFailed;
  }
  return work(line);
}

zip::Failure FailureOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return zip::Failure::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return zip::Failure::AccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return zip::Failure::InUse;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return zip::Failure::DiskFull;
    default:
      return zip::Failure::Io;
  }
}

int Fail(std::wstring_view tool, const zip::Error& error, bool quiet) {
  if (error.kind == zip::Failure::Cancelled) return kCancelled;
  Tell(tool, FailureText(error), Tone::Failure, quiet);
  return kFailed;
}

}  // namespace tools::win32

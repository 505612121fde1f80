// Cramlet: zips the files and folders it is given into one archive beside them.
#include <windows.h>

#include "platform/win32/harden.h"
#include "tools/failure_text.h"
#include "tools/naming.h"
#include "tools/win32/command_line.h"
#include "tools/win32/files.h"
#include "tools/win32/handles.h"
#include "tools/win32/job.h"
#include "tools/win32/report.h"

namespace {

namespace fs = std::filesystem;
using namespace tools::win32;

constexpr wchar_t kTool[] = L"Cramlet";
constexpr wchar_t kScratchPrefix[] = L"~cramlet-";
constexpr char kUsage[] =
    "Cramlet zips files and folders into one archive.\n\n"
    "Cramlet.exe [-q] [-o ARCHIVE] PATH...\n\n"
    "Without -o the archive goes beside the first item, named after it (one item) or after their "
    "folder (several); an existing file is never replaced. -q shows no window: a failure is one line "
    "on standard error.";

enum Exit { kDone = 0, kFailed = 1, kCancelled = 2 };

int Fail(const zip::Error& error, bool quiet) {
  if (error.kind == zip::Failure::Cancelled) return kCancelled;
  Tell(kTool, tools::FailureText(error), Tone::Failure, quiet);
  return kFailed;
}

int Zip(const CommandLine& line) {
  const fs::path folder = line.to ? line.to->parent_path() : line.paths.front().parent_path();
  const fs::path name = line.to ? line.to->stem() : tools::ArchiveName(line.paths);
  const fs::path extension = line.to ? line.to->extension() : fs::path(".zip");

  ScratchFolder::RemoveLeftovers(folder, kScratchPrefix);
  ScratchFolder scratch(folder, kScratchPrefix);
  if (!scratch.ok()) {
    const zip::Failure kind = scratch.error() == ERROR_ACCESS_DENIED ? zip::Failure::AccessDenied
                              : scratch.error() == ERROR_PATH_NOT_FOUND ? zip::Failure::NotFound
                                                                         : zip::Failure::Io;
    return Fail({kind, folder, {}, {}}, line.quiet);
  }
  fs::path built = scratch.path() / name;
  built += extension;
  const zip::Error error = RunJob({kTool, L"Zipping", line.quiet},
                                  [&](zip::Observer& observer) { return zip::WriteArchive(line.paths, built, observer); });
  if (error) return Fail(error, line.quiet);

  // A name given with -o is taken as it is or not at all; a chosen one steps aside.
  DWORD moveError = ERROR_SUCCESS;
  if (line.to) {
    if (!MoveFileExW(LongPath(built).c_str(), LongPath(*line.to).c_str(), /* flags= */ 0)) {
      moveError = GetLastError();
      const bool taken = moveError == ERROR_ALREADY_EXISTS || moveError == ERROR_FILE_EXISTS;
      return Fail({taken ? zip::Failure::Io : zip::Failure::AccessDenied, *line.to, {},
                   taken ? "A file of that name exists already; it was left as it is" : ""},
                  line.quiet);
    }
  } else if (!MoveToFreeName(built, folder, name, extension, moveError)) {
    return Fail({zip::Failure::AccessDenied, folder / name, {}, {}}, line.quiet);
  }
  return kDone;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
  platform::win32::Harden();
  const ComApartment com;
  const CommandLine line = ParseCommandLine(L"-o");
  if (!line.error.empty() || line.paths.empty()) {
    Tell(kTool, line.error.empty() ? kUsage : line.error + "\n\n" + kUsage, Tone::Failure, line.quiet);
    return kFailed;
  }
  return Zip(line);
}

// Cramlet: zips the files and folders it is given into one archive beside them.
#include <windows.h>

#include "tools/naming.h"
#include "tools/win32/files.h"
#include "tools/win32/job.h"
#include "tools/win32/tool_main.h"

namespace {

namespace fs = std::filesystem;
using namespace tools::win32;

constexpr wchar_t kTool[] = L"Cramlet";
constexpr wchar_t kScratchPrefix[] = L"~cramlet-";
constexpr char kUsage[] =
    "Cramlet zips files and folders into one archive.\n\n"
    "Cramlet.exe [-q] [-o ARCHIVE] PATH...\n\n"
    "Without paths it zips what is selected in the Explorer window in front, or what is chosen in "
    "the file dialog. "
    "Without -o the archive goes beside the first item, named after it (one item) or after their "
    "folder (several); an existing file is never replaced. -q shows no window: a failure is one line "
    "on standard error.";

int Zip(const CommandLine& line, std::vector<fs::path>& made) {
  const fs::path folder = line.to ? line.to->parent_path() : line.paths.front().parent_path();
  const fs::path name = line.to ? line.to->stem() : tools::ArchiveName(line.paths);
  const fs::path extension = line.to ? line.to->extension() : fs::path(".zip");

  ScratchFolder::RemoveLeftovers(folder, kScratchPrefix);
  ScratchFolder scratch(folder, kScratchPrefix);
  if (!scratch.ok()) return Fail(kTool, {FailureOf(scratch.error()), folder, {}, {}}, line.quiet);
  fs::path built = scratch.path() / name;
  built += extension;
  zip::WriteReport report;
  const zip::Error error = RunJob({kTool, L"Zipping", line.quiet}, [&](zip::Observer& observer) {
    return zip::WriteArchive(line.paths, {scratch.path()}, built, observer, report);
  });
  if (error) return Fail(kTool, error, line.quiet);

  // A name given with -o is taken as it is or not at all; a chosen one steps aside.
  DWORD moveError = ERROR_SUCCESS;
  if (line.to) {
    if (MoveFileExW(LongPath(built).c_str(), LongPath(*line.to).c_str(), /* flags= */ 0)) {
      made.push_back(*line.to);
      return kDone;
    }
    moveError = GetLastError();
    const bool taken = moveError == ERROR_ALREADY_EXISTS || moveError == ERROR_FILE_EXISTS;
    return Fail(kTool,
                {taken ? zip::Failure::Io : FailureOf(moveError), *line.to, {},
                 taken ? "A file of that name exists already; it was left as it is" : ""},
                line.quiet);
  }
  const std::optional<fs::path> archive = MoveToFreeName(built, folder, name, extension, moveError);
  if (!archive) return Fail(kTool, {FailureOf(moveError), folder / name, {}, {}}, line.quiet);
  made.push_back(*archive);
  return kDone;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
  return ToolMain({.name = kTool,
                   .destinationOption = L"-o",
                   .usage = kUsage,
                   .choose = {.title = L"Choose files to zip", .filterName = {}, .filter = {}},
                   .takes = {},
                   .kind = {},
                   .kinds = {},
                   .work = Zip});
}

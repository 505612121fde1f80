// Cramlet: zips the files and folders it is given into one archive beside them.
#include <windows.h>

#include "tools/naming.h"
#include "tools/win32/files.h"
#include "tools/win32/job.h"
#include "tools/win32/report.h"
#include "tools/win32/tool_main.h"
#include "tools/zip_notes.h"
#include "engine/sys/os_win32.h"

namespace {

using zip::os::Path;
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

// The archive is made; what it lacks is told, and a tool that left something out does not report success.
int Made(const Path& archive, const zip::WriteReport& report, bool quiet, std::vector<Path>& made) {
  made.push_back(archive);
  const std::string notes = tools::ZipNotes(archive, report);
  if (notes.empty()) return kDone;
  const bool leftOut = !report.linksSkipped.empty();
  Tell(kTool, notes, leftOut ? Tone::Warning : Tone::Notice, quiet);
  return leftOut ? kFailed : kDone;
}

int Zip(const CommandLine& line, std::vector<Path>& made) {
  const Path folder = line.to ? line.to->parent_path() : line.paths.front().parent_path();
  const Path name = line.to ? line.to->stem() : tools::ArchiveName(line.paths);
  const Path extension = line.to ? line.to->extension() : Path(L".zip");

  ScratchFolder::RemoveLeftovers(folder, kScratchPrefix);
  ScratchFolder scratch(folder, kScratchPrefix);
  if (!scratch.ok()) return Fail(kTool, zip::os::SystemError(folder, scratch.error()), line.quiet);
  Path built = scratch.path() / name;
  built += extension;
  zip::WriteReport report;
  zip::Error error = RunJob({kTool, L"Zipping", line.quiet}, [&](zip::Observer& observer) {
    return zip::WriteArchive(line.paths, {scratch.path()}, built, observer, report);
  });
  if (error) {
    if (error.file.empty() || error.file == built) error.file = line.to ? *line.to : folder / built.filename();
    return Fail(kTool, error, line.quiet);  // never the hidden folder
  }

  // A name given with -o is taken as it is or not at all; a chosen one steps aside.
  DWORD moveError = ERROR_SUCCESS;
  if (line.to) {
    if (MoveToName(built, *line.to, moveError)) return Made(*line.to, report, line.quiet, made);
    return Fail(kTool, zip::os::SystemError(*line.to, moveError), line.quiet);
  }
  const std::optional<Path> archive = MoveToFreeName(built, folder, name, extension, moveError);
  if (!archive) return Fail(kTool, zip::os::SystemError(folder / built.filename(), moveError), line.quiet);
  return Made(*archive, report, line.quiet, made);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
  return ToolMain({.name = kTool,
                   .destinationOption = L"-o",
                   .usage = kUsage,
                   .choose = {.title = L"Choose files to zip", .filterName = {}, .filter = {}},
                   .leavesOut = {},
                   .kind = {},
                   .kinds = {},
                   .work = Zip});
}

// Spillet: extracts each archive it is given into a new folder beside it.
#include <windows.h>

#include <string>

#include "tools/naming.h"
#include "tools/win32/files.h"
#include "tools/win32/job.h"
#include "tools/win32/report.h"
#include "tools/win32/tool_main.h"

namespace {

namespace fs = std::filesystem;
using namespace tools::win32;

constexpr wchar_t kTool[] = L"Spillet";
constexpr wchar_t kScratchPrefix[] = L"~spillet-";
constexpr char kUsage[] =
    "Spillet extracts zip archives.\n\n"
    "Spillet.exe [-q] [-d FOLDER] ARCHIVE...\n\n"
    "Without archives it extracts those selected in the Explorer window in front, or those chosen "
    "in the file dialog. "
    "Each archive goes into a new folder named after it, beside it or in FOLDER; when all it holds "
    "lies in one folder, that folder itself is placed there. Nothing existing is ever replaced. -q "
    "shows no window: a failure is one line on standard error.";

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// What the user should know about a finished extraction: names that had to change, links left out.
std::string Notes(const fs::path& archive, const zip::ExtractReport& report) {
  std::string notes;
  for (const zip::Renamed& renamed : report.renamed) {
    notes += "\n\"" + renamed.entry + "\" was saved as \"" + renamed.extractedAs + "\".";
  }
  for (const std::string& link : report.linksSkipped) notes += "\n\"" + link + "\" is a link and was not extracted.";
  return notes.empty() ? notes : Utf8(archive) + "\n" + notes;
}

// Extracts one archive; the folder appears whole at the end, or not at all.
int Extract(const fs::path& archive, const CommandLine& line, std::vector<fs::path>& made) {
  const fs::path folder = line.to ? *line.to : archive.parent_path();
  if (DWORD error = ERROR_SUCCESS; !CreateFolders(folder, error)) return Fail(kTool, {FailureOf(error), folder, {}, {}}, line.quiet);
  ScratchFolder::RemoveLeftovers(folder, kScratchPrefix);
  ScratchFolder scratch(folder, kScratchPrefix);
  if (!scratch.ok()) return Fail(kTool, {FailureOf(scratch.error()), folder, {}, {}}, line.quiet);
  zip::ExtractReport report;
  const zip::Error error = RunJob({kTool, L"Extracting", line.quiet}, [&](zip::Observer& observer) {
    return zip::ExtractArchive(archive, scratch.path(), observer, report);
  });
  if (error) return Fail(kTool, error, line.quiet);
  CopyMarkOfTheWeb(archive, scratch.path());

  // Everything under one folder: that folder goes beside the archive, not "Photos\Photos".
  DWORD moveError = ERROR_SUCCESS;
  const fs::path single = report.topLevel.size() == 1 ? scratch.path() / fs::u8path(report.topLevel.front()) : fs::path();
  std::optional<fs::path> result;
  if (!single.empty() && fs::is_directory(single)) {
    result = MoveToFreeName(single, folder, single.filename(), {}, moveError);
  } else {
    scratch.Unlock();
    result = MoveToFreeName(scratch.path(), folder, tools::FolderName(archive), {}, moveError);
    if (result) SetFileAttributesW(LongPath(*result).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  if (!result) return Fail(kTool, {FailureOf(moveError), folder / tools::FolderName(archive), {}, {}}, line.quiet);
  made.push_back(*result);
  if (const std::string notes = Notes(archive, report); !notes.empty()) Tell(kTool, notes, Tone::Notice, line.quiet);
  return kDone;
}

int ExtractEach(const CommandLine& line, std::vector<fs::path>& made) {
  int exit = kDone;
  for (const fs::path& archive : line.paths) {
    const int result = Extract(archive, line, made);
    if (result == kCancelled) return kCancelled;
    if (result != kDone) exit = result;
  }
  return exit;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
  return ToolMain({.name = kTool,
                   .destinationOption = L"-d",
                   .usage = kUsage,
                   .choose = {.title = L"Choose archives to extract", .filterName = L"Zip archives (*.zip)", .filter = L"*.zip"},
                   .takes = [](const fs::path& path) { return zip::IsZipArchive(path); },
                   .kind = "a zip archive",
                   .kinds = "zip archives",
                   .work = ExtractEach});
}

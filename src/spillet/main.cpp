// Spillet: extracts each archive it is given into a new folder beside it.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "tools/extract_notes.h"
#include "tools/left_out.h"
#include "tools/naming.h"
#include "tools/password_note.h"
#include "tools/passwords.h"
#include "tools/win32/files.h"
#include "tools/win32/job.h"
#include "tools/win32/password_window.h"
#include "tools/win32/report.h"
#include "tools/win32/tool_main.h"
#include "engine/sys/os_win32.h"
#include "engine/sys/paths.h"

namespace {

using zip::os::Path;
using namespace tools::win32;
using zip::os::LongPath;

constexpr wchar_t kTool[] = L"Spillet";
constexpr wchar_t kScratchPrefix[] = L"~spillet-";
constexpr char kUsage[] =
    "Spillet extracts zip, 7z and tar archives, and tars and files compressed with gzip, xz, bzip2, zstd or lzma.\n\n"
    "Spillet.exe [-q] [-d FOLDER] ARCHIVE...\n\n"
    "Without archives it extracts those selected in the Explorer window in front, or those chosen "
    "in the file dialog. "
    "Each archive goes into a new folder named after it, beside it or in FOLDER; when all it holds "
    "lies in one folder, that folder itself is placed there, and a compressed file is placed there "
    "itself. Nothing existing is ever replaced. A password is asked for in a window of its own, "
    "never taken from the command line. -q "
    "shows no window: a failure is one line on standard error, an archive that needs a password among them.";

// Extracts one archive, its kind told once here; the folder appears whole at the end, or not at all.
int Extract(const Path& archive, const CommandLine& line, tools::Passwords& passwords, std::vector<Path>& made) {
  const zip::ArchiveKind kind = zip::ArchiveKindOf(archive);
  if (const std::string_view what = tools::Unextractable(kind); !what.empty()) {
    Tell(kTool, tools::UnextractableText("Spillet", {{zip::Utf8Text(archive), what}}), Tone::Warning, line.quiet);
    return kFailed;
  }
  const Path folder = line.to ? *line.to : archive.parent_path();
  const Path name = tools::FolderName(archive);
  if (DWORD error = ERROR_SUCCESS; !CreateFolders(folder, error)) {
    return Fail(kTool, zip::os::SystemError(folder, error), line.quiet);
  }
  ScratchFolder::RemoveLeftovers(folder, kScratchPrefix);
  ScratchFolder scratch(folder, kScratchPrefix);
  if (!scratch.ok()) return Fail(kTool, zip::os::SystemError(folder, scratch.error()), line.quiet);
  zip::ExtractReport report;
  JobOptions job{kTool, L"Extracting", line.quiet};
  // Never from the command line: a password there would be seen in process lists and logs.
  if (!line.quiet) {
    job.password = [&](const zip::PasswordQuestion& question) {
      return passwords.Answer(question, [&](const zip::PasswordQuestion& told) {
        return AskPassword(kTool, archive.native(), tools::PasswordNote(told));
      });
    };
  }
  passwords.Begin();
  zip::Error error = RunJob(job, [&](zip::Observer& observer) {
    return zip::ExtractArchive(archive, kind, scratch.path(), observer, report);
  });
  // No password: asked and cancelled, which skips the archive, or one that shows no window.
  if (error.kind == zip::Failure::Encrypted) {
    if (line.quiet) Tell(kTool, zip::Utf8Text(archive) + ": needs a password", Tone::Failure, true);
    return kFailed;
  }
  if (!error) passwords.Opened();
  if (error) {
    error.file = error.file.empty() ? archive : scratch.Shown(error.file, folder / name);  // never the hidden folder
    return Fail(kTool, error, line.quiet);
  }
  CopyMarkOfTheWeb(archive, scratch.path());

  // Everything under one folder: that folder goes beside the archive, not "Photos\Photos"; a
  // compressed file goes there itself.
  DWORD moveError = ERROR_SUCCESS;
  const Path single = report.topLevel.size() == 1 ? scratch.path() / zip::Utf8Path(report.topLevel.front()) : Path();
  const DWORD attributes = single.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(LongPath(single).c_str());
  const bool singleFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const bool singleFile = zip::HoldsOneFile(kind) && attributes != INVALID_FILE_ATTRIBUTES && !singleFolder;
  const std::optional<Path> result =
      singleFolder ? MoveToFreeName(single, folder, single.filename(), {}, moveError)
      : singleFile ? MoveToFreeName(single, folder, single.stem(), single.extension(), moveError)
                   : scratch.MoveTo(folder, name, moveError);
  if (!result) return Fail(kTool, zip::os::SystemError(folder / name, moveError), line.quiet);
  made.push_back(*result);
  const tools::ExtractNotes notes = tools::NotesOn(zip::Utf8Text(archive), report);
  if (notes.text.empty()) return kDone;
  Tell(kTool, notes.text, notes.leftOut ? Tone::Warning : Tone::Notice, line.quiet);
  return notes.leftOut ? kFailed : kDone;
}

int ExtractEach(const CommandLine& line, std::vector<Path>& made) {
  int exit = kDone;
  tools::Passwords passwords;
  for (const Path& archive : line.paths) {
    const int result = Extract(archive, line, passwords, made);
    if (result == kCancelled) return kCancelled;
    if (result != kDone) exit = result;
  }
  return exit;
}

// Left out of a selection unless it is of a kind extracted, with what it is.
std::optional<std::string_view> LeavesOut(const Path& path) {
  const zip::ArchiveKind kind = zip::ArchiveKindOf(path);
  if (zip::Extractable(kind)) return std::nullopt;
  return tools::Unextractable(kind);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
  return ToolMain({.name = kTool,
                   .destinationOption = L"-d",
                   .usage = kUsage,
                   .choose = {.title = L"Choose archives to extract",
                              .filterName = zip::Utf8Path(std::string("Archives (").append(zip::ExtractablePatterns("; ")).append(")")).native(),
                              .filter = zip::Utf8Path(zip::ExtractablePatterns(";")).native()},
                   .leavesOut = LeavesOut,
                   .kind = "an archive",
                   .kinds = "archives",
                   .work = ExtractEach});
}

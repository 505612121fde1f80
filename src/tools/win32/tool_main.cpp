#include "tools/win32/tool_main.h"

#include <exception>
#include <new>
#include <string>

#include "base/harden.h"
#include "tools/failure_text.h"
#include "tools/left_out.h"
#include "tools/selection_key.h"
#include "base/handles.h"
#include "tools/win32/report.h"
#include "tools/win32/selection_claim.h"
#include "tools/win32/shell_window.h"
#include "base/text.h"

namespace tools::win32 {

using namespace base;

namespace {

using zip::os::Path;

std::string Paragraphs(const std::string& first, const std::string& second) {
  return first.empty() || second.empty() ? first + second : first + "\n\n" + second;
}

// The key of what is selected: the files and folders, and the items that are not on a disk.
std::string KeyOf(const Selection& selection) {
  std::vector<std::string> items = selection.others;
  for (const Path& path : selection.paths) items.push_back(Utf8(path.native()));
  return SelectionKey(items);
}

// Works on what was selected or chosen, selects what it made where the user is, and names what
// it left out.
int WorkOn(const Tool& tool, Selection selection) {
  CommandLine line;
  line.paths = std::move(selection.paths);
  std::vector<std::string> notTaken;
  std::vector<Named> named;
  if (tool.leavesOut) {
    std::erase_if(line.paths, [&](const Path& path) {
      const std::optional<std::string_view> what = tool.leavesOut(path);
      if (!what) return false;
      if (what->empty()) {
        notTaken.push_back(Utf8(path.native()));
      } else {
        named.push_back({Utf8(path.native()), *what});
      }
      return true;
    });
  }
  const std::string name = Utf8(tool.name);
  const std::string leftOut =
      Paragraphs(LeftOutText(name, "a file or folder on a disk", "files or folders on a disk", selection.others),
                 Paragraphs(UnextractableText(name, named), LeftOutText(name, tool.kind, tool.kinds, notTaken)));

  int exit = kDone;
  std::vector<Path> made;
  if (!line.paths.empty()) exit = tool.work(line, made);
  if (!made.empty()) {
    if (selection.window) {
      SelectInWindow(selection.window, made);
    } else {
      ShowInFolder(made);
    }
  }
  if (exit == kCancelled || leftOut.empty()) return exit;
  Tell(tool.name, leftOut, Tone::Warning, /*quiet=*/false);
  return kFailed;
}

// The tool started with nothing to work on, as a hotkey starts it.
int WorkOnSelection(const Tool& tool, HWND front) {
  Selection selection = FrontSelection(front);
  if (!selection.paths.empty() || !selection.others.empty()) {
    // A hotkey held down starts a copy per key repeat, all on this selection: the first claims it,
    // works and tells of it, the others end at once, quietly, as if done. Repeats go on while the
    // hotkey is held, after a short work too: so is the claim.
    const SelectionClaim claim(tool.name, KeyOf(selection));
    if (claim.Taken()) return kDone;
    const int exit = WorkOn(tool, std::move(selection));
    claim.HoldForRepeats();
    return exit;
  }
  // What is chosen in the file dialog was chosen once: no claim.
  const Choice choice = Choose(tool.choose, selection.folder);
  if (choice.result == HRESULT_FROM_WIN32(ERROR_CANCELLED)) return kCancelled;
  if (choice.paths.empty()) {
    Tell(tool.name, tool.usage, Tone::Notice, /*quiet=*/false);
    return kFailed;
  }
  selection.paths = choice.paths;
  selection.window = nullptr;  // no window to show the result in; a folder window is opened
  return WorkOn(tool, std::move(selection));
}

int Run(const Tool& tool, const CommandLine& line, HWND front) {
  if (!line.error.empty()) {
    Tell(tool.name, line.error + "\n\n" + std::string(tool.usage), Tone::Failure, line.quiet);
    return kFailed;
  }
  if (!line.paths.empty()) {
    std::vector<Path> made;
    return tool.work(line, made);
  }
  if (line.quiet || line.to) {  // options, but nothing to apply them to
    Tell(tool.name, tool.usage, Tone::Notice, line.quiet);
    return kFailed;
  }
  return WorkOnSelection(tool, front);
}

}  // namespace

int ToolMain(const Tool& tool) {
  base::Harden();
  const HWND front = GetForegroundWindow();  // what the user was looking at when the hotkey was pressed
  const CommandLine line = ParseCommandLine(tool.destinationOption);
  // Unwinding to here removes the scratch folders on the way; a message says what went wrong.
  try {
    return Run(tool, line, front);
  } catch (const std::bad_alloc&) {
    Tell(tool.name, "There is not enough memory for this.", Tone::Failure, line.quiet);
  } catch (const std::exception& error) {
    Tell(tool.name, error.what(), Tone::Failure, line.quiet);
  }
  return kFailed;
}

int Fail(std::wstring_view tool, const zip::Error& error, bool quiet) {
  if (error.kind == zip::Failure::Cancelled) return kCancelled;
  Tell(tool, FailureText(error), Tone::Failure, quiet);
  return kFailed;
}

}  // namespace tools::win32

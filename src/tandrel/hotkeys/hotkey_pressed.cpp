#include <string>

#include "core/app_info.h"
#include "hotkeys/frm_hotkeys.h"
#include "platform/system.h"
#include "platform/window.h"

namespace tandrel {

void FrmHotKeys::HotkeyPressed(int id) {
  const char* tool = id == 1 ? "\\Cramlet.exe" : id == 2 ? "\\Spillet.exe" : nullptr;
  if (tool == nullptr) return;
  const std::string path = platform::ProgramFolder() + tool;
  const platform::StartResult result = platform::StartProgram(path);
  // A tool that will not start is worth a word; the next press simply tries again. A held key
  // repeats its hotkey while the box is open: one box is enough.
  if (!result.started && !failureShown_) {
    failureShown_ = true;
    platform::MessageBoxOk("Tandrel could not start\n" + path + "\n\n" + result.reason + ".", kAppTitle);
    failureShown_ = false;
  }
}

}  // namespace tandrel

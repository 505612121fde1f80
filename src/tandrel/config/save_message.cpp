#include "config/save_message.h"

#include "core/app_info.h"

namespace tandrel {
namespace {

std::string HotkeyProblem(const HotkeyRegistration& hotkey, const std::array<HotkeyRegistration, 2>& both) {
  const std::string name = HotkeyName(hotkey);
  const std::string which = "hotkey " + std::to_string(hotkey.id);
  const HotkeyRegistration& other = both[hotkey.id == 1 ? 1 : 0];
  const bool sameAsOther = !other.refused && other.modifiers == hotkey.modifiers && other.virtualKey == hotkey.virtualKey;
  if (sameAsOther) return name + " is hotkey " + std::to_string(other.id) + " already, so " + which + " is not active.";
  return name + " is in use by another program, so " + which + " is not active.";
}

}  // namespace

std::string SaveMessage(const SaveOutcome& outcome) {
  std::string message = outcome.stored ? "Settings saved!"
                                       : "The settings could not be saved: Windows refused to store them.";
  std::string problems;
  if (outcome.hotkeys) {
    for (const HotkeyRegistration& hotkey : *outcome.hotkeys) {
      if (hotkey.refused) problems += "\n" + HotkeyProblem(hotkey, *outcome.hotkeys);
    }
  }
  const std::string app(kAppTitle);
  if (outcome.startupEntryNotAdded) problems += "\n" + app + " could not add itself to the programs that start with Windows.";
  if (outcome.startupEntryNotRemoved) {
    problems += "\n" + app + " could not remove itself from the programs that start with Windows.";
  }
  return problems.empty() ? message : message + "\n" + problems;
}

}  // namespace tandrel

#pragma once
// What the configuration window tells the user after OK.
#include <array>
#include <optional>
#include <string>

#include "hotkeys/module1.h"

namespace tandrel {

struct SaveOutcome {
  bool stored = true;  // every setting written
  std::optional<std::array<HotkeyRegistration, 2>> hotkeys;  // none when there was no hotkey window
  bool startupEntryNotAdded = false;
  bool startupEntryNotRemoved = false;
};

// "Settings saved!" when they were, followed by each thing that did not take effect.
std::string SaveMessage(const SaveOutcome& outcome);

}  // namespace tandrel

#include <string>

#include "core/numeric.h"
#include "core/settings.h"
#include "hotkeys/module1.h"
#include "platform/system.h"

namespace tandrel {
namespace {

bool ModifierOn(const std::string& section, const char* key, const char* fallback) {
  return RoundToInt32(NumericReading(GetSetting(section, key, fallback))) != 0;
}

void RegisterHotkey(platform::Hwnd hwnd, int id, const char* defaultKey) {
  const std::string section = "Hotkey" + std::to_string(id);
  const bool ctrl = ModifierOn(section, "Ctrl", "1");
  const bool alt = ModifierOn(section, "Alt", "1");
  const bool shift = ModifierOn(section, "Shift", "0");
  const std::string key = GetSetting(section, "Key", defaultKey);

  unsigned int flags = 0;
  if (ctrl) flags += kModControl;
  if (alt) flags += kModAlt;
  if (shift) flags += kModShift;
  const unsigned int virtualKey = platform::AnsiCodeOfFirstCharUpper(key);

  // The old registration goes in every case; a new one only for a complete combination.
  platform::UnregisterHotKey(hwnd, id);
  if (flags != 0 && virtualKey != 0) platform::RegisterHotKey(hwnd, id, flags, virtualKey);
}

}  // namespace

void RegisterHotkeys(platform::Hwnd hwnd) {
  RegisterHotkey(hwnd, 1, "Z");
  RegisterHotkey(hwnd, 2, "U");
}

}  // namespace tandrel

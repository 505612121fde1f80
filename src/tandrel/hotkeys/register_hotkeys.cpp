#include <string>

#include "core/numeric.h"
#include "core/setting_table.h"
#include "hotkeys/module1.h"
#include "platform/system.h"

namespace tandrel {
namespace {

bool ModifierOn(const Setting& setting) { return RoundToInt32(NumericReading(GetSetting(setting))) != 0; }

// The length of the UTF-8 character that starts text.
std::size_t FirstCharLength(std::string_view text) {
  std::size_t length = 1;
  while (length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) ++length;
  return text.empty() ? 0 : length;
}

HotkeyRegistration RegisterHotkey(platform::Hwnd hwnd, int id, const HotkeySettings& settings) {
  const bool ctrl = ModifierOn(settings.ctrl);
  const bool alt = ModifierOn(settings.alt);
  const bool shift = ModifierOn(settings.shift);
  const std::string key = GetSetting(settings.key);

  HotkeyRegistration hotkey;
  hotkey.id = id;
  if (ctrl) hotkey.modifiers += kModControl;
  if (alt) hotkey.modifiers += kModAlt;
  if (shift) hotkey.modifiers += kModShift;
  hotkey.virtualKey = platform::AnsiCodeOfFirstCharUpper(key);
  hotkey.key = key.substr(0, FirstCharLength(key));

  // The old registration goes in every case; a new one only for a complete combination.
  platform::UnregisterHotKey(hwnd, id);
  if (hotkey.modifiers != 0 && hotkey.virtualKey != 0) {
    hotkey.refused = !platform::RegisterHotKey(hwnd, id, hotkey.modifiers, hotkey.virtualKey);
  }
  return hotkey;
}

}  // namespace

std::array<HotkeyRegistration, 2> RegisterHotkeys(platform::Hwnd hwnd) {
  return {RegisterHotkey(hwnd, 1, kHotkeySettings[0]), RegisterHotkey(hwnd, 2, kHotkeySettings[1])};
}

std::string HotkeyName(const HotkeyRegistration& hotkey) {
  std::string name;
  if (hotkey.modifiers & kModControl) name += "Ctrl+";
  if (hotkey.modifiers & kModAlt) name += "Alt+";
  if (hotkey.modifiers & kModShift) name += "Shift+";
  std::string key = hotkey.key;
  if (key.size() == 1 && key[0] >= 'a' && key[0] <= 'z') key[0] = static_cast<char>(key[0] - 'a' + 'A');
  return name + key;
}

}  // namespace tandrel

#pragma once
// Every setting the program keeps, each one's section, key and default written once for all
// that read and write it.
#include <array>
#include <string>
#include <string_view>

#include "core/settings.h"

namespace tandrel {

struct Setting {
  std::string_view section;
  std::string_view key;
  std::string_view fallback;  // what it reads as when nothing is stored
};

inline constexpr Setting kAutoboot{"start", "autoboot", "0"};
// No default: a missing marker reads as the empty text, which is a first start.
inline constexpr Setting kConfigured{"start", "configured", ""};

// A hotkey's modifiers ("1" on, "0" off) and its key.
struct HotkeySettings {
  Setting ctrl, alt, shift, key;
};

inline constexpr std::array<HotkeySettings, 2> kHotkeySettings{{
    {{"Hotkey1", "Ctrl", "1"}, {"Hotkey1", "Alt", "1"}, {"Hotkey1", "Shift", "0"}, {"Hotkey1", "Key", "Z"}},
    {{"Hotkey2", "Ctrl", "1"}, {"Hotkey2", "Alt", "1"}, {"Hotkey2", "Shift", "0"}, {"Hotkey2", "Key", "U"}},
}};

inline std::string GetSetting(const Setting& setting) {
  return GetSetting(setting.section, setting.key, setting.fallback);
}

inline bool SaveSetting(const Setting& setting, std::string_view text) {
  return SaveSetting(setting.section, setting.key, text);
}

}  // namespace tandrel

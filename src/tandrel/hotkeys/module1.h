#pragma once
// The hotkey window's message hook and the registration of the two hotkeys.
#include <array>
#include <cstdint>
#include <string>

#include "platform/types.h"

namespace tandrel {

// The window procedure that stood before Hook; 0 while no hook is installed.
extern platform::WndProc PrevWndProc;
// The window Hook was given; never cleared.
extern platform::Hwnd HookedHwnd;

void Hook(platform::Hwnd hwnd);
void Unhook();
std::intptr_t PLATFORM_CALLBACK WindowProc(platform::Hwnd hwnd, unsigned int msg,
                                           std::uintptr_t wParam, std::intptr_t lParam);

inline constexpr unsigned int kModAlt = 0x0001;
inline constexpr unsigned int kModControl = 0x0002;
inline constexpr unsigned int kModShift = 0x0004;

// One hotkey as the settings make it, and what the system said to it.
struct HotkeyRegistration {
  int id = 0;
  unsigned int modifiers = 0;
  unsigned int virtualKey = 0;
  std::string key;        // the first character of the key text, as stored
  bool refused = false;   // complete, but the system would not register it
};

// Replaces both registrations for hwnd from the stored settings.
std::array<HotkeyRegistration, 2> RegisterHotkeys(platform::Hwnd hwnd);

// How a user writes the combination: "Ctrl+Alt+U".
std::string HotkeyName(const HotkeyRegistration& hotkey);

}  // namespace tandrel

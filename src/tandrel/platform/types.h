#pragma once
// The few system types the program's logic passes around, opaque to it.
#include <cstdint>

// The system's own names for them, so that its handles pass through unchanged.
struct HWND__;   // NOLINT(bugprone-reserved-identifier)
struct HICON__;  // NOLINT(bugprone-reserved-identifier)

namespace platform {

using Hwnd = HWND__*;
using Hicon = HICON__*;

// A window procedure has the system's calling convention on 32-bit Windows.
#if defined(_WIN32) && !defined(_WIN64)
#define PLATFORM_CALLBACK __stdcall
#else
#define PLATFORM_CALLBACK
#endif

using WndProc = std::intptr_t(PLATFORM_CALLBACK*)(Hwnd, unsigned int, std::uintptr_t, std::intptr_t);

inline constexpr unsigned int kWmHotkey = 0x0312;
// The tray reports mouse events over its icon with this message of the program's own.
inline constexpr unsigned int kTrayCallbackMessage = 0x8001;  // WM_APP + 1

// Twips per pixel at 96 dots per inch; layouts are designed in twips.
inline constexpr int kTwipsPerPixel = 15;

}  // namespace platform

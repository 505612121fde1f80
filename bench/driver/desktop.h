#pragma once
// What the driver can see of the desktop without touching the programs: their windows, the
// hotkeys they hold, the icons in Wine's notification area.
#include <windows.h>

#include <vector>

// The first top-level window of the process with this exact title (hidden ones included).
HWND FindTopWindow(DWORD pid, const wchar_t* title, const wchar_t* className = nullptr);

// Every window of the process, top-level and child.
std::vector<HWND> WindowsOf(DWORD pid);

// True when another program holds both Ctrl+Alt+Z and Ctrl+Alt+U. The probe registers the
// combination itself when it is free and lets it go at once, so call it only after the
// program under test has had its chance to register.
bool HotkeysHeld();
bool HotkeysFree();

// Icons in Wine's notification area.
int TrayIcons();

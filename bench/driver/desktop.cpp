#include "desktop.h"

#include <cwchar>

namespace {

struct Search {
  DWORD pid;
  const wchar_t* title;
  const wchar_t* className;
  HWND found;
};

BOOL CALLBACK MatchTop(HWND hwnd, LPARAM param) {
  auto& search = *reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != search.pid) return TRUE;
  wchar_t text[128];
  if (GetWindowTextW(hwnd, text, 128) == 0 || std::wcscmp(text, search.title) != 0) return TRUE;
  if (search.className != nullptr) {
    if (GetClassNameW(hwnd, text, 128) == 0 || std::wcscmp(text, search.className) != 0) return TRUE;
  }
  search.found = hwnd;
  return FALSE;
}

struct Collect {
  DWORD pid;
  std::vector<HWND>* windows;
};

BOOL CALLBACK AddChild(HWND hwnd, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

BOOL CALLBACK AddTop(HWND hwnd, LPARAM param) {
  auto& collect = *reinterpret_cast<Collect*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == collect.pid) {
    collect.windows->push_back(hwnd);
    EnumChildWindows(hwnd, AddChild, reinterpret_cast<LPARAM>(collect.windows));
  }
  return TRUE;
}

// RegisterHotKey fails with this error exactly when another window holds the combination.
bool Held(UINT key) {
  if (RegisterHotKey(nullptr, 0xBE00 + key, MOD_CONTROL | MOD_ALT, key)) {
    UnregisterHotKey(nullptr, 0xBE00 + key);
    return false;
  }
  return GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED;
}

}  // namespace

HWND FindTopWindow(DWORD pid, const wchar_t* title, const wchar_t* className) {
  Search search{pid, title, className, nullptr};
  EnumWindows(MatchTop, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> WindowsOf(DWORD pid) {
  std::vector<HWND> windows;
  Collect collect{pid, &windows};
  EnumWindows(AddTop, reinterpret_cast<LPARAM>(&collect));
  return windows;
}

bool HotkeysHeld() { return Held('Z') && Held('U'); }

bool HotkeysFree() { return !Held('Z') && !Held('U'); }

// Wine's X11 driver gives each icon a window: a child of its own tray window when no X
// notification area is running, a top-level window docked into the X one otherwise.
int TrayIcons() {
  int icons = 0;
  for (HWND icon = nullptr; (icon = FindWindowExW(nullptr, icon, L"__winex11_tray_icon", nullptr));) ++icons;
  const HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
  if (tray == nullptr) return icons;
  for (HWND icon = nullptr; (icon = FindWindowExW(tray, icon, L"__winex11_tray_icon", nullptr));) ++icons;
  return icons;
}

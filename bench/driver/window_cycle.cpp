#include "window_cycle.h"

#include "clock.h"
#include "desktop.h"

namespace {

constexpr UINT kTrayCallback = WM_APP + 1;  // Tandrel's uCallbackMessage
constexpr int kConfigureButton = 100;
constexpr double kPatienceMs = 10000;

// Polls every millisecond: the driver's own load stays negligible.
template <typename Condition>
bool WaitFor(Condition condition) {
  const long long start = Ticks();
  while (!condition()) {
    if (MsSince(start) > kPatienceMs) return false;
    Sleep(1);
  }
  return true;
}

HWND VisibleWindow(DWORD pid, const wchar_t* title) {
  const HWND hwnd = FindTopWindow(pid, title);
  return hwnd != nullptr && IsWindowVisible(hwnd) ? hwnd : nullptr;
}

HWND VisibleMenu(DWORD pid) {
  for (HWND menu = nullptr; (menu = FindWindowExW(nullptr, menu, L"#32768", nullptr));) {
    DWORD owner = 0;
    GetWindowThreadProcessId(menu, &owner);
    if (owner == pid && IsWindowVisible(menu)) return menu;
  }
  return nullptr;
}

std::wstring CloseWindow(DWORD pid, const wchar_t* title) {
  HWND hwnd = nullptr;
  if (!WaitFor([&] { return (hwnd = VisibleWindow(pid, title)) != nullptr; })) {
    return std::wstring(L"\"") + title + L"\" did not open";
  }
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
  if (!WaitFor([&] { return FindTopWindow(pid, title) == nullptr; })) {
    return std::wstring(L"\"") + title + L"\" did not close";
  }
  return {};
}

// The notification area's message for a right-button release on the icon, then the keyboard:
// Down moves through the items (separators skipped), Enter chooses.
std::wstring FromTrayMenu(DWORD pid, int downs, const wchar_t* title) {
  const HWND host = FindTopWindow(pid, L"Systray form");
  if (host == nullptr) return L"no \"Systray form\"";
  PostMessageW(host, kTrayCallback, 1, WM_RBUTTONUP);
  HWND menu = nullptr;
  if (!WaitFor([&] { return (menu = VisibleMenu(pid)) != nullptr; })) return L"the tray menu did not open";
  for (int i = 0; i < downs; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 1);
  PostMessageW(menu, WM_CHAR, L'\r', 1);
  return CloseWindow(pid, title);
}

std::wstring FromConfigureButton(DWORD pid) {
  const HWND form1 = FindTopWindow(pid, L"Form1");
  const HWND button = form1 != nullptr ? GetDlgItem(form1, kConfigureButton) : nullptr;
  if (button == nullptr) return L"no \"Configure\" button on Form1";
  PostMessageW(button, BM_CLICK, 0, 0);
  return CloseWindow(pid, L"Tandrel configuration");
}

}  // namespace

std::wstring CycleWindows(const Running& tandrel) {
  const DWORD pid = tandrel.pid();
  std::wstring error = FromConfigureButton(pid);
  if (error.empty()) error = FromTrayMenu(pid, 2, L"About Tandrel");
  if (error.empty()) error = FromTrayMenu(pid, 4, L"Support tandrel.example");
  return error;
}

// Spy DLL: Wine loads it into Tandrel when the hook the test sets on its UI thread first fires.
#include <cwchar>

#include "spy_shared.h"

namespace {

template <typename Use>
void WithReport(Use use) {
  HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, e2e::kSpyMappingName);
  if (!mapping) return;
  if (auto* report =
          static_cast<e2e::SpyReport*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(e2e::SpyReport)))) {
    use(*report);
    UnmapViewOfFile(report);
  }
  CloseHandle(mapping);
}

void CopyMenu(HMENU menu) {
  const int count = GetMenuItemCount(menu);
  if (count <= 0) return;
  wchar_t text[4096] = L"";
  for (int i = 0; i < count; ++i) {
    wchar_t item[256] = L"";
    if (GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR)
      wcscpy(item, e2e::kSeparatorLine);
    else
      GetMenuStringW(menu, i, item, 256, MF_BYPOSITION);
    if (wcslen(text) + wcslen(item) + 2 > 4096) break;
    wcscat(text, item);
    wcscat(text, L"\n");
  }
  WithReport([&](e2e::SpyReport& report) {
    wcscpy(report.menuLines, text);
    InterlockedIncrement(&report.menuSequence);
  });
}

bool TrayShown() {
  HWND tray = FindWindowW(nullptr, e2e::kTrayTitle);
  return tray && IsWindowVisible(tray);
}

bool IsTrayHost(HWND hwnd) {
  wchar_t title[32] = L"";
  return GetWindowTextW(hwnd, title, 32) && wcscmp(title, e2e::kTrayHostTitle) == 0;
}

bool IsPopupMenuWindow(HWND hwnd) {
  wchar_t name[16] = L"";
  return GetClassNameW(hwnd, name, 16) && wcscmp(name, L"#32768") == 0;
}

bool HotkeyHeld(UINT key) {
  if (!RegisterHotKey(nullptr, 0x7e2e, MOD_CONTROL | MOD_ALT, key)) return true;
  UnregisterHotKey(nullptr, 0x7e2e);
  return false;
}

}  // namespace

// A menu popped with TPM_NONOTIFY sends no WM_INITMENUPOPUP nor WM_MENUSELECT: the popup
// window (class #32768) showing is the cue too.
extern "C" __declspec(dllexport) LRESULT CALLBACK SpyHookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (msg->message == WM_INITMENUPOPUP)
      CopyMenu(reinterpret_cast<HMENU>(msg->wParam));
    else if (msg->message == WM_MENUSELECT && msg->lParam)
      CopyMenu(reinterpret_cast<HMENU>(msg->lParam));
    else if ((msg->message == WM_SHOWWINDOW || msg->message == WM_WINDOWPOSCHANGED) && IsPopupMenuWindow(msg->hwnd))
      CopyMenu(reinterpret_cast<HMENU>(SendMessageW(msg->hwnd, MN_GETHMENU, 0, 0)));
    else if (msg->message == WM_DESTROY && IsTrayHost(msg->hwnd)) {
      const LONG shown = TrayShown();
      WithReport([&](e2e::SpyReport& report) { report.trayShownAtHostDestroy = shown; });
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // reserved != nullptr: the process is ending (not an unload). Its windows and hotkeys
  // still stand here, unless the program let go of them itself.
  if (reason == DLL_PROCESS_DETACH && reserved) {
    const LONG trayShown = TrayShown();
    const LONG held = LONG(HotkeyHeld('Z')) + LONG(HotkeyHeld('U'));
    WithReport([&](e2e::SpyReport& report) {
      report.trayShownAtExit = trayShown;
      report.hotkeysHeldAtExit = held;
      InterlockedExchange(&report.exited, 1);
    });
  }
  return TRUE;
}

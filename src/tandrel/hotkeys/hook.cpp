#include "core/program.h"
#include "hotkeys/module1.h"
#include "platform/system.h"

namespace tandrel {

platform::WndProc PrevWndProc = nullptr;
platform::Hwnd HookedHwnd = nullptr;

void Hook(platform::Hwnd hwnd) {
  HookedHwnd = hwnd;
  PrevWndProc = platform::SetWindowProcedure(hwnd, WindowProc);
}

void Unhook() {
  if (PrevWndProc == nullptr) return;
  platform::SetWindowProcedure(HookedHwnd, PrevWndProc);
  PrevWndProc = nullptr;
}

std::intptr_t PLATFORM_CALLBACK WindowProc(platform::Hwnd hwnd, unsigned int msg,
                                           std::uintptr_t wParam, std::intptr_t lParam) {
  if (msg == platform::kWmHotkey && (wParam == 1 || wParam == 2)) {
    App().frmHotKeys.HotkeyPressed(static_cast<int>(wParam));
  }
  return platform::CallWindowProcedure(PrevWndProc, hwnd, msg, wParam, lParam);
}

}  // namespace tandrel

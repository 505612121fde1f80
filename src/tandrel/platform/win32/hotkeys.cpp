// System-wide hotkeys and replacing a window's procedure.
#include <windows.h>

#include "platform/system.h"

namespace platform {

bool RegisterHotKey(Hwnd hwnd, int id, unsigned int modifiers, unsigned int virtualKey) {
  return ::RegisterHotKey(hwnd, id, modifiers, virtualKey) != FALSE;
}

bool UnregisterHotKey(Hwnd hwnd, int id) { return ::UnregisterHotKey(hwnd, id) != FALSE; }

WndProc SetWindowProcedure(Hwnd hwnd, WndProc proc) {
  return reinterpret_cast<WndProc>(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}

std::intptr_t CallWindowProcedure(WndProc proc, Hwnd hwnd, unsigned int msg, std::uintptr_t wParam,
                                  std::intptr_t lParam) {
  return CallWindowProcW(reinterpret_cast<WNDPROC>(proc), hwnd, msg, wParam, lParam);
}

}  // namespace platform

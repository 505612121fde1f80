// The message loop, with the dialog manager's keyboard handling on every form.
#include <windows.h>

#include "platform/system.h"

namespace platform {

int RunMessageLoop() {
  MSG msg{};
  while (GetMessageW(&msg, /* hWnd= */ nullptr, /* filterMin= */ 0, /* filterMax= */ 0) > 0) {
    // Tab moves between controls and Space or Enter presses the focused button.
    const HWND form = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (form && IsDialogMessageW(form, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

void PostQuit() { PostQuitMessage(/* exitCode= */ 0); }

void EndNow() { ExitProcess(/* exitCode= */ 0); }

}  // namespace platform

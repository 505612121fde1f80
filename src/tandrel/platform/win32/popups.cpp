// Pop-up menus at the cursor and message boxes.
#include "base/text.h"
#include "platform/win32/window_state.h"

namespace platform {

int Window::PopupMenu(const std::vector<MenuItem>& items) {
  const base::OwnedMenu menu(CreatePopupMenu());
  for (const MenuItem& item : items) {
    if (item.caption == "-") {
      AppendMenuW(menu.get(), MF_SEPARATOR, /* id= */ 0, /* text= */ nullptr);
    } else {
      AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(item.id), base::Wide(item.caption).c_str());
    }
  }
  const HWND hwnd = handle();
  // Without the foreground the menu would stay open when the user clicks elsewhere.
  SetForegroundWindow(hwnd);
  POINT cursor{};
  GetCursorPos(&cursor);
  const BOOL chosen = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY, cursor.x, cursor.y,
                                     /* reserved= */ 0, hwnd, /* rect= */ nullptr);
  // Lets the menu close properly the next time it is shown from the tray.
  PostMessageW(hwnd, WM_NULL, /* unused= */ 0, /* unused= */ 0);
  return chosen;
}

void MessageBoxOk(std::string_view text, std::string_view caption, Hwnd owner) {
  MessageBoxW(owner, base::Wide(text).c_str(), base::Wide(caption).c_str(),
              MB_OK | MB_SETFOREGROUND);
}

}  // namespace platform

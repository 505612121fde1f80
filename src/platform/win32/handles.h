#pragma once
// One owner for each system handle, closed when the owner goes.
#include <windows.h>

#include <utility>

namespace platform::win32 {

template <typename Handle, void (*Close)(Handle)>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle handle) : handle_(handle) {}
  ~Owned() { reset(); }
  Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, Handle{}));
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  Handle get() const { return handle_; }
  void reset(Handle handle = Handle{}) {
    if (handle_) Close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_{};
};

namespace close {
inline void Icon(HICON icon) { DestroyIcon(icon); }
inline void Font(HFONT font) { DeleteObject(font); }
inline void Menu(HMENU menu) { DestroyMenu(menu); }
inline void Kernel(HANDLE handle) { CloseHandle(handle); }
inline void ScreenDc(HDC dc) { ReleaseDC(/* hWnd= */ nullptr, dc); }
// Cut the window off from its procedure's state first: messages sent while it
// goes (WM_DESTROY, WM_NCDESTROY) must not reach an object being destroyed.
inline void Window(HWND window) {
  SetWindowLongPtrW(window, GWLP_USERDATA, /* state= */ 0);
  DestroyWindow(window);
}
}  // namespace close

using OwnedIcon = Owned<HICON, close::Icon>;
using OwnedFont = Owned<HFONT, close::Font>;
using OwnedMenu = Owned<HMENU, close::Menu>;
using OwnedHandle = Owned<HANDLE, close::Kernel>;
using OwnedScreenDc = Owned<HDC, close::ScreenDc>;
using OwnedWindow = Owned<HWND, close::Window>;

}  // namespace platform::win32

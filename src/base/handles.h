#pragma once
// One owner for each system handle and COM object, let go of when the owner goes: Tandrel's, the
// zip engine's and the tools'.
#include <windows.h>
#include <objbase.h>

#include <utility>

namespace base {

// Kernel calls fail with one of two values; an owner holds either as nothing.
template <typename Handle>
Handle Normal(Handle handle) {
  return handle;
}
inline HANDLE Normal(HANDLE handle) { return handle == INVALID_HANDLE_VALUE ? nullptr : handle; }

template <typename Handle, void (*Close)(Handle)>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle handle) : handle_(Normal(handle)) {}
  ~Owned() { reset(); }
  Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, Handle{}));
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Handle{}; }
  Handle release() { return std::exchange(handle_, Handle{}); }  // to a taker that frees it
  void reset(Handle handle = Handle{}) {
    if (handle_) Close(handle_);
    handle_ = Normal(handle);
  }

 private:
  Handle handle_{};
};

namespace close {
inline void Icon(HICON icon) { DestroyIcon(icon); }
inline void Font(HFONT font) { DeleteObject(font); }
inline void Region(HRGN region) { DeleteObject(region); }
inline void Menu(HMENU menu) { DestroyMenu(menu); }
inline void Kernel(HANDLE handle) { CloseHandle(handle); }
inline void Search(HANDLE handle) { FindClose(handle); }
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
using OwnedRegion = Owned<HRGN, close::Region>;
using OwnedMenu = Owned<HMENU, close::Menu>;
using OwnedHandle = Owned<HANDLE, close::Kernel>;
using OwnedSearch = Owned<HANDLE, close::Search>;
using OwnedScreenDc = Owned<HDC, close::ScreenDc>;
using OwnedWindow = Owned<HWND, close::Window>;

template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  Interface* operator->() const { return pointer_; }
  Interface* get() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  void** out() {
    reset();
    return reinterpret_cast<void**>(&pointer_);
  }
  Interface** put() {
    reset();
    return &pointer_;
  }
  void reset() {
    if (pointer_) std::exchange(pointer_, nullptr)->Release();
  }

 private:
  Interface* pointer_ = nullptr;
};

// Memory the shell hands out with CoTaskMemAlloc: names, item ID lists.
template <typename Type>
class CoMemory {
 public:
  CoMemory() = default;
  ~CoMemory() { CoTaskMemFree(pointer_); }
  CoMemory(CoMemory&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  CoMemory& operator=(CoMemory&& other) noexcept {
    if (this != &other) CoTaskMemFree(std::exchange(pointer_, std::exchange(other.pointer_, nullptr)));
    return *this;
  }
  CoMemory(const CoMemory&) = delete;
  CoMemory& operator=(const CoMemory&) = delete;

  Type* get() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  Type** put() {
    CoTaskMemFree(std::exchange(pointer_, nullptr));
    return &pointer_;
  }

 private:
  Type* pointer_ = nullptr;
};

// COM for this thread, for as long as the owner lives: single-threaded unless asked otherwise.
class ComApartment {
 public:
  explicit ComApartment(COINIT model = COINIT_APARTMENTTHREADED)
      : ok_(SUCCEEDED(CoInitializeEx(nullptr, model | COINIT_DISABLE_OLE1DDE))) {}
  ~ComApartment() {
    if (ok_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool ok_;
};

}  // namespace base

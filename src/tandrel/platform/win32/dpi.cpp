#include "platform/win32/dpi.h"

#include "base/handles.h"

namespace platform::win32 {
namespace {

template <typename Function>
Function User32(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

UINT ScreenDpi() {
  const base::OwnedScreenDc screen(GetDC(/* hWnd= */ nullptr));
  return static_cast<UINT>(GetDeviceCaps(screen.get(), LOGPIXELSY));
}

UINT WindowDpi(HWND hwnd) {
  static const auto getDpiForWindow = User32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  const UINT dpi = getDpiForWindow ? getDpiForWindow(hwnd) : 0;
  return dpi != 0 ? dpi : ScreenDpi();
}

int MetricForDpi(int index, UINT dpi) {
  static const auto getSystemMetricsForDpi = User32<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
  return getSystemMetricsForDpi ? getSystemMetricsForDpi(index, dpi) : GetSystemMetrics(index);
}

RECT FrameForClient(RECT client, DWORD style, DWORD exStyle, UINT dpi) {
  static const auto adjustForDpi = User32<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
  if (!adjustForDpi || !adjustForDpi(&client, style, /* menu= */ FALSE, exStyle, dpi)) {
    AdjustWindowRectEx(&client, style, /* menu= */ FALSE, exStyle);
  }
  return client;
}

}  // namespace platform::win32

#pragma once
// Dots per inch of a window, and metrics at a given DPI. The calls for them came with
// Windows 10; older systems have one DPI for the whole session.
#include <windows.h>

namespace platform::win32 {

UINT ScreenDpi();
UINT WindowDpi(HWND hwnd);
int MetricForDpi(int index, UINT dpi);
// The frame around a client area of the given size at the given DPI.
RECT FrameForClient(RECT client, DWORD style, DWORD exStyle, UINT dpi);

}  // namespace platform::win32

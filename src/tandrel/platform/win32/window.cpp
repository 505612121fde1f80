// A form: its frame, size and place in twips at its DPI, and its icons.
#include <algorithm>
#include <map>
#include <tuple>

#include "platform/win32/dpi.h"
#include "base/text.h"
#include "platform/win32/window_state.h"

namespace platform {
namespace {

struct FrameStyle {
  DWORD style;
  DWORD exStyle;
};

FrameStyle StyleOf(Frame frame) {
  switch (frame) {
    case Frame::FixedSingle:
      return {WS_CAPTION | WS_SYSMENU, 0};
    case Frame::FixedDialog:
      return {WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME};
    case Frame::Sizable:
      break;
  }
  return {WS_OVERLAPPEDWINDOW, 0};
}

}  // namespace

// Each image is loaded once per size for the run: windows come and go, their icons stay the same.
HICON win32::SharedIcon(IconId icon, int size) {
  static std::map<std::tuple<IconId, int>, base::OwnedIcon> loaded;
  base::OwnedIcon& image = loaded[{icon, size}];
  if (!image.get()) {
    const WORD resource = icon == IconId::About ? 2 : 1;
    image.reset(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
  }
  return image.get();
}

void Window::State::SetIcons() {
  if (design.icon == IconId::None) return;
  const HWND hwnd = window.get();
  SendMessageW(hwnd, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(win32::SharedIcon(design.icon, win32::MetricForDpi(SM_CXICON, dpi))));
  SendMessageW(hwnd, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(win32::SharedIcon(design.icon, win32::MetricForDpi(SM_CXSMICON, dpi))));
}

void Window::State::LayOut(const RECT* suggested) {
  const HWND hwnd = window.get();
  if (suggested) {
    SetWindowPos(hwnd, /* after= */ nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    const FrameStyle frame = StyleOf(design.frame);
    const RECT outer = win32::FrameForClient(
        {0, 0, Pixels(design.clientWidthTwips), Pixels(design.clientHeightTwips)}, frame.style, frame.exStyle, dpi);
    SetWindowPos(hwnd, /* after= */ nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  }
  SetIcons();
  // The new fonts are set before the old ones go.
  std::map<std::pair<int, bool>, base::OwnedFont> old;
  old.swap(fonts);
  for (const auto& [control, controlDesign] : controls) {
    if (control) PlaceControl(control, controlDesign);
  }
  ClipCheckBoxes();
  InvalidateRect(hwnd, /* rect= */ nullptr, /* erase= */ TRUE);
}

// Each line at whole pixels, so that it stays sharp at every DPI.
void Window::State::PaintLines(HDC dc) const {
  for (const auto& [control, design] : controls) {
    if (design.kind != ControlKind::Line) continue;
    const COLORREF colour = design.colour == Colour::White ? RGB(255, 255, 255) : RGB(128, 128, 128);
    const int thickness = std::max(1, MulDiv(design.linePixels, static_cast<int>(dpi), 96));
    const RECT line{Pixels(design.leftTwips), Pixels(design.topTwips), Pixels(design.leftTwips + design.widthTwips),
                    Pixels(design.topTwips) + thickness};
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &line, /* text= */ nullptr, 0, /* dx= */ nullptr);  // a solid fill, no brush
  }
}

Window::Window(const WindowSpec& design, WindowEvents& events) : state_(std::make_unique<State>(events, design)) {
  State& state = *state_;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  state.dpi = win32::ScreenDpi();
  const FrameStyle frame = StyleOf(design.frame);

  // Owned windows get no taskbar button; a tool window would get a smaller caption.
  if (design.frame == Frame::FixedDialog) {
    state.owner.reset(
        CreateWindowExW(/* exStyle= */ 0, win32::FormClass(), L"", WS_POPUP, /* x= */ 0, /* y= */ 0,
                        /* width= */ 0, /* height= */ 0, /* parent= */ nullptr, /* menu= */ nullptr, instance,
                        /* param= */ nullptr));
  }

  const bool placed = design.leftTwips && design.topTwips;
  const int left = placed ? state.Pixels(*design.leftTwips) : 0;
  const int top = placed ? state.Pixels(*design.topTwips) : 0;
  const RECT outer = win32::FrameForClient({left, top, left + state.Pixels(design.clientWidthTwips),
                                            top + state.Pixels(design.clientHeightTwips)},
                                           frame.style, frame.exStyle, state.dpi);

  state.window.reset(CreateWindowExW(
      frame.exStyle, win32::FormClass(), base::Wide(design.caption).c_str(), frame.style,
      placed ? outer.left : CW_USEDEFAULT, placed ? outer.top : CW_USEDEFAULT, outer.right - outer.left,
      outer.bottom - outer.top, state.owner.get(), /* menu= */ nullptr, instance, &state));

  // The monitor the window came up on may have another DPI than the session's first one.
  const UINT dpi = win32::WindowDpi(state.window.get());
  if (dpi != state.dpi) {
    state.dpi = dpi;
    state.LayOut(/* suggested= */ nullptr);
  } else {
    state.SetIcons();
  }
}

Window::~Window() = default;

Hwnd Window::handle() const { return state_->window.get(); }

Hicon Window::SmallIcon() const {
  const State& state = *state_;
  if (state.design.icon == IconId::None) return nullptr;
  return win32::SharedIcon(state.design.icon, win32::MetricForDpi(SM_CXSMICON, state.dpi));
}

void Window::SetVisible(bool visible) { ShowWindow(handle(), visible ? SW_SHOW : SW_HIDE); }

bool Window::Visible() const { return IsWindowVisible(handle()) != FALSE; }

void Window::Restore() { ShowWindow(handle(), SW_RESTORE); }

// Showing a window that is shown already leaves it where it is. The tray menu's click gave the
// process the right to take the foreground.
void Window::BringToFront() {
  if (IsIconic(handle())) ShowWindow(handle(), SW_RESTORE);
  SetForegroundWindow(handle());
}

void Window::SetCaption(std::string_view caption) { SetWindowTextW(handle(), base::Wide(caption).c_str()); }

void Window::SetTimer(unsigned int id, unsigned int milliseconds) {
  ::SetTimer(handle(), id, milliseconds, /* procedure= */ nullptr);
}

void Window::KillTimer(unsigned int id) { ::KillTimer(handle(), id); }

}  // namespace platform

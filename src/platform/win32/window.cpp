// A form: its frame, size and place in twips, and its icons.
#include <map>
#include <tuple>

#include "platform/win32/text.h"
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

int ScreenDpi() {
  const win32::OwnedScreenDc screen(GetDC(/* hWnd= */ nullptr));
  return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

// Each image is loaded once for the run: windows come and go, their icons stay the same.
HICON SharedIcon(IconId icon, int widthMetric, int heightMetric) {
  static std::map<std::tuple<IconId, int, int>, win32::OwnedIcon> loaded;
  const int width = GetSystemMetrics(widthMetric);
  const int height = GetSystemMetrics(heightMetric);
  win32::OwnedIcon& image = loaded[{icon, width, height}];
  if (!image.get()) {
    const WORD resource = icon == IconId::About ? 2 : 1;
    image.reset(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource), IMAGE_ICON,
                                              width, height, LR_DEFAULTCOLOR)));
  }
  return image.get();
}

}  // namespace

Window::Window(const WindowSpec& design, WindowEvents& events) : state_(std::make_unique<State>(events)) {
  State& state = *state_;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  state.dpi = ScreenDpi();
  state.visualStyles = !design.neverShown;
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
  RECT outer{left, top, left + state.Pixels(design.clientWidthTwips),
             top + state.Pixels(design.clientHeightTwips)};
  AdjustWindowRectEx(&outer, frame.style, /* menu= */ FALSE, frame.exStyle);

  state.window.reset(CreateWindowExW(
      frame.exStyle, win32::FormClass(), win32::Wide(design.caption).c_str(), frame.style,
      placed ? outer.left : CW_USEDEFAULT, placed ? outer.top : CW_USEDEFAULT, outer.right - outer.left,
      outer.bottom - outer.top, state.owner.get(), /* menu= */ nullptr, instance, &state));

  if (design.icon != IconId::None) {
    state.smallIcon = SharedIcon(design.icon, SM_CXSMICON, SM_CYSMICON);
    const HWND hwnd = state.window.get();
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(SharedIcon(design.icon, SM_CXICON, SM_CYICON)));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(state.smallIcon));
  }
}

Window::~Window() = default;

Hwnd Window::handle() const { return state_->window.get(); }

Hicon Window::SmallIcon() const { return state_->smallIcon; }

void Window::SetVisible(bool visible) { ShowWindow(handle(), visible ? SW_SHOW : SW_HIDE); }

bool Window::Visible() const { return IsWindowVisible(handle()) != FALSE; }

void Window::Restore() { ShowWindow(handle(), SW_RESTORE); }

void Window::SetCaption(std::string_view caption) { SetWindowTextW(handle(), win32::Wide(caption).c_str()); }

}  // namespace platform

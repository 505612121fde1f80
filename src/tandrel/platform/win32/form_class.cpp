// The forms' window class and its procedure, which reports to the Window's events.
#include "platform/win32/window_state.h"

namespace platform::win32 {
namespace {

constexpr wchar_t kClassName[] = L"TandrelForm";

Window::State* StateOf(HWND hwnd) {
  return reinterpret_cast<Window::State*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

HWND FocusedChild(HWND hwnd) {
  const HWND focus = GetFocus();
  return focus && IsChild(hwnd, focus) ? focus : nullptr;
}

// The focus leaves with the window and comes back to the same control, or to the first in tab order.
bool KeepFocus(Window::State& state, HWND hwnd, WPARAM activation) {
  if (LOWORD(activation) == WA_INACTIVE) {
    state.focus = FocusedChild(hwnd);
    return false;
  }
  HWND target = state.focus && IsChild(hwnd, state.focus) ? state.focus : nullptr;
  if (!target) target = GetNextDlgTabItem(hwnd, /* start= */ nullptr, /* previous= */ FALSE);
  if (!target) return false;
  SetFocus(target);
  return true;
}

// Enter presses the push button that has the focus, else the form's default button if it has one.
LRESULT DefaultButton(const Window::State& state, HWND hwnd) {
  const HWND focus = FocusedChild(hwnd);
  constexpr UINT kPushButton = DLGC_UNDEFPUSHBUTTON | DLGC_DEFPUSHBUTTON;
  if (focus && (SendMessageW(focus, WM_GETDLGCODE, /* unused= */ 0, /* unused= */ 0) & kPushButton)) {
    return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
  }
  return state.design.defaultButton ? MAKELRESULT(state.design.defaultButton, DC_HASDEFID) : 0;
}

void Paint(const Window::State& state, HWND hwnd) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(hwnd, &paint);
  state.PaintLines(dc);
  EndPaint(hwnd, &paint);
}

// Each event is the last thing done with the state: the handler may destroy the Window.
LRESULT CALLBACK FormProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  static const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  if (msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  Window::State* state = StateOf(hwnd);
  if (state == nullptr) return DefWindowProcW(hwnd, msg, wParam, lParam);

  // Enter and Esc make the dialog manager send IDOK/IDCANCEL with no control: not a click,
  // except that Esc presses the cancel button of a form that has one.
  if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && lParam != 0) {
    state->events.OnClick(LOWORD(wParam));
    return 0;
  }
  if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL && lParam == 0 && state->design.cancelButton) {
    state->events.OnClick(state->design.cancelButton);
    return 0;
  }
  if (msg == WM_CLOSE) {
    state->events.OnClose();
    return 0;
  }
  if (msg == kTrayCallbackMessage) {
    state->events.OnTrayNotify(LOWORD(lParam));
    return 0;
  }
  if (msg == taskbarCreated) {
    state->events.OnTaskbarCreated();
    return 0;
  }
  if (msg == WM_TIMER) {
    state->events.OnTimer(static_cast<unsigned int>(wParam));
    return 0;
  }
  if (msg == WM_ACTIVATE && KeepFocus(*state, hwnd, wParam)) return 0;
  if (msg == DM_GETDEFID) return DefaultButton(*state, hwnd);
  if (msg == WM_CTLCOLORSTATIC) {
    return ColourCaption(*state, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
  }
  if (msg == WM_PAINT) {
    Paint(*state, hwnd);
    return 0;
  }
  if (msg == WM_DPICHANGED) {
    state->dpi = HIWORD(wParam);
    state->LayOut(reinterpret_cast<const RECT*>(lParam));
    state->events.OnDpiChanged();
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

ATOM RegisterFormClass() {
  WNDCLASSEXW form{};
  form.cbSize = sizeof form;
  form.lpfnWndProc = FormProcedure;
  form.hInstance = GetModuleHandleW(nullptr);
  form.hCursor = LoadCursorW(/* hInstance= */ nullptr, IDC_ARROW);
  form.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  form.lpszClassName = kClassName;
  return RegisterClassExW(&form);
}

}  // namespace

const wchar_t* FormClass() {
  [[maybe_unused]] static const ATOM registered = RegisterFormClass();
  return kClassName;
}

}  // namespace platform::win32

// The controls on a form: created in tab order, read and changed by id.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <optional>

#include "base/text.h"
#include "platform/win32/window_state.h"

namespace platform {
namespace {

constexpr int kComboListItems = 10;
constexpr WORD kVisualStylesManifest = 3;

void ReleaseContext(HANDLE context) { ReleaseActCtx(context); }
using OwnedContext = base::Owned<HANDLE, ReleaseContext>;

// Controls created while it is active are those of the common controls 6, with visual styles.
// Only forms a user sees load them: the hidden forms stay light.
class VisualStyles {
 public:
  VisualStyles() {
    static const OwnedContext context = Create();
    if (context.get() != nullptr) ActivateActCtx(context.get(), &cookie_);
  }
  ~VisualStyles() {
    if (cookie_ != 0) DeactivateActCtx(/* flags= */ 0, cookie_);
  }
  VisualStyles(const VisualStyles&) = delete;
  VisualStyles& operator=(const VisualStyles&) = delete;

 private:
  static OwnedContext Create() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(/* module= */ nullptr, self, MAX_PATH);
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID;
    request.lpSource = self;
    request.hModule = GetModuleHandleW(nullptr);
    request.lpResourceName = MAKEINTRESOURCEW(kVisualStylesManifest);
    const HANDLE context = CreateActCtxW(&request);
    return OwnedContext(context == INVALID_HANDLE_VALUE ? nullptr : context);
  }

  ULONG_PTR cookie_ = 0;
};

// The system's button, but painting through a DC of its own: a button paints with its parent's
// clipping (CS_PARENTDC), which its region does not narrow, and a check box would paint over its
// neighbour (see ClipCheckBoxes). Made from the button of the controls being created, with visual
// styles where the form has them.
const wchar_t* CheckBoxClass() {
  static const ATOM registered = [] {
    WNDCLASSEXW button{};
    button.cbSize = sizeof button;
    if (!GetClassInfoExW(/* instance= */ nullptr, L"BUTTON", &button)) return ATOM{0};
    button.style &= ~CS_PARENTDC;
    button.hInstance = GetModuleHandleW(nullptr);
    button.lpszClassName = L"TandrelCheckBox";
    return RegisterClassExW(&button);
  }();
  return registered ? L"TandrelCheckBox" : L"BUTTON";
}

struct ControlClass {
  const wchar_t* name;
  DWORD style;
};

ControlClass ClassOf(const ControlSpec& design, int defaultButton) {
  switch (design.kind) {
    case ControlKind::CheckBox:
      return {CheckBoxClass(), WS_TABSTOP | BS_AUTOCHECKBOX};
    case ControlKind::ComboDropDown:
      return {L"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL};  // typing may pass the edge
    case ControlKind::Label:  // tells of clicks
      return {L"STATIC", SS_LEFT | SS_NOTIFY};
    case ControlKind::Picture:
      return {L"STATIC", SS_ICON | SS_REALSIZEIMAGE | SS_CENTERIMAGE};
    case ControlKind::Button:
    case ControlKind::Line:
      break;
  }
  const DWORD push = design.id == defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  return {L"BUTTON", WS_TABSTOP | push};
}

}  // namespace

namespace {

HFONT CreateFace(const wchar_t* face, int emPixels, bool underline) {
  LOGFONTW font{};
  font.lfHeight = -emPixels;
  font.lfWeight = FW_NORMAL;
  font.lfUnderline = underline;
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
  return CreateFontIndirectW(&font);
}

// Whether the system gave that face at that size: a face of fixed sizes has none for every DPI.
bool Fits(HFONT font, const wchar_t* face, int emPixels) {
  const base::OwnedScreenDc screen(GetDC(/* hWnd= */ nullptr));
  const HGDIOBJ before = SelectObject(screen.get(), font);
  wchar_t given[LF_FACESIZE] = L"";
  GetTextFaceW(screen.get(), LF_FACESIZE, given);
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen.get(), &metrics);
  SelectObject(screen.get(), before);
  const int em = static_cast<int>(metrics.tmHeight - metrics.tmInternalLeading);
  return lstrcmpiW(given, face) == 0 && em >= emPixels - 1 && em <= emPixels + 1;
}

}  // namespace

// "MS Sans Serif" where the system has it at the size asked for; otherwise its scalable
// successor, or the dialog face, so that text grows with the DPI.
HFONT Window::State::FontFor(const ControlSpec& design) {
  base::OwnedFont& font = fonts[{design.fontHundredthsOfPoint, design.underline}];
  if (!font.get()) {
    const int emPixels = MulDiv(design.fontHundredthsOfPoint, static_cast<int>(dpi), 7200);
    for (const wchar_t* face : {L"MS Sans Serif", L"Microsoft Sans Serif", L"MS Shell Dlg 2"}) {
      font.reset(CreateFace(face, emPixels, design.underline));
      if (Fits(font.get(), face, emPixels)) break;
    }
  }
  return font.get();
}

void Window::State::PlaceControl(HWND control, const ControlSpec& design) {
  // Controls nobody sees need no font of their own.
  if (VisualStyles()) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(design)), /* redraw= */ TRUE);
  // A combo box's height is its field and its dropped list together; the field's follows the font.
  const int listHeight = design.kind == ControlKind::ComboDropDown ? kComboListItems * Pixels(design.heightTwips) : 0;
  SetWindowPos(control, /* after= */ nullptr, Pixels(design.leftTwips), Pixels(design.topTwips),
               Pixels(design.widthTwips), Pixels(design.heightTwips) + listHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  // The icon's own image of that size, never a stretched one.
  if (design.kind == ControlKind::Picture) {
    SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(win32::SharedIcon(IconId::Main, Pixels(design.widthTwips))),
                 /* unused= */ 0);
  }
}

// A check box's square and caption lie at its left. Where a control to its right reaches into its
// box (Alt's into Shift's, Shift's into the key box), that control takes the clicks and draws
// itself: the check box ends at its left edge. Putting the neighbour above it instead would change
// the tab order, which follows the z-order.
int Window::State::OwnRightTwips(const ControlSpec& box) const {
  int end = box.leftTwips + box.widthTwips;
  for (const auto& [other, design] : controls) {
    const bool sameRow =
        design.topTwips < box.topTwips + box.heightTwips && box.topTwips < design.topTwips + design.heightTwips;
    if (other && sameRow && design.leftTwips > box.leftTwips) end = std::min(end, design.leftTwips);
  }
  return end;
}

RECT Window::State::OwnPart(const ControlSpec& box) const {
  return {0, 0, Pixels(OwnRightTwips(box)) - Pixels(box.leftTwips), Pixels(box.heightTwips)};
}

// The region takes the clicks and the painting off the part that is not the box's own.
void Window::State::ClipCheckBoxes() {
  for (const auto& [box, design] : controls) {
    if (design.kind != ControlKind::CheckBox || OwnRightTwips(design) == design.leftTwips + design.widthTwips) {
      continue;
    }
    // Each control added asks again; a region set already stays.
    const RECT own = OwnPart(design);
    RECT current{};
    if (GetWindowRgnBox(box, &current) != ERROR && EqualRect(&current, &own)) continue;
    base::OwnedRegion region(CreateRectRgnIndirect(&own));
    // The system owns the region once it is set.
    if (SetWindowRgn(box, region.get(), /* redraw= */ TRUE)) region.release();
  }
}

void Window::AddControl(const ControlSpec& design) {
  State& state = *state_;
  if (design.kind == ControlKind::Line) {  // drawn by the form itself
    state.controls.emplace_back(nullptr, design);
    InvalidateRect(handle(), /* rect= */ nullptr, /* erase= */ TRUE);
    return;
  }
  // Visual styles only for the controls of forms a user sees: the hidden forms stay light.
  std::optional<VisualStyles> styles;
  if (state.VisualStyles()) styles.emplace();
  const ControlClass control = ClassOf(design, state.design.defaultButton);
  const HWND hwnd = CreateWindowExW(
      /* exStyle= */ 0, control.name, base::Wide(design.text).c_str(), WS_CHILD | WS_VISIBLE | control.style,
      /* x= */ 0, /* y= */ 0, /* width= */ 0, /* height= */ 0, handle(),
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(design.id)), GetModuleHandleW(nullptr), /* param= */ nullptr);
  state.controls.emplace_back(hwnd, design);
  state.PlaceControl(hwnd, design);
  state.ClipCheckBoxes();

  // With the common controls of the manifest the list's height follows this count, not the window's.
  if (design.kind == ControlKind::ComboDropDown) {
    SendMessageW(hwnd, CB_SETMINVISIBLE, kComboListItems, /* unused= */ 0);
  }
}

void Window::SetControlText(int id, std::string_view text) {
  SetDlgItemTextW(handle(), id, base::Wide(text).c_str());
}

std::string Window::ControlText(int id) const {
  const HWND control = GetDlgItem(handle(), id);
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return base::Utf8(text);
}

void Window::SetChecked(int id, bool checked) {
  SendDlgItemMessageW(handle(), id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, /* unused= */ 0);
}

bool Window::Checked(int id) const {
  return SendDlgItemMessageW(handle(), id, BM_GETCHECK, /* unused= */ 0, /* unused= */ 0) == BST_CHECKED;
}

void Window::AddListItem(int id, std::string_view text) {
  SendDlgItemMessageW(handle(), id, CB_ADDSTRING, /* unused= */ 0,
                      reinterpret_cast<LPARAM>(base::Wide(text).c_str()));
}

}  // namespace platform

// The colours of the forms' captions: as designed, or the system's while high contrast is on.
#include <algorithm>

#include "platform/win32/window_state.h"

namespace platform::win32 {
namespace {

bool HighContrast() {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, /* winIni= */ 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

// The user chose these to be read on the system's backgrounds, which a dark scheme makes black:
// a check box's text on its button face, a label's on the form, a link as links are drawn.
int SystemTextColour(const ControlSpec& design) {
  if (design.kind == ControlKind::CheckBox) return COLOR_BTNTEXT;
  return design.colour == Colour::Highlight ? COLOR_HOTLIGHT : COLOR_WINDOWTEXT;
}

void DesignedTextColour(const ControlSpec& design, HDC dc) {
  if (design.kind != ControlKind::Label) return;
  if (design.colour == Colour::Black) SetTextColor(dc, RGB(0, 0, 0));
  if (design.colour == Colour::Highlight) SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHT));
}

}  // namespace

// Labels are see-through: one that overlaps a control or another label paints no background
// over it. Check boxes fill theirs with the button face.
LRESULT ColourCaption(const Window::State& state, HDC dc, HWND control) {
  const auto found = std::find_if(state.controls.begin(), state.controls.end(),
                                  [&](const auto& placed) { return placed.first == control; });
  if (found != state.controls.end()) {
    const ControlSpec& design = found->second;
    if (HighContrast()) {
      SetTextColor(dc, GetSysColor(SystemTextColour(design)));
    } else {
      DesignedTextColour(design, dc);
    }
    if (design.kind == ControlKind::Label) {
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
  }
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

}  // namespace platform::win32

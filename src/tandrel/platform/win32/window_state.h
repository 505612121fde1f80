#pragma once
// What a Window holds, shared by the files that implement it.
#include <windows.h>

#include <map>
#include <utility>
#include <vector>

#include "platform/window.h"
#include "base/handles.h"

namespace platform {

struct Window::State {
  State(WindowEvents& windowEvents, const WindowSpec& windowDesign) : events(windowEvents), design(windowDesign) {}

  WindowEvents& events;
  WindowSpec design;
  UINT dpi = 96;  // the window's own: each monitor may have another
  std::vector<std::pair<HWND, ControlSpec>> controls;  // a line has no window
  HWND focus = nullptr;  // the control to give the focus back to when the window is activated
  base::OwnedWindow owner;  // hidden; keeps a dialog frame off the taskbar
  std::map<std::pair<int, bool>, base::OwnedFont> fonts;  // by size and underline, at the current DPI
  base::OwnedWindow window;  // last, so it goes before its font and owner

  int Pixels(int twips) const { return twips * static_cast<int>(dpi) / 1440; }
  bool VisualStyles() const { return !design.neverShown; }

  // Layout at the current DPI: the frame (to the suggested place, or kept where it is), the
  // icons, and each control with its font.
  void LayOut(const RECT* suggested);
  void SetIcons();
  void PlaceControl(HWND control, const ControlSpec& design);
  // A check box's part that no control to its right lies over, in its own pixels; its region.
  int OwnRightTwips(const ControlSpec& box) const;
  RECT OwnPart(const ControlSpec& box) const;
  void ClipCheckBoxes();
  HFONT FontFor(const ControlSpec& design);
  void PaintLines(HDC dc) const;
};

namespace win32 {

// The one window class of all forms; registered on the first call.
const wchar_t* FormClass();

// The icon's image of that size, loaded once for the run.
HICON SharedIcon(IconId icon, int size);

// Answers WM_CTLCOLORSTATIC for a control of the form: its text colour and background.
LRESULT ColourCaption(const Window::State& state, HDC dc, HWND control);

}  // namespace win32
}  // namespace platform

#pragma once
// What a Window holds, shared by the files that implement it.
#include <windows.h>

#include "platform/window.h"
#include "platform/win32/handles.h"

namespace platform {

struct Window::State {
  explicit State(WindowEvents& windowEvents) : events(windowEvents) {}

  WindowEvents& events;
  int dpi = 96;
  bool visualStyles = true;  // and a font, made with the first control
  win32::OwnedWindow owner;  // hidden; keeps a dialog frame off the taskbar
  HICON smallIcon = nullptr;  // shared for the run, not owned
  win32::OwnedFont font;
  win32::OwnedWindow window;  // last, so it goes before its font and owner

  int Pixels(int twips) const { return twips * dpi / 1440; }
};

namespace win32 {

// The one window class of all forms; registered on the first call.
const wchar_t* FormClass();

}  // namespace win32
}  // namespace platform

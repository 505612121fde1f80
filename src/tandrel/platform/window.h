#pragma once
// Top-level windows with controls, pop-up menus and message boxes.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace platform {

enum class Frame { Sizable, FixedSingle, FixedDialog };
enum class IconId { None, Main, About };

struct WindowSpec {
  std::string caption;
  int clientWidthTwips = 0;
  int clientHeightTwips = 0;
  std::optional<int> leftTwips;  // client area's place on the screen; none: the system chooses
  std::optional<int> topTwips;
  Frame frame = Frame::Sizable;
  IconId icon = IconId::None;
  bool neverShown = false;  // its controls then do without visual styles and font, which cost time to load
  int defaultButton = 0;    // pressed by Enter unless the focus is on another push button
  int cancelButton = 0;     // pressed by Esc
};

// A picture shows the main icon; a line is drawn from (left, top) across its width.
enum class ControlKind { Button, CheckBox, ComboDropDown, Label, Picture, Line };
enum class Colour { Default, Black, Highlight, Grey, White };

struct ControlSpec {
  int id = 0;
  ControlKind kind = ControlKind::Button;
  std::string text;
  int leftTwips = 0;
  int topTwips = 0;
  int widthTwips = 0;
  int heightTwips = 0;
  int fontHundredthsOfPoint = 825;  // "MS Sans Serif"
  bool underline = false;
  Colour colour = Colour::Default;  // of a label's text, or of a line
  int linePixels = 1;               // a line's thickness at 96 DPI
};

// A line of a pop-up menu; the caption "-" makes a separator.
struct MenuItem {
  int id = 0;
  std::string caption;
};

// What a window reports to the logic that owns it.
class WindowEvents {
 public:
  virtual void OnClick(int /*controlId*/) {}
  virtual void OnClose() {}
  virtual void OnTrayNotify(unsigned int /*mouseMessage*/) {}
  virtual void OnTaskbarCreated() {}
  virtual void OnDpiChanged() {}  // after the window has laid itself out again
  virtual void OnTimer(unsigned int /*timerId*/) {}

 protected:
  ~WindowEvents() = default;
};

// One top-level window, destroyed with the object.
class Window {
 public:
  Window(const WindowSpec& design, WindowEvents& events);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  Hwnd handle() const;
  Hicon SmallIcon() const;  // the icon at the notification area's size, owned by the window

  void SetVisible(bool visible);
  bool Visible() const;
  void Restore();
  // In front of the other windows with the keyboard, a minimised one restored first.
  void BringToFront();
  void SetCaption(std::string_view caption);
  // A timer of the window: OnTimer every interval until it is killed or the window goes. Setting
  // one that runs starts its interval again.
  void SetTimer(unsigned int id, unsigned int milliseconds);
  void KillTimer(unsigned int id);

  void AddControl(const ControlSpec& design);
  void SetControlText(int id, std::string_view text);
  std::string ControlText(int id) const;
  void SetChecked(int id, bool checked);
  bool Checked(int id) const;
  void AddListItem(int id, std::string_view text);

  // Shows the menu at the cursor and returns the chosen item's id, or 0.
  int PopupMenu(const std::vector<MenuItem>& items);

  struct State;

 private:
  std::unique_ptr<State> state_;
};

// A modal box with the OK button only and no icon; an owner is disabled while it shows.
void MessageBoxOk(std::string_view text, std::string_view caption, Hwnd owner = nullptr);

}  // namespace platform

#include "platform/window.h"

#include "platform/sim/desktop.h"

namespace platform {
namespace {

// The procedure every window of the program starts with: it reports to the window's owner.
std::intptr_t PLATFORM_CALLBACK FormProc(Hwnd hwnd, unsigned int msg, std::uintptr_t wParam, std::intptr_t lParam) {
  auto found = sim::desktop().windows.find(hwnd);
  if (found == sim::desktop().windows.end()) return 0;
  WindowEvents& events = *found->second.events;
  if (msg == kTrayCallbackMessage) {
    events.OnTrayNotify(static_cast<unsigned int>(lParam & 0xFFFF));
  } else if (msg == sim::kWmCommand && (wParam >> 16) == sim::kBnClicked && lParam != 0) {
    // As on Windows: only a control's own notification is a click.
    events.OnClick(static_cast<int>(wParam & 0xFFFF));
  } else if (msg == sim::kWmClose) {
    events.OnClose();
  } else if (msg == sim::kTaskbarCreated) {
    events.OnTaskbarCreated();
  } else if (msg == sim::kWmDpiChanged) {
    events.OnDpiChanged();
  } else if (msg == sim::kWmTimer) {
    events.OnTimer(static_cast<unsigned int>(wParam));
  }
  return 0;
}

}  // namespace

struct Window::State {
  Hwnd hwnd = nullptr;
};

Window::Window(const WindowSpec& design, WindowEvents& events) : state_(std::make_unique<State>()) {
  sim::Desktop& desktop = sim::desktop();
  state_->hwnd = desktop.NewHwnd();
  sim::SimWindow& window = desktop.windows[state_->hwnd];
  window.hwnd = state_->hwnd;
  window.design = design;
  window.caption = design.caption;
  window.events = &events;
  window.proc = FormProc;
  desktop.journal.push_back("CreateWindow " + design.caption);
}

Window::~Window() {
  sim::Desktop& desktop = sim::desktop();
  auto found = desktop.windows.find(state_->hwnd);
  if (found == desktop.windows.end()) return;
  desktop.journal.push_back("DestroyWindow " + found->second.caption);
  // A destroyed window loses its hotkeys with it.
  std::erase_if(desktop.hotkeys, [&](const sim::Hotkey& h) { return h.hwnd == state_->hwnd; });
  if (desktop.foreground == state_->hwnd) desktop.foreground = nullptr;
  desktop.windows.erase(found);
}

Hwnd Window::handle() const { return state_->hwnd; }

Hicon Window::SmallIcon() const {
  const auto& design = sim::desktop().windows.at(state_->hwnd).design;
  return design.icon == IconId::None ? nullptr : reinterpret_cast<Hicon>(state_->hwnd);
}

static sim::SimWindow& Sim(Hwnd hwnd) { return sim::desktop().windows.at(hwnd); }

// As on Windows, showing activates a hidden window only: one shown already stays where it is.
void Window::SetVisible(bool visible) {
  sim::Desktop& desktop = sim::desktop();
  sim::SimWindow& window = Sim(state_->hwnd);
  if (visible && !window.visible) desktop.foreground = state_->hwnd;
  if (!visible && desktop.foreground == state_->hwnd) desktop.foreground = nullptr;
  window.visible = visible;
}
bool Window::Visible() const { return Sim(state_->hwnd).visible; }
void Window::Restore() { Sim(state_->hwnd).restored = true; }
void Window::BringToFront() { sim::desktop().foreground = state_->hwnd; }
void Window::SetCaption(std::string_view caption) { Sim(state_->hwnd).caption = caption; }

void Window::SetTimer(unsigned int id, unsigned int milliseconds) {
  sim::desktop().journal.push_back("SetTimer " + std::to_string(id));
  Sim(state_->hwnd).timers[id] = milliseconds;
}

void Window::KillTimer(unsigned int id) {
  sim::desktop().journal.push_back("KillTimer " + std::to_string(id));
  Sim(state_->hwnd).timers.erase(id);
}

void Window::AddControl(const ControlSpec& design) {
  sim::Control& control = Sim(state_->hwnd).controls[design.id];
  control.hwnd = sim::desktop().NewHwnd();
  control.design = design;
  control.text = design.text;
}

// A window's text ends at its first NUL, as on Windows.
void Window::SetControlText(int id, std::string_view text) {
  Sim(state_->hwnd).controls.at(id).text = text.substr(0, text.find('\0'));
}
std::string Window::ControlText(int id) const { return Sim(state_->hwnd).controls.at(id).text; }
void Window::SetChecked(int id, bool checked) { Sim(state_->hwnd).controls.at(id).checked = checked; }
bool Window::Checked(int id) const { return Sim(state_->hwnd).controls.at(id).checked; }
void Window::AddListItem(int id, std::string_view text) {
  Sim(state_->hwnd).controls.at(id).items.emplace_back(text);
}

int Window::PopupMenu(const std::vector<MenuItem>& items) {
  sim::Desktop& desktop = sim::desktop();
  desktop.journal.push_back("PopupMenu");
  desktop.foreground = state_->hwnd;  // as on Windows, where the menu needs it to close
  desktop.menusShown.push_back(items);
  return desktop.onPopupMenu ? desktop.onPopupMenu(items) : 0;
}

void MessageBoxOk(std::string_view text, std::string_view caption, Hwnd owner) {
  sim::Desktop& desktop = sim::desktop();
  sim::MessageBoxShown shown{std::string(text), std::string(caption), owner};
  desktop.journal.push_back("MessageBox " + shown.text);
  desktop.messageBoxes.push_back(shown);
  if (desktop.onMessageBox) desktop.onMessageBox(shown);
}

}  // namespace platform

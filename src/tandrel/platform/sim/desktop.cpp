#include "platform/sim/desktop.h"

#include <algorithm>
#include <memory>

#include "platform/sim/text.h"

namespace sim {
namespace {
std::unique_ptr<Desktop> current;
constexpr unsigned int kWmHotkey = 0x0312;
}  // namespace

Desktop& desktop() {
  if (!current) current = std::make_unique<Desktop>();
  return *current;
}

void Reset() { current = std::make_unique<Desktop>(); }

Desktop::Desktop() { keys[Lower(kRunKey)]; }

void Desktop::SetValue(const std::string& path, const std::string& name, const std::string& text,
                       std::uint32_t type) {
  // Text types count as the system stores them; any other type is its bytes.
  const bool isText = type == platform::kRegSz || type == platform::kRegExpandSz || type == kRegMultiSz;
  keys[Lower(path)][Lower(name)] = {type, text, isText ? Utf16Bytes(text) : static_cast<std::uint32_t>(text.size())};
}

std::optional<RegStoredValue> Desktop::Value(const std::string& path, const std::string& name) const {
  auto key = keys.find(Lower(path));
  if (key == keys.end()) return std::nullopt;
  auto value = key->second.find(Lower(name));
  if (value == key->second.end()) return std::nullopt;
  return value->second;
}

std::intptr_t Desktop::SendMessage(platform::Hwnd hwnd, unsigned int msg, std::uintptr_t wParam,
                                   std::intptr_t lParam) {
  auto window = windows.find(hwnd);
  if (window == windows.end()) return 0;
  return window->second.proc(hwnd, msg, wParam, lParam);
}

bool Desktop::PressHotkey(unsigned int modifiers, unsigned int virtualKey) {
  auto held = std::find_if(hotkeys.begin(), hotkeys.end(), [&](const Hotkey& h) {
    return h.modifiers == modifiers && h.virtualKey == virtualKey;
  });
  if (held == hotkeys.end() || held->hwnd == nullptr) return false;
  const Hotkey hotkey = *held;
  SendMessage(hotkey.hwnd, kWmHotkey, static_cast<std::uintptr_t>(hotkey.id),
              static_cast<std::intptr_t>((virtualKey << 16) | modifiers));
  return true;
}

void Desktop::HoldHotkeyElsewhere(unsigned int modifiers, unsigned int virtualKey) {
  hotkeys.push_back({nullptr, 0, modifiers, virtualKey});
}

void Desktop::TrayMouse(unsigned int mouseMessage) {
  if (trayIcons.empty()) return;
  const platform::NotifyIconData icon = trayIcons.front();
  SendMessage(icon.hWnd, icon.uCallbackMessage, icon.uID, static_cast<std::intptr_t>(mouseMessage));
}

void Desktop::RestartTaskbar() {
  trayIcons.clear();
  taskbarRunning = true;
  std::vector<platform::Hwnd> all;
  for (const auto& [hwnd, window] : windows) all.push_back(hwnd);
  for (platform::Hwnd hwnd : all) SendMessage(hwnd, kTaskbarCreated, 0, 0);
}

int Desktop::ElapseTimers() {
  std::vector<std::pair<platform::Hwnd, unsigned int>> due;
  for (const auto& [hwnd, window] : windows) {
    for (const auto& [id, interval] : window.timers) due.emplace_back(hwnd, id);
  }
  int fired = 0;
  for (const auto& [hwnd, id] : due) {
    // A handler may have killed a later timer, or destroyed its window.
    auto window = windows.find(hwnd);
    if (window == windows.end() || !window->second.timers.contains(id)) continue;
    SendMessage(hwnd, kWmTimer, id, 0);
    ++fired;
  }
  return fired;
}

// As a mouse click does: a check box changes first, then the window hears BN_CLICKED from the control.
void Desktop::Click(platform::Hwnd hwnd, int controlId) {
  Control& control = windows.at(hwnd).controls.at(controlId);
  if (control.design.kind == platform::ControlKind::CheckBox) control.checked = !control.checked;
  SendMessage(hwnd, kWmCommand, static_cast<std::uintptr_t>(controlId) | (kBnClicked << 16),
              reinterpret_cast<std::intptr_t>(control.hwnd));
}

void Desktop::Type(platform::Hwnd hwnd, int controlId, const std::string& text) {
  windows.at(hwnd).controls.at(controlId).text = text;
}

void Desktop::Close(platform::Hwnd hwnd) { SendMessage(hwnd, kWmClose, 0, 0); }

SimWindow* Desktop::Find(const std::string& caption) {
  for (auto& [hwnd, window] : windows) {
    if (window.caption == caption) return &window;
  }
  return nullptr;
}

const Hotkey* Desktop::HotkeyOf(platform::Hwnd hwnd, int id) const {
  for (const auto& hotkey : hotkeys) {
    if (hotkey.hwnd == hwnd && hotkey.id == id) return &hotkey;
  }
  return nullptr;
}

std::vector<std::string> Desktop::Journal(const std::string& prefix) const {
  std::vector<std::string> lines;
  for (const auto& line : journal) {
    if (line.rfind(prefix, 0) == 0) lines.push_back(line);
  }
  return lines;
}

}  // namespace sim

#pragma once
// The simulated desktop: what the program did to it, and the means to act on it as a user would.
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/system.h"
#include "platform/window.h"

namespace sim {

inline constexpr unsigned int kWmClose = 0x0010;
inline constexpr unsigned int kWmCommand = 0x0111;
inline constexpr unsigned int kTaskbarCreated = 0xC0F0;  // what the system registered "TaskbarCreated" as
inline constexpr unsigned int kBnClicked = 0;
inline constexpr unsigned int kWmDpiChanged = 0x02E0;
inline constexpr unsigned int kWmTimer = 0x0113;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr const char* kRunKey = "HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

struct Control {
  platform::Hwnd hwnd = nullptr;
  platform::ControlSpec design;
  std::string text;
  bool checked = false;
  std::vector<std::string> items;
};

struct SimWindow {
  platform::Hwnd hwnd = nullptr;
  platform::WindowSpec design;
  std::string caption;
  bool visible = false;
  bool restored = false;
  platform::WindowEvents* events = nullptr;
  platform::WndProc proc = nullptr;  // the procedure in front of the chain
  std::map<int, Control> controls;
  std::map<unsigned int, unsigned int> timers;  // id -> interval in ms; they go with the window
};

struct Hotkey {
  platform::Hwnd hwnd = nullptr;  // nullptr: held by another program
  int id = 0;
  unsigned int modifiers = 0;
  unsigned int virtualKey = 0;
};

struct StartedProcess {
  std::string path;
  std::string commandLine;
};

struct OpenedPage {
  platform::Hwnd owner = nullptr;
  std::string operation;
  std::string file;
};

struct MessageBoxShown {
  std::string text;
  std::string caption;
  platform::Hwnd owner = nullptr;
};

struct RegStoredValue {
  std::uint32_t type = platform::kRegSz;
  std::string text;
  std::uint32_t bytes = 0;
};

class Desktop {
 public:
  Desktop();  // a new user's: nothing stored but the empty Run key

  // --- What the program did
  std::vector<std::string> journal;  // platform calls in order, e.g. "UnregisterHotKey 1"
  std::map<platform::Hwnd, SimWindow> windows;
  std::vector<Hotkey> hotkeys;
  std::vector<platform::NotifyIconData> trayIcons;
  std::vector<StartedProcess> processes;
  std::vector<OpenedPage> openedPages;
  std::vector<MessageBoxShown> messageBoxes;
  std::vector<std::vector<platform::MenuItem>> menusShown;
  platform::Hwnd foreground = nullptr;  // the window with the keyboard
  bool quitPosted = false;
  bool ended = false;
  int openKeys = 0;

  // --- The world around the program
  std::string programPath = "C:\\Program Files\\Tandrel\\Tandrel.exe";
  platform::Version programVersion{2, 0, 0};
  std::set<std::string> programFiles;   // paths that start as programs (case as given); other files are not modelled
  std::set<std::string> refusedKeys;    // registry key paths (lower case) that refuse writes and deletions
  std::set<std::string> deniedKeys;     // ... that refuse to be opened at all
  bool taskbarRunning = true;
  // How the shell answers the next adds of an icon, the first first; after them it adds.
  enum class AddAnswer { Refused, TimedOut };  // timed out: the icon is added, yet the call fails
  std::deque<AddAnswer> nextAdds;
  // The user's answer to a pop-up menu (an item id, 0 to dismiss), and what happens while a
  // message box waits for OK.
  std::function<int(const std::vector<platform::MenuItem>&)> onPopupMenu;
  std::function<void(const MessageBoxShown&)> onMessageBox;

  // --- Registry, as paths like "HKCU\\Software\\..." (case-insensitive)
  std::map<std::string, std::map<std::string, RegStoredValue>> keys;  // lower-case path -> values
  void SetValue(const std::string& path, const std::string& name, const std::string& text,
                std::uint32_t type = platform::kRegSz);
  std::optional<RegStoredValue> Value(const std::string& path, const std::string& name) const;

  // --- Acting as the system or the user
  std::intptr_t SendMessage(platform::Hwnd hwnd, unsigned int msg, std::uintptr_t wParam, std::intptr_t lParam);
  bool PressHotkey(unsigned int modifiers, unsigned int virtualKey);  // false when nobody holds it
  void HoldHotkeyElsewhere(unsigned int modifiers, unsigned int virtualKey);
  void TrayMouse(unsigned int mouseMessage);  // over the program's icon
  void RestartTaskbar();                       // icons are gone; TaskbarCreated is broadcast
  int ElapseTimers();  // one interval of every timer passes: each fires once; returns how many did
  void Click(platform::Hwnd hwnd, int controlId);                         // with the mouse
  void Type(platform::Hwnd hwnd, int controlId, const std::string& text);  // a key box's new text
  void Close(platform::Hwnd hwnd);

  // --- Looking
  SimWindow* Find(const std::string& caption);
  const Hotkey* HotkeyOf(platform::Hwnd hwnd, int id) const;
  std::vector<std::string> Journal(const std::string& prefix) const;
  platform::Hwnd NewHwnd() { return reinterpret_cast<platform::Hwnd>(nextHwnd_ += 4); }

 private:
  std::uintptr_t nextHwnd_ = 0x10000;
};

Desktop& desktop();
void Reset();  // a new, empty desktop

}  // namespace sim

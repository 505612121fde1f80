#include "platform/system.h"

#include <algorithm>
#include <utility>

#include "platform/sim/desktop.h"
#include "platform/sim/text.h"

namespace platform {

bool RegisterHotKey(Hwnd hwnd, int id, unsigned int modifiers, unsigned int virtualKey) {
  sim::Desktop& desktop = sim::desktop();
  desktop.journal.push_back("RegisterHotKey " + std::to_string(id));
  // The system refuses a combination that any window or program holds already. A window and id
  // that hold one keep it beside the new one, until it is unregistered.
  for (const auto& hotkey : desktop.hotkeys) {
    if (hotkey.modifiers == modifiers && hotkey.virtualKey == virtualKey) return false;
  }
  desktop.hotkeys.push_back({hwnd, id, modifiers, virtualKey});
  return true;
}

bool UnregisterHotKey(Hwnd hwnd, int id) {
  sim::Desktop& desktop = sim::desktop();
  desktop.journal.push_back("UnregisterHotKey " + std::to_string(id));
  // One registration a call: an older one of the same window and id stays.
  auto found = std::find_if(desktop.hotkeys.begin(), desktop.hotkeys.end(),
                            [&](const sim::Hotkey& h) { return h.hwnd == hwnd && h.id == id; });
  if (found == desktop.hotkeys.end()) return false;
  desktop.hotkeys.erase(found);
  return true;
}

WndProc SetWindowProcedure(Hwnd hwnd, WndProc proc) {
  sim::Desktop& desktop = sim::desktop();
  desktop.journal.push_back("SetWindowProcedure");
  auto found = desktop.windows.find(hwnd);
  if (found == desktop.windows.end()) return nullptr;
  return std::exchange(found->second.proc, proc);
}

std::intptr_t CallWindowProcedure(WndProc proc, Hwnd hwnd, unsigned int msg, std::uintptr_t wParam,
                                  std::intptr_t lParam) {
  return proc == nullptr ? 0 : proc(hwnd, msg, wParam, lParam);
}

bool ShellNotifyIcon(NotifyIconMessage message, const NotifyIconData& data) {
  sim::Desktop& desktop = sim::desktop();
  auto same = [&](const NotifyIconData& icon) { return icon.hWnd == data.hWnd && icon.uID == data.uID; };
  auto found = std::find_if(desktop.trayIcons.begin(), desktop.trayIcons.end(), same);
  if (message == NotifyIconMessage::Modify) {
    desktop.journal.push_back("Shell_NotifyIcon Modify");
    if (found == desktop.trayIcons.end()) return false;
    *found = data;
    return true;
  }
  if (message == NotifyIconMessage::Add) {
    desktop.journal.push_back("Shell_NotifyIcon Add");
    if (!desktop.taskbarRunning || found != desktop.trayIcons.end()) return false;
    if (!desktop.nextAdds.empty()) {
      const sim::Desktop::AddAnswer answer = desktop.nextAdds.front();
      desktop.nextAdds.pop_front();
      if (answer == sim::Desktop::AddAnswer::TimedOut) desktop.trayIcons.push_back(data);
      return false;
    }
    desktop.trayIcons.push_back(data);
    return true;
  }
  desktop.journal.push_back("Shell_NotifyIcon Delete");
  if (found == desktop.trayIcons.end()) return false;
  desktop.trayIcons.erase(found);
  return true;
}

StartResult StartProgram(std::string_view path) {
  sim::Desktop& desktop = sim::desktop();
  desktop.journal.push_back("StartProgram " + std::string(path));
  auto known = std::find_if(desktop.programFiles.begin(), desktop.programFiles.end(),
                            [&](const std::string& file) { return sim::Lower(file) == sim::Lower(path); });
  if (known == desktop.programFiles.end()) return {false, "The system cannot find the file specified"};
  desktop.processes.push_back({std::string(path), "\"" + std::string(path) + "\""});
  return {true, {}};
}

void ShellOpen(Hwnd owner, std::string_view operation, std::string_view file) {
  sim::desktop().openedPages.push_back({owner, std::string(operation), std::string(file)});
}

bool FileExists(std::string_view path) {
  const auto& files = sim::desktop().programFiles;
  return std::any_of(files.begin(), files.end(),
                     [&](const std::string& file) { return sim::Lower(file) == sim::Lower(path); });
}

std::string ProgramPath() { return sim::desktop().programPath; }

Version ProgramVersion() { return sim::desktop().programVersion; }

std::string ProgramFolder() {
  const std::string& path = sim::desktop().programPath;
  return path.substr(0, path.rfind('\\'));
}

std::string ProgramFileTitle() {
  std::string_view name(sim::desktop().programPath);
  name.remove_prefix(name.rfind('\\') + 1);
  return std::string(name.substr(0, name.rfind('.')));
}

namespace {

// Windows-1252 between 0x80 and 0x9F; the rest of the page is Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t Upper(char32_t c) {
  if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c == 0x161 || c == 0x153 || c == 0x17E) return c - 1;
  return c;
}

}  // namespace

// The simulated system's code page is Windows-1252; a character it lacks becomes "?".
unsigned int AnsiCodeOfFirstCharUpper(std::string_view text) {
  if (text.empty()) return 0;
  const char32_t code = Upper(sim::FirstCodePoint(text));
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return code;
  for (unsigned int i = 0; i < 32; ++i) {
    if (kCp1252High[i] != 0 && kCp1252High[i] == code) return 0x80 + i;
  }
  return '?';
}

int RunMessageLoop() { return 0; }

void PostQuit() {
  sim::desktop().journal.push_back("PostQuit");
  sim::desktop().quitPosted = true;
}

void EndNow() {
  sim::desktop().journal.push_back("EndNow");
  sim::desktop().ended = true;
}

}  // namespace platform

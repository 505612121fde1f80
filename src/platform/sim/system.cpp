#include "platform/system.h"

#include <algorithm>
#include <utility>

#include "platform/sim/desktop.h"
#include "platform/sim/text.h"

namespace platform {

bool RegisterHotKey(Hwnd hwnd, int id, unsigned int modifiers, unsigned int virtualKey) {
  sim::Desktop& desktop = sim::desktop();
  desktop.journal.push_back("RegisterHotKey " + std::to_string(id));
  // The system refuses a combination that any window or program holds already, and an id in use.
  for (const auto& hotkey : desktop.hotkeys) {
    if (hotkey.modifiers == modifiers && hotkey.virtualKey == virtualKey) return false;
    if (hotkey.hwnd == hwnd && hotkey.id == id) return false;
  }
  desktop.hotkeys.push_back({hwnd, id, modifiers, virtualKey});
  return true;
}

bool UnregisterHotKey(Hwnd hwnd, int id) {
  sim::Desktop& desktop = sim::desktop();
  desktop.journal.push_back("UnregisterHotKey " + std::to_string(id));
  return std::erase_if(desktop.hotkeys, [&](const sim::Hotkey& h) { return h.hwnd == hwnd && h.id == id; }) > 0;
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
  if (message == NotifyIconMessage::Add) {
    desktop.journal.push_back("Shell_NotifyIcon Add");
    if (!desktop.taskbarRunning || found != desktop.trayIcons.end()) return false;
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

std::string ProgramFolder() { return sim::desktop().programFolder; }
std::string ProgramFileTitle() { return sim::desktop().programFileTitle; }

// The simulated system's code page is Windows-1252 for Latin-1 letters; anything else becomes "?".
unsigned int AnsiCodeOfFirstCharUpper(std::string_view text) {
  if (text.empty()) return 0;
  const auto first = static_cast<unsigned char>(text[0]);
  unsigned int code = first;
  if (first >= 0x80) {
    if ((first & 0xE0) != 0xC0 || text.size() < 2) return '?';
    code = ((first & 0x1Fu) << 6) | (static_cast<unsigned char>(text[1]) & 0x3Fu);
    if (code > 0xFF) return '?';
  }
  if ((code >= 'a' && code <= 'z') || (code >= 0xE0 && code <= 0xFE && code != 0xF7)) code -= 0x20;
  return code;
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

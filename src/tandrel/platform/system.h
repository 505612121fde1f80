#pragma once
// Hotkeys, window procedures, the tray, processes and the program's own file.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace platform {

// --- Hotkeys
bool RegisterHotKey(Hwnd hwnd, int id, unsigned int modifiers, unsigned int virtualKey);
bool UnregisterHotKey(Hwnd hwnd, int id);

// --- Window procedure replacement
WndProc SetWindowProcedure(Hwnd hwnd, WndProc proc);  // returns the previous one
std::intptr_t CallWindowProcedure(WndProc proc, Hwnd hwnd, unsigned int msg, std::uintptr_t wParam,
                                  std::intptr_t lParam);

// --- The tray: the classic notification record, field by field.
struct NotifyIconData {
  std::uint32_t cbSize = 0;
  Hwnd hWnd = nullptr;
  std::uint32_t uID = 0;
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;
  Hicon hIcon = nullptr;
  std::string szTip;  // exactly 64 characters: text, NUL, blanks
};
enum class NotifyIconMessage : std::uint32_t { Add = 0, Modify = 1, Delete = 2 };
bool ShellNotifyIcon(NotifyIconMessage message, const NotifyIconData& data);

// --- Starting programs and opening pages
struct StartResult {
  bool started = false;
  std::string reason;  // the system's words for a failure
};
// Starts the program file at path, by its full path, in a normal window, without waiting.
StartResult StartProgram(std::string_view path);
void ShellOpen(Hwnd owner, std::string_view operation, std::string_view file);
bool FileExists(std::string_view path);  // a plain file that is neither hidden nor a system file

// --- The running program's own file
std::string ProgramPath();      // its full path, as the system started it
std::string ProgramFolder();    // no trailing separator
std::string ProgramFileTitle(); // file name without folder and extension
struct Version {
  int major = 0;
  int minor = 0;
  int revision = 0;
};
Version ProgramVersion();       // from the file version: major.minor.0.revision

// The system ANSI code of the first character of text, upper-cased; 0 for an empty text.
unsigned int AnsiCodeOfFirstCharUpper(std::string_view text);

// --- The message loop and process end
int RunMessageLoop();  // returns the exit code once PostQuit has been called
void PostQuit();  // the message loop ends once the current handler returns
void EndNow();    // the process ends at once

}  // namespace platform

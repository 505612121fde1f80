#include "tools/win32/report.h"

#include <windows.h>

#include <string>

#include "tools/failure_text.h"
#include "base/handles.h"
#include "base/text.h"

namespace tools::win32 {

using namespace base;
namespace {

// A program without a console of its own writes to its parent's, or to wherever stderr goes.
void WriteError(std::string_view text) {
  const std::string line = std::string(text) + "\r\n";
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  OwnedHandle console;
  if ((error == nullptr || error == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
    console = OwnedHandle(CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    error = console.get();
  }
  if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(error, &mode)) {
    const std::wstring wide = Wide(line);
    WriteConsoleW(error, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }
}

}  // namespace

void Tell(std::wstring_view tool, std::string_view text, Tone tone, bool quiet) {
  if (quiet) {
    WriteError(tone == Tone::Failure ? OneLine(text) : std::string(text));  // a failure is one line for a log
    return;
  }
  const UINT icon = tone == Tone::Failure ? MB_ICONERROR : tone == Tone::Warning ? MB_ICONWARNING : MB_ICONINFORMATION;
  MessageBoxW(nullptr, Wide(text).c_str(), std::wstring(tool).c_str(), MB_OK | icon | MB_SETFOREGROUND);
}

}  // namespace tools::win32

// Starting programs, opening documents and pages, and looking for files.
#include <windows.h>
#include <shellapi.h>

#include <iterator>
#include <string>

#include "platform/system.h"
#include "base/handles.h"
#include "base/text.h"

namespace platform {
namespace {

// The system's words for an error about file, without the line end and full stop it puts after
// them. Some name the file by an insert ("%1 is not a valid Win32 application"): it gets the path.
std::string ErrorText(DWORD error, const std::wstring& file) {
  wchar_t buffer[1024];
  DWORD length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, /* source= */ nullptr, error,
                     /* language= */ 0, buffer, static_cast<DWORD>(std::size(buffer)),
                     /* arguments= */ nullptr);
  while (length > 0 && std::wstring_view(L"\r\n. ").find(buffer[length - 1]) != std::wstring_view::npos) {
    --length;
  }
  std::wstring text(buffer, length);
  for (std::size_t at = text.find(L"%1"); at != std::wstring::npos; at = text.find(L"%1", at + file.size())) {
    text.replace(at, 2, file);
  }
  return base::Utf8(text);
}

}  // namespace

StartResult StartProgram(std::string_view path) {
  const std::wstring application = base::Wide(path);
  std::wstring commandLine = L"\"" + application + L"\"";  // CreateProcessW may write to it

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(application.c_str(), commandLine.data(), /* processAttributes= */ nullptr,
                      /* threadAttributes= */ nullptr, /* inheritHandles= */ FALSE, /* flags= */ 0,
                      /* environment= */ nullptr, /* currentDirectory= */ nullptr, &startup, &started)) {
    return {false, ErrorText(GetLastError(), application)};
  }
  const base::OwnedHandle process(started.hProcess);
  const base::OwnedHandle thread(started.hThread);
  // A hotkey's press gives this program the right to the foreground; the tool it starts needs it
  // for its dialog or message to come up in front of the window the user was in.
  AllowSetForegroundWindow(started.dwProcessId);
  return {true, {}};
}

void ShellOpen(Hwnd owner, std::string_view operation, std::string_view file) {
  const std::wstring verb = base::Wide(operation);
  ShellExecuteW(owner, verb.empty() ? nullptr : verb.c_str(), base::Wide(file).c_str(),
                /* parameters= */ nullptr, /* directory= */ nullptr, SW_SHOWNORMAL);
}

bool FileExists(std::string_view path) {
  const DWORD attributes = GetFileAttributesW(base::Wide(path).c_str());
  constexpr DWORD kNotPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & kNotPlain) == 0;
}

}  // namespace platform

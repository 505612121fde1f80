// Stand-in for Cramlet.exe and Spillet.exe (built once per TOOL_NAME): appends one line,
// "name<TAB>command line", to ran.log beside itself, then exits.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t self[MAX_PATH];
  std::wstring log(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
  log = log.substr(0, log.find_last_of(L'\\') + 1) + L"ran.log";

  // Tab-separated, so more fields (a timer reading, say) can follow.
  const std::wstring line = std::wstring(TOOL_NAME) + L"\t" + GetCommandLineW() + L"\r\n";
  std::string utf8(WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), nullptr, 0, nullptr, nullptr), 0);
  WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), utf8.data(), int(utf8.size()), nullptr, nullptr);

  // Other doubles may be appending at the same moment: retry while the file is busy.
  for (int attempt = 0; attempt < 1000; ++attempt, Sleep(20)) {  // a burst starts a hundred at once
    HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    DWORD written = 0;
    WriteFile(file, utf8.data(), DWORD(utf8.size()), &written, nullptr);
    CloseHandle(file);
    return 0;
  }
  return 1;
}

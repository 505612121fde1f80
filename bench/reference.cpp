// The least a hotkey launcher can be: a hidden window that holds Ctrl+Alt+Z and Ctrl+Alt+U and
// starts Cramlet.exe or Spillet.exe from its own folder with CreateProcess. The benchmark
// measures Tandrel against it. Built with TRAY_ICON it also adds a tray icon, which prices the
// icon alone (and shell32, which only that build loads).
#include <windows.h>
#ifdef TRAY_ICON
#include <shellapi.h>
#endif

namespace {

// The tool's full path beside this program, and the same path quoted as its command line.
void Start(const wchar_t* tool) {
  wchar_t application[MAX_PATH + 16];
  DWORD length = GetModuleFileNameW(nullptr, application, MAX_PATH);
  while (length > 0 && application[length - 1] != L'\\') --length;
  lstrcpyW(application + length, tool);
  wchar_t commandLine[MAX_PATH + 20] = L"\"";
  lstrcatW(commandLine, application);
  lstrcatW(commandLine, L"\"");

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (CreateProcessW(application, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
  }
}

LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_HOTKEY) {
    Start(wParam == 1 ? L"Cramlet.exe" : L"Spillet.exe");
    return 0;
  }
  if (msg == WM_CLOSE) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSW form{};
  form.lpfnWndProc = Procedure;
  form.hInstance = instance;
  form.lpszClassName = L"BenchReference";
  RegisterClassW(&form);
  const HWND hwnd = CreateWindowExW(0, form.lpszClassName, L"Reference", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                    nullptr, instance, nullptr);
  RegisterHotKey(hwnd, 1, MOD_CONTROL | MOD_ALT, 'Z');
  RegisterHotKey(hwnd, 2, MOD_CONTROL | MOD_ALT, 'U');

#ifdef TRAY_ICON
  NOTIFYICONDATAW icon{};
  icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
  icon.hWnd = hwnd;
  icon.uID = 1;
  icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  icon.uCallbackMessage = WM_APP + 1;
  icon.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  lstrcpynW(icon.szTip, L"Reference", 64);
  Shell_NotifyIconW(NIM_ADD, &icon);
#endif

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
#ifdef TRAY_ICON
  Shell_NotifyIconW(NIM_DELETE, &icon);
#endif
  return 0;
}

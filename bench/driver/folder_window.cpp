#include "folder_window.h"

namespace {

constexpr wchar_t kShellKey[] = L"Software\\Tandrel Tests\\Shell";
constexpr wchar_t kServerKey[] = L"Software\\Classes\\CLSID\\{9BA05972-F6A8-11CF-A442-00A0C90A8F39}\\InprocServer32";

LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool SetValue(HKEY root, const wchar_t* key, const wchar_t* name, DWORD type, const void* data, std::size_t size) {
  return RegSetKeyValueW(root, key, name, type, data, static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

bool SetText(HKEY root, const wchar_t* key, const wchar_t* name, const std::wstring& text) {
  return SetValue(root, key, name, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

// Back to what it was: an empty text was none.
void Restore(const wchar_t* name, const std::wstring& previous) {
  if (previous.empty()) {
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kServerKey, name);
  } else {
    SetText(HKEY_LOCAL_MACHINE, kServerKey, name, previous);
  }
}

std::wstring Text(HKEY root, const wchar_t* key, const wchar_t* name) {
  wchar_t text[MAX_PATH * 2] = L"";
  DWORD size = sizeof text - sizeof(wchar_t);
  return RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, text, &size) == ERROR_SUCCESS ? text : L"";
}

}  // namespace

FolderWindow::FolderWindow() : thread_(CreateThread(nullptr, 0, Run, this, 0, nullptr)) {
  if (thread_) WaitForSingleObject(ready_.get(), 10000);
}

FolderWindow::~FolderWindow() {
  if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
  if (thread_) WaitForSingleObject(thread_.get(), 5000);
  RegDeleteTreeW(HKEY_CURRENT_USER, kShellKey);
}

DWORD WINAPI FolderWindow::Run(void* self) {
  auto& me = *static_cast<FolderWindow*>(self);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  windowClass.lpszClassName = L"CabinetWClass";
  RegisterClassW(&windowClass);
  me.window_ = CreateWindowExW(0, L"CabinetWClass", L"Folder window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 240, 160, 640,
                               420, nullptr, nullptr, windowClass.hInstance, nullptr);
  SetEvent(me.ready_.get());
  MSG msg;
  while (me.window_ && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}

bool FolderWindow::Show(const std::wstring& folder, const std::wstring& item) const {
  const DWORD zero = 0;
  const DWORD window = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(window_));
  const std::wstring selection = item + L'\0';  // and the string's own: the list's end
  RegDeleteTreeW(HKEY_CURRENT_USER, kShellKey);
  if (!window_ || !SetValue(HKEY_CURRENT_USER, kShellKey, L"Window", REG_DWORD, &window, sizeof window) ||
      !SetValue(HKEY_CURRENT_USER, kShellKey, L"Hang", REG_DWORD, &zero, sizeof zero) ||
      !SetValue(HKEY_CURRENT_USER, kShellKey, L"Slow", REG_DWORD, &zero, sizeof zero) ||
      !SetText(HKEY_CURRENT_USER, kShellKey, L"Folder", folder) ||
      !SetValue(HKEY_CURRENT_USER, kShellKey, L"Selection", REG_MULTI_SZ, selection.c_str(),
                (selection.size() + 1) * sizeof(wchar_t))) {
    return false;
  }
  if (GetForegroundWindow() == window_) return true;
  SetForegroundWindow(window_);
  for (int i = 0; i < 500 && GetForegroundWindow() != window_; ++i) Sleep(10);
  return GetForegroundWindow() == window_;
}

// The driver is a 32-bit program: its HKLM\Software\Classes is the 32-bit view the tools read.
ShellStandIn::ShellStandIn(const std::wstring& dll) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kServerKey, 0, nullptr, 0, KEY_QUERY_VALUE, nullptr, &key, &disposition) !=
      ERROR_SUCCESS) {
    return;
  }
  RegCloseKey(key);
  created_ = disposition == REG_CREATED_NEW_KEY;
  previous_ = Text(HKEY_LOCAL_MACHINE, kServerKey, nullptr);
  previousModel_ = Text(HKEY_LOCAL_MACHINE, kServerKey, L"ThreadingModel");
  ok_ = SetText(HKEY_LOCAL_MACHINE, kServerKey, nullptr, dll) &&
        SetText(HKEY_LOCAL_MACHINE, kServerKey, L"ThreadingModel", L"Both");
}

ShellStandIn::~ShellStandIn() {
  if (created_) {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kServerKey);
  } else {
    Restore(nullptr, previous_);
    Restore(L"ThreadingModel", previousModel_);
  }
}

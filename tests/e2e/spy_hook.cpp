// Spy DLL: Wine loads it into Tandrel when the hook the test sets on its UI thread first fires.
#include <cstring>
#include <cwchar>
#include <type_traits>

#include "spy_shared.h"

#include <shellapi.h>
#include <windowsx.h>

namespace {

template <typename Use>
void WithReport(Use use) {
  HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, e2e::kSpyMappingName);
  if (!mapping) return;
  if (auto* report =
          static_cast<e2e::SpyReport*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(e2e::SpyReport)))) {
    use(*report);
    UnmapViewOfFile(report);
  }
  CloseHandle(mapping);
}

void CopyMenu(HMENU menu) {
  const int count = GetMenuItemCount(menu);
  if (count <= 0) return;
  wchar_t text[4096] = L"";
  for (int i = 0; i < count; ++i) {
    wchar_t item[256] = L"";
    if (GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR)
      wcscpy(item, e2e::kSeparatorLine);
    else
      GetMenuStringW(menu, i, item, 256, MF_BYPOSITION);
    if (wcslen(text) + wcslen(item) + 2 > 4096) break;
    wcscat(text, item);
    wcscat(text, L"\n");
  }
  WithReport([&](e2e::SpyReport& report) {
    wcscpy(report.menuLines, text);
    InterlockedIncrement(&report.menuSequence);
  });
}

bool TrayShown() {
  HWND tray = FindWindowW(nullptr, e2e::kTrayTitle);
  return tray && IsWindowVisible(tray);
}

bool IsTrayHost(HWND hwnd) {
  wchar_t title[32] = L"";
  return GetWindowTextW(hwnd, title, 32) && wcscmp(title, e2e::kTrayHostTitle) == 0;
}

bool IsPopupMenuWindow(HWND hwnd) {
  wchar_t name[16] = L"";
  return GetClassNameW(hwnd, name, 16) && wcscmp(name, L"#32768") == 0;
}

bool HotkeyHeld(UINT key) {
  if (!RegisterHotKey(nullptr, 0x7e2e, MOD_CONTROL | MOD_ALT, key)) return true;
  UnregisterHotKey(nullptr, 0x7e2e);
  return false;
}

using NotifyIconProc = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAW);

// The slot of Tandrel.exe's import table its calls of that function go through.
template <typename Proc>
Proc* ImportSlot(const char* dll, const char* function) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
  for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); imports && entry->Name; ++entry) {
    if (_stricmp(reinterpret_cast<char*>(base + entry->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots)
      if (!IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) &&
          strcmp(reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name, function) == 0)
        return reinterpret_cast<Proc*>(&slots->u1.Function);
  }
  return nullptr;
}

template <typename Proc>
void Patch(Proc* slot, std::type_identity_t<Proc> proc) {
  DWORD old = 0;
  VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
  *slot = proc;
  VirtualProtect(slot, sizeof *slot, old, &old);
}

SIZE IconSize(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return {};
  BITMAP bitmap{};
  GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  const SIZE size{bitmap.bmWidth, info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2};  // a mask holds AND over XOR
  if (info.hbmColor) DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return size;
}

SIZE trayIconSeen;
DWORD trayMessageSeen;

// Stands in for the shell while the program hands its icon over: the icon is in the tray already.
BOOL WINAPI RecordNotifyIcon(DWORD message, PNOTIFYICONDATAW data) {
  if (data && (data->uFlags & NIF_ICON)) {
    trayIconSeen = IconSize(data->hIcon);
    trayMessageSeen = message;
  }
  return TRUE;
}

// Runs action with the program's Shell_NotifyIconW calls recorded instead, then reports them.
template <typename Action>
void ReportTrayIcon(Action action) {
  trayIconSeen = {};
  trayMessageSeen = 0;
  if (NotifyIconProc* slot = ImportSlot<NotifyIconProc>("shell32.dll", "Shell_NotifyIconW")) {
    const NotifyIconProc shell = *slot;
    Patch(slot, RecordNotifyIcon);
    action();
    Patch(slot, shell);
  }
  HDC screen = GetDC(nullptr);
  const LONG dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  WithReport([&](e2e::SpyReport& report) {
    report.trayIconWidth = trayIconSeen.cx;
    report.trayIconHeight = trayIconSeen.cy;
    report.trayMessage = LONG(trayMessageSeen);
    report.smallIconMetricX = GetSystemMetrics(SM_CXSMICON);
    report.smallIconMetricY = GetSystemMetrics(SM_CYSMICON);
    report.screenDpi = dpi;
    InterlockedIncrement(&report.iconSequence);
  });
}

// "TaskbarCreated" makes the program add its icon anew, as after the shell restarts.
void MeasureTrayIcon(HWND host) {
  ReportTrayIcon([&] { SendMessageW(host, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0); });
}

void ChangeDpi(HWND hwnd, WORD dpi, LPARAM clientSize) {
  RECT window{}, client{};
  GetWindowRect(hwnd, &window);
  GetClientRect(hwnd, &client);
  RECT suggested = window;
  suggested.right += GET_X_LPARAM(clientSize) - client.right;
  suggested.bottom += GET_Y_LPARAM(clientSize) - client.bottom;
  const LPARAM rect = reinterpret_cast<LPARAM>(&suggested);
  ReportTrayIcon([&] { SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), rect); });
  // What the program invalidated is painted before the test looks (a screenshot, say).
  RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

using ParametersProc = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT);
ParametersProc systemParameters;

BOOL WINAPI HighContrastOn(UINT action, UINT size, PVOID data, UINT winIni) {
  if (action != SPI_GETHIGHCONTRAST || !data) return systemParameters(action, size, data, winIni);
  auto* contrast = static_cast<HIGHCONTRASTW*>(data);
  contrast->dwFlags = HCF_AVAILABLE | HCF_HIGHCONTRASTON;
  contrast->lpszDefaultScheme = nullptr;
  return TRUE;
}

BOOL CALLBACK Redraw(HWND hwnd, LPARAM) {
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  return TRUE;
}

// For the rest of the program's run; what it has drawn already is drawn again.
void TurnHighContrastOn() {
  // A program that does not import the function never asks.
  ParametersProc* slot = ImportSlot<ParametersProc>("user32.dll", "SystemParametersInfoW");
  if (slot && *slot != HighContrastOn) {
    systemParameters = *slot;
    Patch(slot, HighContrastOn);
  }
  EnumThreadWindows(GetCurrentThreadId(), Redraw, 0);
  WithReport([](e2e::SpyReport& report) { InterlockedIncrement(&report.highContrastSequence); });
}

// Wine-specific: Wine takes a GDI or USER handle whose upper word is zero as "whatever object
// is in this slot", so a scan of the slots finds every live object of the process.
void CountObjects() {
  LONG handles = 0, gdi = 0, user = 0;
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++handles;
  }
  for (ULONG_PTR slot = 0; slot < 0x10000; ++slot)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(slot))) ++gdi;
  using GetIconSize = BOOL(WINAPI*)(HICON, UINT, LONG*, LONG*);
  const auto iconSize = reinterpret_cast<GetIconSize>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"win32u.dll"), "NtUserGetIconSize")));
  for (ULONG_PTR slot = 0x20; slot <= 0xffef; slot += 2) {  // USER handles step by two
    const auto handle = reinterpret_cast<HANDLE>(slot);
    DWORD owner = 0;
    LONG width = 0, height = 0;
    if (IsWindow(static_cast<HWND>(handle)) && GetWindowThreadProcessId(static_cast<HWND>(handle), &owner) &&
        owner == GetCurrentProcessId())
      ++user;
    else if (IsMenu(static_cast<HMENU>(handle)) || (iconSize && iconSize(static_cast<HICON>(handle), 0, &width, &height)))
      ++user;
  }
  WithReport([&](e2e::SpyReport& report) {
    report.kernelHandles = handles;
    report.gdiObjects = gdi;
    report.userObjects = user;
    InterlockedIncrement(&report.countSequence);
  });
}

void ProbeDllSearch() {
  const auto tryLoad = [](HMODULE module) {
    if (module) FreeLibrary(module);
    return LONG(module != nullptr);
  };
  const LONG byName = tryLoad(LoadLibraryW(e2e::kPlantDll));
  const LONG fromFolder = tryLoad(LoadLibraryExW(e2e::kPlantDll, nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR));
  WithReport([&](e2e::SpyReport& report) {
    report.plantLoadedByName = byName;
    report.plantLoadedFromProgramFolder = fromFolder;
    InterlockedIncrement(&report.dllSearchSequence);
  });
}

}  // namespace

// A menu popped with TPM_NONOTIFY sends no WM_INITMENUPOPUP nor WM_MENUSELECT: the popup
// window (class #32768) showing is the cue too.
extern "C" __declspec(dllexport) LRESULT CALLBACK SpyHookProc(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT measureMessage = RegisterWindowMessageW(e2e::kSpyMeasureMessage);
  static const UINT dpiMessage = RegisterWindowMessageW(e2e::kSpyDpiMessage);
  static const UINT countMessage = RegisterWindowMessageW(e2e::kSpyCountMessage);
  static const UINT dllSearchMessage = RegisterWindowMessageW(e2e::kSpyDllSearchMessage);
  static const UINT highContrastMessage = RegisterWindowMessageW(e2e::kSpyHighContrastMessage);
  if (code == HC_ACTION) {
    const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (msg->message == WM_INITMENUPOPUP)
      CopyMenu(reinterpret_cast<HMENU>(msg->wParam));
    else if (msg->message == WM_MENUSELECT && msg->lParam)
      CopyMenu(reinterpret_cast<HMENU>(msg->lParam));
    else if ((msg->message == WM_SHOWWINDOW || msg->message == WM_WINDOWPOSCHANGED) && IsPopupMenuWindow(msg->hwnd))
      CopyMenu(reinterpret_cast<HMENU>(SendMessageW(msg->hwnd, MN_GETHMENU, 0, 0)));
    else if (msg->message == measureMessage && IsTrayHost(msg->hwnd))
      MeasureTrayIcon(msg->hwnd);
    else if (msg->message == dpiMessage)
      ChangeDpi(msg->hwnd, WORD(msg->wParam), msg->lParam);
    else if (msg->message == countMessage)
      CountObjects();
    else if (msg->message == dllSearchMessage)
      ProbeDllSearch();
    else if (msg->message == highContrastMessage)
      TurnHighContrastOn();
    else if (msg->message == WM_DESTROY && IsTrayHost(msg->hwnd)) {
      const LONG shown = TrayShown();
      WithReport([&](e2e::SpyReport& report) { report.trayShownAtHostDestroy = shown; });
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // reserved != nullptr: the process is ending (not an unload). Its windows and hotkeys
  // still stand here, unless the program let go of them itself.
  if (reason == DLL_PROCESS_DETACH && reserved) {
    const LONG trayShown = TrayShown();
    const LONG held = LONG(HotkeyHeld('Z')) + LONG(HotkeyHeld('U'));
    WithReport([&](e2e::SpyReport& report) {
      report.trayShownAtExit = trayShown;
      report.hotkeysHeldAtExit = held;
      InterlockedExchange(&report.exited, 1);
    });
  }
  return TRUE;
}

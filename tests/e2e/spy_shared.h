// Shared by the spy DLL (hooked into Tandrel's UI thread) and the tests. Wine refuses to read
// another process's menu, and cleans up the tray icon and hotkeys of destroyed windows and
// dead processes itself, so the spy looks from inside: it copies the open popup's lines,
// measures the image the tray gets, and notes what was still held as the windows went and the
// process ended. It also stands in for a move to a monitor of another DPI.
#pragma once
#include <windows.h>

namespace e2e {

inline constexpr wchar_t kSpyDll[] = L"e2e_spy.dll";  // beside e2e_tests.exe
inline constexpr char kSpyHookProc[] = "SpyHookProc";  // exported undecorated (--kill-at)
inline constexpr wchar_t kSpyMappingName[] = L"TandrelE2ESpy";
inline constexpr wchar_t kSeparatorLine[] = L"<separator>";
inline constexpr wchar_t kTrayTitle[] = L"Wine System Tray";  // hidden while it holds no icon
inline constexpr wchar_t kTrayHostTitle[] = L"Systray form";   // Tandrel's window owning the icon
// Sent to the tray host: the spy has the program hand its icon over again and measures it.
inline constexpr wchar_t kSpyMeasureMessage[] = L"TandrelE2ESpyMeasureTrayIcon";
// Sent to any of Tandrel's windows, wParam the new DPI, lParam MAKELPARAM(width, height): the spy
// sends it WM_DPICHANGED suggesting its place with a client area of that size inside the frame it
// has now (Wine draws frames at one DPI), and measures any image handed to the tray meanwhile.
inline constexpr wchar_t kSpyDpiMessage[] = L"TandrelE2ESpyChangeDpi";
// Sent to any of Tandrel's windows: the spy counts what the process holds (Wine's
// GetProcessHandleCount and GetGuiResources report nothing).
inline constexpr wchar_t kSpyCountMessage[] = L"TandrelE2ESpyCountObjects";
// Sent to any of Tandrel's windows: the spy asks the loader for kPlantDll by bare name, as any
// LoadLibrary in the program would, and once more from the program's folder explicitly.
inline constexpr wchar_t kSpyDllSearchMessage[] = L"TandrelE2ESpyDllSearch";
inline constexpr wchar_t kPlantDll[] = L"e2e_plant.dll";
// Sent to any of Tandrel's windows: from then on the program's SystemParametersInfoW answers that
// high contrast is on, as Windows does in a high-contrast scheme. (Wine 8 always answers that it
// is off, and refuses SPI_SETHIGHCONTRAST with ERROR_INVALID_SPI_VALUE.)
inline constexpr wchar_t kSpyHighContrastMessage[] = L"TandrelE2ESpyHighContrast";

struct SpyReport {
  volatile LONG menuSequence;  // bumped after each copy of the menu
  wchar_t menuLines[4096];     // one item per line, '\n'-terminated
  // Wine drops an icon once its window is gone (Windows leaves a ghost): so look while the
  // tray host is being destroyed, too.
  LONG trayShownAtHostDestroy;
  volatile LONG exited;        // set as the process ends normally, after the two below
  LONG trayShownAtExit;
  LONG hotkeysHeldAtExit;      // of Ctrl+Alt+Z and Ctrl+Alt+U
  // The image the program gives the tray (0 if none), and the size and DPI it sees itself.
  volatile LONG iconSequence;  // bumped after each measure or DPI change
  LONG trayIconWidth, trayIconHeight;
  LONG trayMessage;  // NIM_ADD, NIM_MODIFY... that handed the image over
  LONG smallIconMetricX, smallIconMetricY;  // SM_CXSMICON, SM_CYSMICON
  LONG screenDpi;
  volatile LONG countSequence;  // bumped after each count
  LONG kernelHandles, gdiObjects, userObjects;  // user: windows, menus, icons and cursors
  volatile LONG dllSearchSequence;  // bumped after each probe of the DLL search
  LONG plantLoadedByName, plantLoadedFromProgramFolder;
  volatile LONG highContrastSequence;  // bumped once the program's import is taken over
};

}  // namespace e2e

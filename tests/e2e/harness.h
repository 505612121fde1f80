// Drives the real Tandrel.exe from inside Wine: its process and windows, the settings, key
// presses, the tray icon (through xdotool on the Unix side), the spy DLL, and screenshots.
#pragma once
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/text.h"
#include "spy_shared.h"

namespace e2e {

// The programs' own conversions.
inline std::wstring Widen(const std::string& text) { return base::Wide(text); }
inline std::string Narrow(const std::wstring& text) { return base::Utf8(text); }

inline std::wstring WindowsPathOf(const std::string& unixPath) {  // Z: is the Unix root in every prefix
  std::wstring out = L"Z:" + Widen(unixPath);
  for (auto& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

inline std::string ReadAll(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Handed over by tests/e2e/run through the environment.
struct Paths {
  std::wstring program;       // E2E_PROGRAM: Tandrel.exe, in a folder whose path has blanks
  std::wstring toolsProgram;  // E2E_TOOLS_PROGRAM: a copy beside the real Cramlet.exe and Spillet.exe
  std::string unixWork;       // E2E_WORK: scratch folder (Unix path)
  std::string unixShots;      // E2E_SHOTS: screenshots (Unix path)
  std::wstring folder;        // the program's folder, with a trailing backslash
  std::wstring toolsFolder;   // the real tools' folder, likewise
  std::wstring setup;         // E2E_SETUP: the release installer, if given
};

inline const Paths& GetPaths() {
  static const Paths paths = [] {
    auto env = [](const char* name) { return std::string(std::getenv(name) ? std::getenv(name) : ""); };
    Paths p{Widen(env("E2E_PROGRAM")), Widen(env("E2E_TOOLS_PROGRAM")), env("E2E_WORK"), env("E2E_SHOTS"), {}, {},
            Widen(env("E2E_SETUP"))};
    p.folder = p.program.substr(0, p.program.find_last_of(L'\\') + 1);
    p.toolsFolder = p.toolsProgram.substr(0, p.toolsProgram.find_last_of(L'\\') + 1);
    return p;
  }();
  return paths;
}

// Polls: Wine's timing varies too much for fixed sleeps.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
  for (const ULONGLONG deadline = GetTickCount64() + timeoutMs;; Sleep(50)) {
    if (done()) return true;
    if (GetTickCount64() >= deadline) return false;
  }
}

inline std::wstring ClassOf(HWND hwnd) {
  wchar_t name[256] = L"";
  GetClassNameW(hwnd, name, 256);
  return name;
}

inline std::wstring TextOf(HWND hwnd) {  // with a time-out: a hung program must not hang the suite
  wchar_t text[1024] = L"";
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &copied);
  return text;
}

// EnumWindows wants stdcall callbacks, which i686 lambdas are not: route through one.
using Visitor = std::function<bool(HWND)>;  // false stops the walk
inline BOOL CALLBACK Visit(HWND hwnd, LPARAM visitor) { return (*reinterpret_cast<Visitor*>(visitor))(hwnd); }
inline void ForEachTopWindow(Visitor visitor) { EnumWindows(Visit, reinterpret_cast<LPARAM>(&visitor)); }

inline std::vector<std::wstring> ChildTexts(HWND parent, const wchar_t* className) {
  std::vector<std::wstring> found;
  Visitor visitor = [&](HWND hwnd) {
    if (_wcsicmp(ClassOf(hwnd).c_str(), className) == 0) found.push_back(TextOf(hwnd));
    return true;
  };
  EnumChildWindows(parent, Visit, reinterpret_cast<LPARAM>(&visitor));
  return found;
}

inline HWND FindChild(HWND parent, const wchar_t* className, const wchar_t* text = nullptr) {
  HWND found = nullptr;
  Visitor visitor = [&](HWND hwnd) {
    if (ClassOf(hwnd) == className && (!text || TextOf(hwnd) == text)) found = hwnd;
    return found == nullptr;
  };
  EnumChildWindows(parent, Visit, reinterpret_cast<LPARAM>(&visitor));
  return found;
}

// A child window's place in its parent's client area, as "left,top widthxheight".
inline RECT PlaceInClient(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

inline std::string PlaceText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
         std::to_string(r.bottom - r.top);
}

struct TopWindow {
  HWND hwnd;
  std::wstring className, title;
  bool visible;
};

inline std::string Describe(const std::vector<TopWindow>& windows) {  // for failure messages
  std::string text = "windows:";
  for (const auto& w : windows)
    text += " [\"" + Narrow(w.title) + "\" " + Narrow(w.className) + (w.visible ? " visible]" : " hidden]");
  return text;
}

inline std::vector<TopWindow> WindowsOf(DWORD process, bool visibleOnly = false) {
  std::vector<TopWindow> found;
  ForEachTopWindow([&](HWND hwnd) {
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    const bool visible = IsWindowVisible(hwnd);
    if (owner == process && (visible || !visibleOnly)) found.push_back({hwnd, ClassOf(hwnd), TextOf(hwnd), visible});
    return true;
  });
  return found;
}

// One Tandrel.exe started by a test; terminated at the end unless it ended by itself.
class Program {
 public:
  explicit Program(std::wstring path = GetPaths().program) : path_(std::move(path)) {}
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  ~Program() { Stop(); }

  bool Start(std::wstring desktop = {}) {  // on the caller's desktop unless one is named
    std::wstring commandLine = L"\"" + path_ + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!desktop.empty()) startup.lpDesktop = desktop.data();
    // From C:\ on purpose: the tools must be found beside the program, not in the current folder.
    if (!CreateProcessW(path_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        L"C:\\", &startup, &info_))
      return false;
    // Start-up is done once its thread first waits for input. (Probing the hotkeys earlier
    // could take one from under the program.)
    WaitForInputIdle(info_.hProcess, 10000);
    return true;
  }

  void Stop() {
    if (!info_.hProcess) return;
    if (Running()) {
      TerminateProcess(info_.hProcess, 1);
      WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
    info_ = {};
  }

  bool Running() const { return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
  DWORD Id() const { return info_.dwProcessId; }
  bool WaitForExit(int timeoutMs) { return WaitForSingleObject(info_.hProcess, timeoutMs) == WAIT_OBJECT_0; }
  DWORD ExitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
  }

  std::vector<TopWindow> Windows(bool visibleOnly = false) const { return WindowsOf(info_.dwProcessId, visibleOnly); }

  HWND Window(const std::wstring& title, const std::wstring& className) const {
    for (const auto& w : Windows())
      if (w.title == title && w.className == className) return w.hwnd;
    return nullptr;
  }

 private:
  std::wstring path_;
  PROCESS_INFORMATION info_{};
};

// The DPI Wine gives processes started from now on; the value before comes back at the end.
class ScopedDpi {
 public:
  explicit ScopedDpi(DWORD dpi) {
    DWORD size = sizeof before_;
    had_ = RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_REG_DWORD, nullptr, &before_, &size) == ERROR_SUCCESS;
    set_ = Store(dpi);
  }
  ScopedDpi(const ScopedDpi&) = delete;
  ScopedDpi& operator=(const ScopedDpi&) = delete;
  ~ScopedDpi() {
    if (had_)
      Store(before_);
    else
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue);
  }
  bool Set() const { return set_; }

 private:
  static constexpr wchar_t kKey[] = L"Control Panel\\Desktop", kValue[] = L"LogPixels";
  static bool Store(DWORD dpi) {
    return RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_DWORD, &dpi, sizeof dpi) == ERROR_SUCCESS;
  }
  DWORD before_ = 0;
  bool had_ = false, set_ = false;
};

inline constexpr wchar_t kSettingsKey[] = L"Software\\VB and VBA Program Settings\\Tandrel";

inline bool ClearSettings() {
  const LONG result = RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

inline bool StoreSetting(const wchar_t* section, const wchar_t* name, const wchar_t* value) {
  const std::wstring path = std::wstring(kSettingsKey) + L"\\" + section;
  return RegSetKeyValueW(HKEY_CURRENT_USER, path.c_str(), name, REG_SZ, value,
                         DWORD((wcslen(value) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// Every stored setting as "section\\name" -> text; a value of another type shows as "<type N>".
inline std::map<std::wstring, std::wstring> StoredSettings() {
  std::map<std::wstring, std::wstring> found;
  HKEY root = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &root) != ERROR_SUCCESS) return found;
  wchar_t section[256], name[256], data[1024];
  for (DWORD i = 0, length = 256;
       RegEnumKeyExW(root, i, section, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++i, length = 256) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, section, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
    DWORD type = 0, nameLength = 256, size = sizeof data;
    auto* bytes = reinterpret_cast<BYTE*>(data);
    for (DWORD j = 0; RegEnumValueW(key, j, name, &nameLength, nullptr, &type, bytes, &size) == ERROR_SUCCESS;
         ++j, nameLength = 256, size = sizeof data) {
      const std::wstring text(data, size / sizeof(wchar_t));
      found[std::wstring(section) + L"\\" + name] =
          type == REG_SZ ? text.c_str() : L"<type " + std::to_wstring(type) + L">";
    }
    RegCloseKey(key);
  }
  RegCloseKey(root);
  return found;
}

// Presses the keys in order and releases them in reverse, as one SendInput batch.
inline bool PressKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  auto add = [&](WORD vk, DWORD flags) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki = {vk, WORD(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)), flags, 0, 0};
    inputs.push_back(in);
  };
  for (WORD vk : keys) add(vk, 0);
  for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) add(*it, KEYEVENTF_KEYUP);
  return SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// The window with the keyboard focus on that thread (across processes, unlike GetFocus).
inline HWND FocusIn(DWORD thread) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

inline bool HotkeyIsFree(UINT modifiers, UINT key) {  // i.e. this process could register it
  if (!RegisterHotKey(nullptr, 0x7e2e, modifiers, key)) return false;
  UnregisterHotKey(nullptr, 0x7e2e);
  return true;
}

// Runs a shell script on the Unix side; returns its exit code, -1 on time-out.
inline int RunUnix(const std::string& script, int timeoutMs = 15000) {
  // Wine starts an ELF binary from CreateProcess but gives nothing to wait on, so the script
  // signals its end by renaming its exit-code file into place.
  static int counter = 0;
  const std::string base = GetPaths().unixWork + "/unix-" + std::to_string(++counter);
  std::ofstream(WindowsPathOf(base + ".sh").c_str(), std::ios::binary)
      << "{ " << script << "\n} >'" << base << ".out' 2>&1\n"
      << "echo $? >'" << base << ".tmp' && mv '" << base << ".tmp' '" << base << ".rc'\n";
  std::wstring commandLine = L"Z:\\bin\\sh " + Widen(base + ".sh");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION garbage{};
  // Wine fills PROCESS_INFORMATION with garbage here: closing its "hThread" once closed this
  // process's HKEY_CURRENT_USER. There is nothing real to close.
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &garbage))
    return -1;
  const std::wstring rcFile = WindowsPathOf(base + ".rc");
  if (!WaitUntil([&] { return GetFileAttributesW(rcFile.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeoutMs))
    return -1;
  return std::atoi(ReadAll(rcFile).c_str());
}

// The whole screen, or the window given as a user sees it, frame and caption included.
inline void Screenshot(const std::string& moment, HWND window = nullptr) {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name = std::string(test->test_suite_name()) + "." + test->name() + "-" + moment;
  std::string crop;
  RECT rect{};
  if (window && GetWindowRect(window, &rect))
    crop = " -crop " + std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top) + "+" +
           std::to_string(rect.left) + "+" + std::to_string(rect.top) + " +repage";
  RunUnix("import -window root" + crop + " '" + GetPaths().unixShots + "/" + name + ".png'");
}

// What the screen shows in rect (screen coordinates), as 0x00RRGGBB, row by row.
struct ScreenImage {
  RECT rect{};
  std::vector<DWORD> pixels;
  DWORD At(POINT p) const { return pixels[size_t(p.y - rect.top) * (rect.right - rect.left) + (p.x - rect.left)]; }
};

inline ScreenImage CaptureScreen(const RECT& rect) {
  ScreenImage image{rect, std::vector<DWORD>(size_t(rect.right - rect.left) * (rect.bottom - rect.top))};
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = rect.right - rect.left;
  format.bmiHeader.biHeight = -(rect.bottom - rect.top);  // top row first
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ before = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, rect.right - rect.left, rect.bottom - rect.top, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  if (bits) memcpy(image.pixels.data(), bits, image.pixels.size() * sizeof(DWORD));
  SelectObject(memory, before);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return image;
}

// Wine's own tray window, which holds the icons when no X system tray exists.
inline HWND VisibleTrayWindow() {
  HWND tray = FindWindowW(nullptr, kTrayTitle);
  return tray && IsWindowVisible(tray) ? tray : nullptr;
}

// Runs body on a thread of a new desktop, where all it sees, hooks and starts belongs; body
// gets the desktop's name to start programs on, and must end them. Each desktop has an explorer
// of its own, which holds its tray and takes the DPI once, as it starts (in about 0.2 s); the
// default desktop's cannot be restarted. After the last program, Wine takes about 2 s to end it,
// and its tray stays on screen till then: waited for, so that none is left over another case.
inline bool OnOwnDesktop(std::function<void(const std::wstring& name)> body) {
  static int count = 0;  // a closing desktop must not be opened again
  struct Job {
    std::wstring name;
    std::function<void(const std::wstring&)>& body;
    HDESK desktop = CreateDesktopW(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    HANDLE explorer = nullptr;
    bool entered = false;
    static DWORD WINAPI Run(void* job) {
      auto& self = *static_cast<Job*>(job);
      if (!(self.entered = SetThreadDesktop(self.desktop) != FALSE)) return 0;
      self.body(self.name);
      DWORD explorer = 0;
      GetWindowThreadProcessId(GetDesktopWindow(), &explorer);
      self.explorer = OpenProcess(SYNCHRONIZE, FALSE, explorer);
      return 0;
    }
  } job{L"TandrelE2E-" + std::to_wstring(++count), body};
  if (!job.desktop) return false;
  if (HANDLE thread = CreateThread(nullptr, 0, Job::Run, &job, 0, nullptr)) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
  CloseDesktop(job.desktop);
  if (job.explorer) {
    WaitForSingleObject(job.explorer, 10000);
    CloseHandle(job.explorer);
  }
  return job.entered;
}

// A real pointer move onto the icon in that slot (0: the first), then a click unless button is 0.
inline bool PointAtTrayIcon(int button, int slot = 0) {
  RECT rect{};
  HWND tray = VisibleTrayWindow();
  if (!tray || !GetWindowRect(tray, &rect)) return false;
  // Xvfb has no window manager and every window opens at 0,0: lift our tray (not another
  // prefix's on a shared display) over them. The pointer comes in from below, so the icon sees
  // it arrive even if it rested there, and stops on the first icon's middle.
  SetWindowPos(tray, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  const int pitch = GetSystemMetrics(SM_CXSMICON) + 4;  // Wine's tray: a 2-pixel border each side
  const std::string x = std::to_string(rect.left + slot * pitch + GetSystemMetrics(SM_CXSMICON) / 2 + 2);
  const std::string y = std::to_string((rect.top + rect.bottom) / 2);
  std::string script = "xdotool mousemove " + x + " " + std::to_string(rect.bottom + 40) + " mousemove " + x + " " + y;
  if (button) script += " click " + std::to_string(button);
  return RunUnix(script) == 0;
}

// A real click of the left button, at the middle of the window or at the point of it given.
inline bool ClickOn(HWND window, std::optional<POINT> at = std::nullopt) {
  RECT rect{};
  if (!GetWindowRect(window, &rect)) return false;
  const POINT point = at ? POINT{rect.left + at->x, rect.top + at->y}
                         : POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  return RunUnix("xdotool mousemove " + std::to_string(point.x) + " " + std::to_string(point.y) + " click 1") == 0;
}

inline std::wstring MessageBoxText(HWND box) {  // its lines; the icon's static has none
  std::wstring text;
  for (const auto& part : ChildTexts(box, L"Static")) text += part;
  return text;
}

inline std::wstring TooltipShown() {
  std::wstring tip;
  ForEachTopWindow([&](HWND hwnd) {
    if (IsWindowVisible(hwnd) && ClassOf(hwnd) == L"tooltips_class32") tip = TextOf(hwnd);
    return tip.empty();
  });
  return tip;
}

// Hooks the spy DLL into Tandrel's UI thread (see spy_shared.h).
class Spy {
 public:
  explicit Spy(DWORD threadId) {
    mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(SpyReport), kSpyMappingName);
    if (mapping_) report_ = static_cast<SpyReport*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!report_ || !threadId) return;
    ZeroMemory(report_, sizeof(SpyReport));
    // By full path: Wine loads the same file into Tandrel when the hook first fires there.
    wchar_t self[MAX_PATH];
    std::wstring path(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    dll_ = LoadLibraryW((path.substr(0, path.find_last_of(L'\\') + 1) + kSpyDll).c_str());
    if (auto proc = dll_ ? GetProcAddress(dll_, kSpyHookProc) : nullptr)
      hook_ = SetWindowsHookExW(WH_CALLWNDPROC, reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(proc)), dll_,
                                threadId);
  }
  Spy(const Spy&) = delete;
  Spy& operator=(const Spy&) = delete;
  ~Spy() {
    if (hook_) UnhookWindowsHookEx(hook_);
    if (dll_) FreeLibrary(dll_);
    if (report_) UnmapViewOfFile(report_);
    if (mapping_) CloseHandle(mapping_);
  }

  bool Installed() const { return hook_ != nullptr; }

  std::vector<std::wstring> WaitForMenuLines() {
    std::vector<std::wstring> lines;
    if (!report_ || !WaitUntil([&] { return report_->menuSequence > 0; })) return lines;
    std::wistringstream text(report_->menuLines);
    for (std::wstring line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }

  // What the program gives the tray and sees itself (see SpyReport); nullptr if unanswered.
  const SpyReport* MeasureTrayIcon(HWND host) {
    if (!report_) return nullptr;
    const LONG before = report_->iconSequence;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(host, RegisterWindowMessageW(kSpyMeasureMessage), 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    return report_->iconSequence != before ? report_ : nullptr;
  }

  // Has the spy send window a WM_DPICHANGED (see kSpyDpiMessage); nullptr if unanswered.
  const SpyReport* ChangeDpi(HWND window, WORD dpi, SIZE client) {
    if (!report_) return nullptr;
    const LONG before = report_->iconSequence;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, RegisterWindowMessageW(kSpyDpiMessage), dpi, MAKELPARAM(client.cx, client.cy),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
    return report_->iconSequence != before ? report_ : nullptr;
  }

  // Has the program see high contrast on (see kSpyHighContrastMessage); false if unanswered.
  bool TurnHighContrastOn(HWND window) {
    if (!report_) return false;
    const LONG before = report_->highContrastSequence;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, RegisterWindowMessageW(kSpyHighContrastMessage), 0, 0, SMTO_ABORTIFHUNG, 5000,
                        &ignored);
    return report_->highContrastSequence != before;
  }

  // What the process holds now (see kSpyCountMessage); nullptr if unanswered.
  const SpyReport* CountObjects(HWND window) {
    if (!report_) return nullptr;
    const LONG before = report_->countSequence;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, RegisterWindowMessageW(kSpyCountMessage), 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored);
    return report_->countSequence != before ? report_ : nullptr;
  }

  // How the program's loader finds kPlantDll (see kSpyDllSearchMessage); nullptr if unanswered.
  const SpyReport* ProbeDllSearch(HWND window) {
    if (!report_) return nullptr;
    const LONG before = report_->dllSearchSequence;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, RegisterWindowMessageW(kSpyDllSearchMessage), 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    return report_->dllSearchSequence != before ? report_ : nullptr;
  }

  // nullptr unless the process ended normally
  const SpyReport* ExitReport() const { return report_ && report_->exited ? report_ : nullptr; }

 private:
  HANDLE mapping_ = nullptr;
  SpyReport* report_ = nullptr;
  HMODULE dll_ = nullptr;
  HHOOK hook_ = nullptr;
};

// What the tool doubles wrote to ran.log in their folder (the program's unless named, with a
// trailing backslash): {exe name built in, command line}.
using ToolRun = std::pair<std::wstring, std::wstring>;

inline std::vector<ToolRun> ToolRuns(const std::wstring& folder = GetPaths().folder) {
  std::vector<ToolRun> runs;
  std::istringstream log(ReadAll(folder + L"ran.log"));
  for (std::string line; std::getline(log, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto tab = line.find('\t'), end = line.find('\t', tab + 1);  // later fields (timings) are not ours
    if (tab != std::string::npos) runs.emplace_back(Widen(line.substr(0, tab)), Widen(line.substr(tab + 1, end - tab - 1)));
  }
  return runs;
}

// Each case starts from a clean profile and an empty ran.log, and leaves a screenshot when it fails.
class TandrelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(GetPaths().program.empty()) << "E2E_PROGRAM is not set: start the suite through tests/e2e/run";
    ASSERT_TRUE(ClearSettings()) << "could not clear the stored settings";
    DeleteFileW((GetPaths().folder + L"ran.log").c_str());
  }
  void TearDown() override {
    if (HasFailure()) Screenshot("failed");
    tandrel.Stop();
  }

  // Runs check with Wine at dpi, for the program started in it: on this desktop at 96, else on a
  // desktop of its own (its explorer and tray take the DPI as they start). The program is stopped
  // after.
  void AtDpi(DWORD dpi, const std::function<void(const std::wstring& desktop)>& check) {
    const ScopedDpi setDpi(dpi);
    ASSERT_TRUE(setDpi.Set()) << "could not set the DPI";
    if (dpi == 96) {
      check({});
    } else {
      ASSERT_TRUE(OnOwnDesktop([&](const std::wstring& desktop) {
        check(desktop);
        tandrel.Stop();
      })) << "could not enter a desktop of its own";
    }
    tandrel.Stop();
  }

  // A configured profile, so that no window covers the tray (no window manager: all open at 0,0).
  void StartWithTray(const std::wstring& desktop = {}) {
    ASSERT_TRUE(StoreSetting(L"start", L"configured", L"1"));
    ASSERT_TRUE(tandrel.Start(desktop));
    ASSERT_TRUE(WaitUntil([] { return VisibleTrayWindow() != nullptr; })) << "no tray icon shown";
  }

  DWORD UiThread() const { return UiThread(tandrel); }
  static DWORD UiThread(const Program& program) {
    HWND host = program.Window(kTrayHostTitle, L"TandrelForm");
    return host ? GetWindowThreadProcessId(host, nullptr) : 0;
  }

  bool MenuOpen() const { return MenuOpen(tandrel); }
  static bool MenuOpen(const Program& program) { return OpenMenu(program) != nullptr; }
  static HWND OpenMenu(const Program& program) {
    for (const auto& w : program.Windows(/*visibleOnly=*/true))
      if (w.className == L"#32768") return w.hwnd;
    return nullptr;
  }

  // The menu of the icon in that slot of the tray, which program must open.
  void RightClickTheIcon(int slot = 0, const Program* program = nullptr) {
    ASSERT_TRUE(PointAtTrayIcon(3, slot)) << "could not click the tray icon";
    ASSERT_TRUE(WaitUntil([&] { return MenuOpen(program ? *program : tandrel); }))
        << "no menu after a right-click on the icon";
  }

  // By the arrow keys, which skip separators: 1 Get help, 2 About, 3 Settings, 4 Support Tandrel.
  void ChooseFromTrayMenu(int position, int slot = 0, const Program* program = nullptr) {
    ASSERT_NO_FATAL_FAILURE(RightClickTheIcon(slot, program));
    for (int i = 0; i < position; ++i) ASSERT_TRUE(PressKeys({VK_DOWN}));
    ASSERT_TRUE(PressKeys({VK_RETURN}));
  }

  // The program's message boxes showing now (all are captioned Tandrel).
  static std::vector<HWND> MessageBoxes(const Program& program) {
    std::vector<HWND> boxes;
    for (const auto& w : program.Windows(/*visibleOnly=*/true))
      if (w.className == L"#32770" && w.title == L"Tandrel") boxes.push_back(w.hwnd);
    return boxes;
  }

  HWND WaitForMessageBox() {
    std::vector<HWND> boxes;
    WaitUntil([&] { return !(boxes = MessageBoxes(tandrel)).empty(); });
    return boxes.empty() ? nullptr : boxes.front();
  }

  Program tandrel;
};

}  // namespace e2e

// The About and Support windows as the user meets them: opened from the tray menu, worked with
// the keyboard and the mouse, with the system-information tool and the web pages they start.
#include "config_window.h"

namespace e2e {
namespace {

constexpr wchar_t kAboutCaption[] = L"About Tandrel";
constexpr wchar_t kSupportCaption[] = L"Support tandrel.example";
constexpr int kAboutOk = 201, kAboutSysInfo = 203, kAboutLink = 207, kSupportClickHere = 302;
constexpr wchar_t kUnavailable[] = L"System Information Is Unavailable At This Time";
constexpr wchar_t kLocationKey[] = L"SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr wchar_t kMsinfoKey[] = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr wchar_t kToolsFolder[] = L"C:\\Tandrel E2E Tools\\";

// A registry text set for one case, in one view; what stood there before comes back at the end.
class ScopedValue {
 public:
  ScopedValue(HKEY root, std::wstring key, std::wstring name, REGSAM view, const std::wstring& text)
      : root_(root), key_(std::move(key)), name_(std::move(name)), view_(view) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(root_, key_.c_str(), 0, KEY_QUERY_VALUE | view_, &handle) == ERROR_SUCCESS) {
      DWORD size = 0;
      if (RegQueryValueExW(handle, name_.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
        before_.emplace(size);
        RegQueryValueExW(handle, name_.c_str(), nullptr, &type_, before_->data(), &size);
      }
      RegCloseKey(handle);
    }
    DWORD disposition = 0;
    if (RegCreateKeyExW(root_, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view_, nullptr, &handle, &disposition) !=
        ERROR_SUCCESS)
      return;
    createdKey_ = disposition == REG_CREATED_NEW_KEY;
    set_ = RegSetValueExW(handle, name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          DWORD((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    RegCloseKey(handle);
  }
  ScopedValue(const ScopedValue&) = delete;
  ScopedValue& operator=(const ScopedValue&) = delete;
  ~ScopedValue() {
    if (createdKey_) {
      RegDeleteKeyExW(root_, key_.c_str(), view_, 0);
      return;
    }
    HKEY handle = nullptr;
    if (RegOpenKeyExW(root_, key_.c_str(), 0, KEY_SET_VALUE | view_, &handle) != ERROR_SUCCESS) return;
    if (before_)
      RegSetValueExW(handle, name_.c_str(), 0, type_, before_->data(), DWORD(before_->size()));
    else
      RegDeleteValueW(handle, name_.c_str());
    RegCloseKey(handle);
  }
  bool Set() const { return set_; }

 private:
  HKEY root_;
  std::wstring key_, name_;
  REGSAM view_;
  DWORD type_ = 0;
  std::optional<std::vector<BYTE>> before_;
  bool createdKey_ = false, set_ = false;
};

bool Seen(const wchar_t* key, const wchar_t* name, REGSAM view) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE | view, &handle) != ERROR_SUCCESS) return false;
  const bool found = RegQueryValueExW(handle, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(handle);
  return found;
}

// A copy of a tool double under kToolsFolder (a path with blanks), with no ran.log yet; its path.
std::wstring ToolCopy(const std::wstring& subfolder, const std::wstring& name) {
  const std::wstring folder = kToolsFolder + subfolder + L"\\";
  CreateDirectoryW(kToolsFolder, nullptr);
  CreateDirectoryW(folder.c_str(), nullptr);
  DeleteFileW((folder + L"ran.log").c_str());
  const std::wstring path = folder + name;
  return CopyFileW((GetPaths().folder + L"Cramlet.exe").c_str(), path.c_str(), FALSE) ? path : L"";
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\') + 1); }

class Info : public TandrelTest {
 protected:
  HWND Shown(const wchar_t* caption) const {
    HWND window = tandrel.Window(caption, L"TandrelForm");
    return window && IsWindowVisible(window) ? window : nullptr;
  }

  HWND Open(int menuPosition, const wchar_t* caption) {
    HWND window = nullptr;
    [&] {
      ASSERT_NO_FATAL_FAILURE(ChooseFromTrayMenu(menuPosition));
      ASSERT_TRUE(WaitUntil([&] { return (window = Shown(caption)) != nullptr; }))
          << "no window \"" << Narrow(caption) << "\"; " << Describe(tandrel.Windows());
    }();
    return window;
  }

  int FocusedId(HWND window) const {
    HWND focus = FocusIn(GetWindowThreadProcessId(window, nullptr));
    return focus && GetParent(focus) == window ? GetDlgCtrlID(focus) : 0;
  }

  void WaitForFocus(HWND window, int id) {
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window && FocusedId(window) == id; }))
        << "foreground " << (GetForegroundWindow() == window ? "is" : "is not") << " the window; focus on "
        << FocusedId(window) << ", not " << id;
  }
};

std::string ClientPlace(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  return PlaceText(client);
}

// Texts, sizes and places in twips, from the real tray menu at 100 % and 150 %; the screenshots
// show whether the icon and the etched rule stay crisp.
TEST_F(Info, TheTrayMenuOpensAboutAndSupportWithTheirTextsLaidOutAtEachDpi) {
  const struct {
    WORD dpi;
    std::string aboutClient, supportSize;  // About's client area on screen; Support's client size
  } scales[] = {{96, "156,129 382x237", "515x277"}, {144, "234,193 573x355", "772x415"}};
  const std::vector<std::wstring> aboutLabels = {L"",  // the icon
                                                 L"https://www.tandrel.example",
                                                 L"Copyright \u00a9 2026 Tandrel. All rights reserved.", L"Tandrel",
                                                 L"Version 2.0.0"};
  for (const auto& scale : scales) {
    SCOPED_TRACE(std::to_string(scale.dpi) + " DPI");
    auto check = [&](const std::wstring& desktop) {
      const std::string dpi = std::to_string(scale.dpi) + "dpi";
      ASSERT_NO_FATAL_FAILURE(StartWithTray(desktop));
      HWND about = Open(2, kAboutCaption);
      ASSERT_TRUE(about);
      ASSERT_NO_FATAL_FAILURE(WaitForFocus(about, kAboutOk));
      Screenshot("about-" + dpi, about);
      EXPECT_EQ(ChildTexts(about, L"Button"), (std::vector<std::wstring>{L"OK", L"&System Info..."}));
      EXPECT_EQ(ChildTexts(about, L"Static"), aboutLabels);
      EXPECT_EQ(ClientPlace(about), scale.aboutClient);
      EXPECT_TRUE(GetWindow(about, GW_OWNER)) << "an unowned window gets a taskbar button";
      ASSERT_TRUE(PressKeys({VK_ESCAPE}));
      ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); })) << "Esc left About open";

      HWND support = Open(4, kSupportCaption);
      ASSERT_TRUE(support);
      ASSERT_NO_FATAL_FAILURE(WaitForFocus(support, kSupportClickHere));
      Screenshot("support-" + dpi, support);
      EXPECT_EQ(ChildTexts(support, L"Button"), std::vector<std::wstring>{L"Click here"});
      const std::vector<std::wstring> labels = ChildTexts(support, L"Static");
      ASSERT_EQ(labels.size(), 2u);
      EXPECT_EQ(labels[0].find(L"If you like my work"), 0u) << Narrow(labels[0]);
      EXPECT_EQ(labels[1], L"To recommend now!");
      const std::string place = ClientPlace(support);
      EXPECT_EQ(place.substr(place.find(' ') + 1), scale.supportSize);
      EXPECT_TRUE(GetWindowLongW(support, GWL_STYLE) & WS_THICKFRAME) << "not sizable";
    };
    AtDpi(scale.dpi, check);
    if (HasFatalFailure()) return;
  }
}

// Esc works whatever has the focus; Enter presses the focused button (System Info: below).
TEST_F(Info, AboutClosesOnEscFromEitherButtonAndOnEnterOnOk) {
  const struct {
    const char* name;
    bool onSysInfo;
    WORD key;
  } cases[] = {{"Esc on OK", false, VK_ESCAPE}, {"Esc on System Info", true, VK_ESCAPE}, {"Enter on OK", false, VK_RETURN}};
  ASSERT_NO_FATAL_FAILURE(StartWithTray());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HWND about = Open(2, kAboutCaption);
    ASSERT_TRUE(about);
    ASSERT_NO_FATAL_FAILURE(WaitForFocus(about, kAboutOk));
    if (c.onSysInfo) {
      ASSERT_TRUE(PressKeys({VK_TAB}));  // the icon takes no focus
      ASSERT_NO_FATAL_FAILURE(WaitForFocus(about, kAboutSysInfo));
    }
    ASSERT_TRUE(PressKeys({c.key}));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); })) << "About stayed open";
    EXPECT_TRUE(MessageBoxes(tandrel).empty()) << "something else happened";
  }
  EXPECT_TRUE(tandrel.Running());
}

// Enter on System Info: the tool from either registry view, started by its quoted path, and About
// stays; with none registered, one message.
TEST_F(Info, SystemInfoStartsTheRegisteredToolFromEitherViewOrSaysItIsUnavailable) {
  for (REGSAM view : {REGSAM(0), REGSAM(KEY_WOW64_64KEY)}) {
    ASSERT_FALSE(Seen(kLocationKey, L"MSINFO", view)) << "a tool is registered already";
    ASSERT_FALSE(Seen(kMsinfoKey, L"PATH", view)) << "a tool is registered already";
  }
  const std::wstring tool = ToolCopy(L"System Info", L"MSINFO32.EXE");
  ASSERT_FALSE(tool.empty());
  const std::wstring folder = FolderOf(tool);
  const struct {
    const char* name;
    const wchar_t *key, *value;
    std::wstring data;
    REGSAM view;
  } cases[] = {
      {"folder, 32-bit view", kLocationKey, L"MSINFO", folder.substr(0, folder.size() - 1), 0},
      {"folder, 64-bit view only", kLocationKey, L"MSINFO", folder.substr(0, folder.size() - 1), KEY_WOW64_64KEY},
      {"full path, 64-bit view only", kMsinfoKey, L"PATH", tool, KEY_WOW64_64KEY},
  };

  ASSERT_NO_FATAL_FAILURE(StartWithTray());
  HWND about = Open(2, kAboutCaption);
  ASSERT_TRUE(about);
  ASSERT_NO_FATAL_FAILURE(WaitForFocus(about, kAboutOk));
  ASSERT_TRUE(PressKeys({VK_TAB}));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ScopedValue registered(HKEY_LOCAL_MACHINE, c.key, c.value, c.view, c.data);
    ASSERT_TRUE(registered.Set());
    if (c.view) {
      ASSERT_FALSE(Seen(c.key, c.value, 0)) << "the 32-bit view sees the 64-bit one's value";
    }
    DeleteFileW((folder + L"ran.log").c_str());
    ASSERT_NO_FATAL_FAILURE(WaitForFocus(about, kAboutSysInfo));
    ASSERT_TRUE(PressKeys({VK_RETURN}));
    ASSERT_TRUE(WaitUntil([&] { return !ToolRuns(folder).empty(); }))
        << "the tool did not start; " << Describe(tandrel.Windows(true));
    EXPECT_EQ(ToolRuns(folder), std::vector<ToolRun>({{L"Cramlet.exe", L"\"" + tool + L"\""}}));
    EXPECT_TRUE(IsWindowVisible(about)) << "About closed";
    EXPECT_TRUE(MessageBoxes(tandrel).empty());
  }

  SCOPED_TRACE("nothing registered");
  ASSERT_NO_FATAL_FAILURE(WaitForFocus(about, kAboutSysInfo));
  ASSERT_TRUE(PressKeys({VK_RETURN}));
  HWND box = WaitForMessageBox();
  ASSERT_TRUE(box) << "no message titled Tandrel; " << Describe(tandrel.Windows());
  Screenshot("unavailable");
  EXPECT_EQ(MessageBoxText(box), kUnavailable);
  EXPECT_TRUE(IsWindowVisible(about)) << "About closed";
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitUntil([&] { return MessageBoxes(tandrel).empty(); }));
  EXPECT_TRUE(IsWindowVisible(about)) << "About closed with the message";
}

// Chosen from the tray menu while open behind another window, or minimised, a window comes to the
// front with the keyboard on its control: the menu had taken the keyboard to the hidden host.
TEST_F(Info, AWindowChosenAgainComesToTheFrontWithTheKeyboard) {
  const struct {
    int menuPosition;
    const wchar_t* caption;
    int focused;
  } windows[] = {{3, kConfigCaption, tandrel::config::chkCtrl1},
                 {2, kAboutCaption, kAboutOk},
                 {4, kSupportCaption, kSupportClickHere}};
  ASSERT_NO_FATAL_FAILURE(StartWithTray());
  std::vector<HWND> opened;
  for (const auto& w : windows) {
    opened.push_back(Open(w.menuPosition, w.caption));
    ASSERT_TRUE(opened.back());
    ASSERT_NO_FATAL_FAILURE(WaitForFocus(opened.back(), w.focused));
    // Off the tray, which a window activated might otherwise cover (all open at 0,0 on Xvfb),
    // each partly over the one before.
    RECT tray{};
    ASSERT_TRUE(GetWindowRect(VisibleTrayWindow(), &tray));
    const int step = 40 * int(opened.size());
    SetWindowPos(opened.back(), nullptr, step, tray.bottom + step, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  for (size_t i = 0; i < std::size(windows); ++i) {  // each behind the one opened or chosen after it
    SCOPED_TRACE(Narrow(windows[i].caption) + ", behind another");
    ASSERT_NO_FATAL_FAILURE(ChooseFromTrayMenu(windows[i].menuPosition));
    ASSERT_NO_FATAL_FAILURE(WaitForFocus(opened[i], windows[i].focused));
  }

  SCOPED_TRACE("Support, minimised");
  ShowWindow(opened[2], SW_MINIMIZE);
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(opened[2]) != FALSE; })) << "could not minimise Support";
  ASSERT_NO_FATAL_FAILURE(ChooseFromTrayMenu(4));
  EXPECT_TRUE(WaitUntil([&] { return !IsIconic(opened[2]); })) << "Support stayed minimised";
  ASSERT_NO_FATAL_FAILURE(WaitForFocus(opened[2], kSupportClickHere));
}

// Wine starts the https handler of HKEY_CLASSES_ROOT (not of HKCU\Software\Classes) for a page:
// a double there logs each address asked for.
TEST_F(Info, ThePagesOpenInTheRegisteredBrowser) {
  const std::wstring browser = ToolCopy(L"Web Browser", L"Browser.exe");
  ASSERT_FALSE(browser.empty());
  const ScopedValue handler(HKEY_CLASSES_ROOT, L"https\\shell\\open\\command", L"", 0,
                            L"\"" + browser + L"\" \"%1\"");
  ASSERT_TRUE(handler.Set());
  std::vector<ToolRun> expected;
  auto expectPage = [&](const wchar_t* address) {
    expected.push_back({L"Cramlet.exe", L"\"" + browser + L"\" \"" + address + L"\""});
    EXPECT_TRUE(WaitUntil([&] { return ToolRuns(FolderOf(browser)).size() >= expected.size(); }))
        << "no page opened for " << Narrow(address);
  };
  ASSERT_NO_FATAL_FAILURE(StartWithTray());

  ASSERT_NO_FATAL_FAILURE(ChooseFromTrayMenu(1));  // Get help
  expectPage(L"https://tandrel.example/support/");

  HWND about = Open(2, kAboutCaption);
  ASSERT_TRUE(about);
  // On the middle of the link's first letters (at 96 DPI), as a user would.
  ASSERT_TRUE(ClickOn(GetDlgItem(about, kAboutLink), POINT{20, 7}));
  expectPage(L"https://tandrel.example");
  EXPECT_TRUE(IsWindowVisible(about));
  ASSERT_TRUE(PressKeys({VK_ESCAPE}));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); }));

  HWND support = Open(4, kSupportCaption);
  ASSERT_TRUE(support);
  ASSERT_NO_FATAL_FAILURE(WaitForFocus(support, kSupportClickHere));
  ASSERT_TRUE(PressKeys({VK_ESCAPE}));  // does nothing: the clicks below are taken after it
  for (int click = 0; click < 2; ++click) {
    ASSERT_TRUE(ClickOn(GetDlgItem(support, kSupportClickHere)));
    expectPage(L"https://tandrel.example/recommend/");
  }
  EXPECT_TRUE(IsWindowVisible(support)) << "Esc or Click here closed Support";
  Sleep(500);  // a page opened twice would show by now
  EXPECT_EQ(ToolRuns(FolderOf(browser)), expected);
}

}  // namespace
}  // namespace e2e

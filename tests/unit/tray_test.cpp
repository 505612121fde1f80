#include <algorithm>
#include <deque>
#include "fixture.h"
#include "tray/modsystray.h"

namespace {
constexpr unsigned int kDoubleClick = 0x0203;
constexpr unsigned int kRightUp = 0x0205;
}  // namespace

class Tray : public DesktopTest {
 protected:
  Tray() { Store("start", "configured", "1"); }
  void Choose(const std::string& caption) {
    desk().onPopupMenu = [caption](const std::vector<platform::MenuItem>& items) {
      for (const auto& item : items) {
        if (item.caption == caption) return item.id;
      }
      return 0;
    };
    desk().TrayMouse(kRightUp);
  }
};

TEST_F(Tray, TheIconIsAddedAfterTheHotkeysWithItsTip) {
  Start();
  ASSERT_EQ(desk().trayIcons.size(), 1u);
  const platform::NotifyIconData& icon = desk().trayIcons[0];
  EXPECT_EQ(icon.cbSize, 88u);
  EXPECT_EQ(icon.hWnd, Window("Systray form")->hwnd);
  EXPECT_EQ(icon.uID, 1u);
  EXPECT_EQ(icon.uFlags, 7u);
  EXPECT_NE(icon.hIcon, nullptr);
  const std::string tip = "Tandrel by tandrel.example";
  EXPECT_EQ(icon.szTip, tip + '\0' + std::string(64 - tip.size() - 1, ' '));

  const auto& j = desk().journal;
  auto at = [&](const std::string& line) { return std::find(j.begin(), j.end(), line) - j.begin(); };
  EXPECT_LT(at("RegisterHotKey 2"), at("Shell_NotifyIcon Add"));
}

TEST_F(Tray, TheTipFieldIsAlwaysSixtyFourCharacters) {
  EXPECT_EQ(tandrel::TipField(""), std::string(1, '\0') + std::string(63, ' '));
  EXPECT_EQ(tandrel::TipField(std::string(63, 'a')), std::string(63, 'a') + '\0');
  EXPECT_EQ(tandrel::TipField(std::string(70, 'a')), std::string(64, 'a'));
}

TEST_F(Tray, DoubleClickShowsTheHostAndRightReleasePopsTheNineLineMenu) {
  Start();
  for (unsigned int other : {0x0200u, 0x0201u, 0x0202u, 0x0204u, 0x0206u}) desk().TrayMouse(other);
  EXPECT_FALSE(Visible("Systray form"));
  EXPECT_TRUE(desk().menusShown.empty());

  desk().TrayMouse(kDoubleClick);
  EXPECT_TRUE(Visible("Systray form"));
  EXPECT_TRUE(Window("Systray form")->restored);

  desk().TrayMouse(kRightUp);
  ASSERT_EQ(desk().menusShown.size(), 1u);
  std::vector<std::string> captions;
  for (const auto& item : desk().menusShown[0]) captions.push_back(item.caption);
  EXPECT_EQ(captions, (std::vector<std::string>{"Get help", "About", "-", "Settings", "-", "Support Tandrel",
                                                "-", "Close menu", "E&xit"}));
}

TEST_F(Tray, MenuCommandsOpenTheirWindowsOnceAndTheSupportPage) {
  Start();
  Choose("Get help");
  ASSERT_EQ(desk().openedPages.size(), 1u);
  EXPECT_EQ(desk().openedPages[0].file, "https://tandrel.example/support/");
  EXPECT_EQ(desk().openedPages[0].operation, "open");
  EXPECT_EQ(desk().openedPages[0].owner, Window("Systray form")->hwnd);

  Choose("Settings");
  Choose("Settings");
  Choose("About");
  Choose("Support Tandrel");
  Choose("Close menu");
  EXPECT_TRUE(Visible("Tandrel configuration"));
  EXPECT_TRUE(Visible("About Tandrel"));
  EXPECT_TRUE(Visible("Support tandrel.example"));
  EXPECT_EQ(desk().Journal("CreateWindow Tandrel configuration").size(), 1u);
  EXPECT_FALSE(desk().quitPosted || desk().ended);
}

TEST_F(Tray, ExitRemovesTheIconThenUnregistersUnhooksAndEndsAtOnce) {
  Start();
  Choose("Settings");
  desk().journal.clear();
  Choose("E&xit");
  EXPECT_EQ(desk().journal, (std::vector<std::string>{
                                "PopupMenu", "Shell_NotifyIcon Delete", "UnregisterHotKey 1",
                                "UnregisterHotKey 2", "SetWindowProcedure", "DestroyWindow Form1",
                                "Shell_NotifyIcon Delete", "DestroyWindow Systray form", "EndNow"}));
  EXPECT_TRUE(desk().trayIcons.empty());
  EXPECT_TRUE(desk().hotkeys.empty());
  EXPECT_FALSE(desk().PressHotkey(0x3, 'Z'));
  EXPECT_TRUE(desk().messageBoxes.empty()) << "nothing asked, nothing saved";
}

TEST_F(Tray, ANewTaskbarGetsTheIconBack) {
  desk().taskbarRunning = false;
  Start();
  EXPECT_TRUE(desk().trayIcons.empty());
  desk().RestartTaskbar();
  ASSERT_EQ(desk().trayIcons.size(), 1u);
  EXPECT_EQ(desk().trayIcons[0].szTip.substr(0, 26), "Tandrel by tandrel.example");
  desk().RestartTaskbar();
  EXPECT_EQ(desk().trayIcons.size(), 1u);

  // The DPI changed: the icon stays and gets the image of the new size.
  desk().journal.clear();
  desk().SendMessage(Window("Systray form")->hwnd, sim::kWmDpiChanged, 0, 0);
  EXPECT_EQ(desk().journal, std::vector<std::string>{"Shell_NotifyIcon Modify"});
  EXPECT_EQ(desk().trayIcons.size(), 1u);
}

// At logon a busy shell may fail the first add, with no TaskbarCreated to follow: the add is tried
// again every two seconds for two minutes, never making a second icon.
TEST_F(Tray, AFailedAddIsTriedAgainForAWhileWithoutASecondIcon) {
  using Answer = sim::Desktop::AddAnswer;
  const struct {
    const char* name;
    std::deque<Answer> answers;
    bool newTaskbar;  // announced after the first try
    int tries;        // the timer's, until it stops
    size_t icons;
    size_t adds;
  } cases[] = {
      {"refused three times", {Answer::Refused, Answer::Refused, Answer::Refused}, false, 3, 1, 4},
      {"timed out, the icon there", {Answer::TimedOut}, false, 1, 1, 1},
      {"refused, then timed out", {Answer::Refused, Answer::TimedOut}, false, 2, 1, 2},
      {"refused, then a new taskbar", {Answer::Refused, Answer::Refused}, true, 1, 1, 3},
      {"refused for good", std::deque<Answer>(100, Answer::Refused), false, 60, 0, 61},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    Store("start", "configured", "1");
    desk().nextAdds = c.answers;
    Start();
    int tries = 0;
    for (; tries < 100 && desk().ElapseTimers() > 0; ++tries) {
      if (c.newTaskbar && tries == 0) desk().RestartTaskbar();
    }
    EXPECT_EQ(tries, c.tries);
    EXPECT_TRUE(Window("Systray form")->timers.empty());
    EXPECT_EQ(desk().trayIcons.size(), c.icons);
    EXPECT_EQ(desk().Journal("Shell_NotifyIcon Add").size(), c.adds);
  }
}

// The add timed out with the icon placed: its menu is there before the next try.
TEST_F(Tray, ExitWhileTheAddIsTriedAgainKillsTheTimerFirst) {
  desk().nextAdds = {sim::Desktop::AddAnswer::TimedOut};
  Start();
  ASSERT_EQ(Window("Systray form")->timers.size(), 1u);
  desk().journal.clear();
  Choose("E&xit");
  EXPECT_EQ(desk().journal, (std::vector<std::string>{
                                "PopupMenu", "Shell_NotifyIcon Delete", "KillTimer 1", "UnregisterHotKey 1",
                                "UnregisterHotKey 2", "SetWindowProcedure", "DestroyWindow Form1",
                                "Shell_NotifyIcon Delete", "DestroyWindow Systray form", "PostQuit", "EndNow"}));
}

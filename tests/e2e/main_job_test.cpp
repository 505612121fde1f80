// The main job: the tray icon and its menu, the two hotkeys starting the tools, and Exit.
#include "harness.h"

#include <shellapi.h>  // after windows.h

namespace e2e {
namespace {

constexpr UINT kCtrlAlt = MOD_CONTROL | MOD_ALT;

class MainJob : public TandrelTest {
 protected:
  void StartConfigured() {
    ASSERT_NO_FATAL_FAILURE(StartWithTray());
    ASSERT_FALSE(HotkeyIsFree(kCtrlAlt, 'Z')) << "Ctrl+Alt+Z was not taken";
    ASSERT_FALSE(HotkeyIsFree(kCtrlAlt, 'U')) << "Ctrl+Alt+U was not taken";
  }
};

TEST_F(MainJob, TrayIconShowsItsTip) {
  ASSERT_NO_FATAL_FAILURE(StartConfigured());
  ASSERT_TRUE(PointAtTrayIcon(0)) << "could not point at the tray icon";
  std::wstring tip;
  EXPECT_TRUE(WaitUntil([&] { return !(tip = TooltipShown()).empty(); })) << "no tooltip over the icon";
  EXPECT_EQ(tip, L"Tandrel by tandrel.example");
}

// Crisp at 100 % and 150 %: the image handed to the tray is already the tray's size, which
// Wine sets from the DPI as each process starts. The tray itself shows at 150 % only on a
// desktop of its own (the default desktop's started at 100 %). A later change of DPI hands
// over the image at the new size.
TEST_F(MainJob, TrayIconImageHasTheSmallIconSizeOfTheDpi) {
  struct Scale {
    WORD dpi;
    LONG pixels;  // of the small icon
    WORD laterDpi;
    LONG laterPixels;
  };
  for (const auto [dpi, pixels, laterDpi, laterPixels] : {Scale{96, 16, 144, 24}, Scale{144, 24, 96, 16}}) {
    SCOPED_TRACE(std::to_string(dpi) + " DPI");
    auto check = [&](const std::wstring& desktop) {
      ASSERT_TRUE(StoreSetting(L"start", L"configured", L"1"));
      ASSERT_TRUE(tandrel.Start(desktop));
      ASSERT_TRUE(WaitUntil([] { return VisibleTrayWindow() != nullptr; })) << "no tray icon shown";
      if (dpi != 96) Screenshot("tray-" + std::to_string(dpi) + "dpi", VisibleTrayWindow());
      Spy spy(UiThread());
      ASSERT_TRUE(spy.Installed()) << "spy hook not set, error " << GetLastError();
      HWND host = tandrel.Window(kTrayHostTitle, L"TandrelForm");
      const SpyReport* seen = spy.MeasureTrayIcon(host);
      ASSERT_NE(seen, nullptr) << "the spy did not answer";
      ASSERT_EQ(seen->screenDpi, LONG(dpi)) << "the program does not run at this DPI";
      EXPECT_EQ(seen->smallIconMetricX, pixels);
      EXPECT_EQ(seen->smallIconMetricY, pixels);
      EXPECT_EQ(seen->trayIconWidth, pixels) << "width of the image given to the tray (0: none given)";
      EXPECT_EQ(seen->trayIconHeight, pixels) << "height of the image given to the tray";

      seen = spy.ChangeDpi(host, laterDpi, {300, 200});
      ASSERT_NE(seen, nullptr) << "the spy did not answer";
      EXPECT_EQ(seen->trayMessage, LONG(NIM_MODIFY)) << "how the image went to the tray at " << laterDpi << " DPI";
      EXPECT_EQ(seen->trayIconWidth, laterPixels) << "width of the image given at " << laterDpi << " DPI";
      EXPECT_EQ(seen->trayIconHeight, laterPixels) << "height of the image given at " << laterDpi << " DPI";
    };
    AtDpi(dpi, check);
    if (HasFatalFailure()) return;
  }
}

TEST_F(MainJob, RightClickOnTheIconOpensTheMenu) {
  ASSERT_NO_FATAL_FAILURE(StartConfigured());
  Spy spy(UiThread());
  ASSERT_TRUE(spy.Installed()) << "spy hook not set, error " << GetLastError();
  ASSERT_NO_FATAL_FAILURE(RightClickTheIcon());
  Screenshot("menu", OpenMenu(tandrel));
  const std::vector<std::wstring> lines = {L"Get help", L"About",          kSeparatorLine,
                                           L"Settings", kSeparatorLine,    L"Support Tandrel",
                                           kSeparatorLine, L"Close menu", L"E&xit"};
  EXPECT_EQ(spy.WaitForMenuLines(), lines);
  PressKeys({VK_ESCAPE});
  EXPECT_TRUE(WaitUntil([&] { return !MenuOpen(); })) << "Escape left the menu open";
  EXPECT_TRUE(tandrel.Running());
}

TEST_F(MainJob, ExitEndsTheProgramAndLetsGoOfIconAndHotkeys) {
  ASSERT_NO_FATAL_FAILURE(StartConfigured());
  Spy spy(UiThread());
  ASSERT_TRUE(spy.Installed()) << "spy hook not set, error " << GetLastError();
  ASSERT_NO_FATAL_FAILURE(RightClickTheIcon());
  ASSERT_TRUE(PressKeys({'X'}));  // the access key of E&xit
  ASSERT_TRUE(tandrel.WaitForExit(10000)) << "still running after Exit";

  // Wine drops the icon and hotkeys of gone windows and processes by itself, so what counts
  // is what the program still held on its way out.
  const SpyReport* last = spy.ExitReport();
  ASSERT_NE(last, nullptr) << "the process did not end normally (ExitProcess or return from wWinMain)";
  EXPECT_FALSE(last->trayShownAtHostDestroy)
      << "the tray icon was still there when its window was destroyed (a ghost icon on Windows)";
  EXPECT_FALSE(last->trayShownAtExit) << "the tray icon was still there as the process ended";
  EXPECT_EQ(last->hotkeysHeldAtExit, 0) << "hotkeys still registered as the process ended";
  EXPECT_TRUE(WaitUntil([] { return VisibleTrayWindow() == nullptr; })) << "tray icon left behind";
  EXPECT_TRUE(HotkeyIsFree(kCtrlAlt, 'Z'));
  EXPECT_TRUE(HotkeyIsFree(kCtrlAlt, 'U'));
}

TEST_F(MainJob, HotkeysStartEachToolOnceFromTheProgramFolder) {
  ASSERT_NO_FATAL_FAILURE(StartConfigured());
  ASSERT_TRUE(PressKeys({VK_CONTROL, VK_MENU, 'Z'}));
  ASSERT_TRUE(WaitUntil([] { return ToolRuns().size() >= 1; })) << "Ctrl+Alt+Z started nothing";
  ASSERT_TRUE(PressKeys({VK_CONTROL, VK_MENU, 'U'}));
  ASSERT_TRUE(WaitUntil([] { return ToolRuns().size() >= 2; })) << "Ctrl+Alt+U started nothing";
  Sleep(1000);  // a second start of either would show by now

  // In order, once each, as the quoted full path alone: the folder's blanks must not split it.
  const std::wstring& folder = GetPaths().folder;
  const std::vector<ToolRun> expected = {{L"Cramlet.exe", L"\"" + folder + L"Cramlet.exe\""},
                                         {L"Spillet.exe", L"\"" + folder + L"Spillet.exe\""}};
  EXPECT_EQ(ToolRuns(), expected);
  EXPECT_TRUE(tandrel.Running());
}

}  // namespace
}  // namespace e2e

// The configuration window as the user drives it: opened from the tray menu, worked with the
// keyboard, saved into the real registry, the hotkeys and the start-up entry; its layout per DPI.
#include "config_window.h"

namespace e2e {
namespace {

using namespace tandrel::config;

constexpr UINT kCtrlAlt = MOD_CONTROL | MOD_ALT;

std::vector<std::wstring> ListOf(HWND combo) {
  std::vector<std::wstring> items;
  for (LRESULT i = 0, count = Ask(combo, CB_GETCOUNT); i < count; ++i) {
    wchar_t item[64] = L"";
    Ask(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(item));  // Wine copies it across
    items.push_back(item);
  }
  return items;
}

using Config = ConfigWindowTest;

TEST_F(Config, TheTrayMenuOpensItWithTheStoredSettings) {
  ASSERT_TRUE(StoreSetting(L"Hotkey1", L"Shift", L"1"));
  ASSERT_TRUE(StoreSetting(L"Hotkey1", L"Key", L"q"));
  ASSERT_TRUE(StoreSetting(L"Hotkey2", L"Alt", L"0"));
  ASSERT_TRUE(StoreSetting(L"start", L"autoboot", L"1"));
  ASSERT_NO_FATAL_FAILURE(StartWithTray());
  ASSERT_NO_FATAL_FAILURE(OpenFromTray());
  Screenshot("opened", config);

  const struct {
    int id;
    bool checked;
  } boxes[] = {{chkCtrl1, true}, {chkAlt1, true},    {chkShift1, true}, {chkCtrl2, true},
               {chkAlt2, false}, {chkShift2, false}, {Check1, true}};
  for (const auto& box : boxes) EXPECT_EQ(Checked(box.id), box.checked) << "check box " << box.id;
  EXPECT_EQ(TextOf(GetDlgItem(config, cboKey1)), L"q");
  EXPECT_EQ(TextOf(GetDlgItem(config, cboKey2)), L"U");
  std::vector<std::wstring> keys;
  for (wchar_t c : std::wstring(L"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789")) keys.emplace_back(1, c);
  EXPECT_EQ(ListOf(GetDlgItem(config, cboKey1)), keys);
  EXPECT_EQ(ListOf(GetDlgItem(config, cboKey2)), keys);
}

// Labels take no focus; only a push button with the focus takes Enter, and Esc presses nothing.
TEST_F(Config, TheKeyboardWalksTheControlsAndNeitherEscNorEnterOnACheckBoxCloses) {
  ASSERT_TRUE(tandrel.Start());  // a fresh profile: the window opens by itself
  ASSERT_NO_FATAL_FAILURE(WaitForWindow());
  ASSERT_NO_FATAL_FAILURE(ExpectKeyboardAtFirstControl());
  const std::vector<int> order = {chkCtrl1, chkAlt1, chkShift1, cboKey1, chkCtrl2, chkAlt2,
                                  chkShift2, cboKey2, cmdSave, Check1, Command1, chkCtrl1};
  std::vector<int> walked = {FocusedId()};
  while (walked.size() < order.size()) {
    ASSERT_NO_FATAL_FAILURE(Tab());
    walked.push_back(FocusedId());
  }
  EXPECT_EQ(walked, order);
  ASSERT_NO_FATAL_FAILURE(Tab(/*back=*/true));
  EXPECT_EQ(FocusedId(), Command1) << "Shift+Tab goes back";

  ASSERT_NO_FATAL_FAILURE(TabTo(chkAlt1));
  ASSERT_TRUE(PressKeys({VK_ESCAPE}));
  ASSERT_TRUE(PressKeys({VK_RETURN}));
  ASSERT_NO_FATAL_FAILURE(Toggle(chkAlt1));  // the keys before it have been handled once this takes
  EXPECT_TRUE(Shown()) << "Esc or Enter closed the window";
  EXPECT_EQ(tandrel.Window(L"Tandrel", L"#32770"), nullptr) << "something was saved";
  EXPECT_TRUE(StoredSettings().empty());
}

TEST_F(Config, OkStoresTheTenValuesAndTheNewHotkeyTakesOverAtOnce) {
  ASSERT_NO_FATAL_FAILURE(StartWithTray());
  ASSERT_NO_FATAL_FAILURE(OpenFromTray());
  ASSERT_NO_FATAL_FAILURE(ExpectKeyboardAtFirstControl());
  ASSERT_NO_FATAL_FAILURE(Toggle(chkShift1));
  ASSERT_NO_FATAL_FAILURE(Tab());
  ASSERT_EQ(FocusedId(), cboKey1);
  ASSERT_TRUE(PressKeys({'M'}));  // the box's text is selected on entry: typing replaces it
  ASSERT_TRUE(WaitUntil([&] { return TextOf(GetDlgItem(config, cboKey1)) == L"m"; }))
      << "typed text: " << Narrow(TextOf(GetDlgItem(config, cboKey1)));

  bool oldFreeAtOnce = false;
  EXPECT_EQ(SaveWithEnter([&] { oldFreeAtOnce = HotkeyIsFree(kCtrlAlt, 'Z'); }), L"Settings saved!");
  EXPECT_TRUE(oldFreeAtOnce) << "Ctrl+Alt+Z still held while the message showed";

  const std::map<std::wstring, std::wstring> stored = {
      {L"Hotkey1\\Ctrl", L"1"}, {L"Hotkey1\\Alt", L"1"}, {L"Hotkey1\\Shift", L"1"}, {L"Hotkey1\\Key", L"m"},
      {L"Hotkey2\\Ctrl", L"1"}, {L"Hotkey2\\Alt", L"1"}, {L"Hotkey2\\Shift", L"0"}, {L"Hotkey2\\Key", L"U"},
      {L"start\\autoboot", L"0"}, {L"start\\configured", L"1"}};
  EXPECT_EQ(StoredSettings(), stored);
  EXPECT_FALSE(RunEntry()) << "a start-up entry without the box checked";

  EXPECT_FALSE(HotkeyIsFree(kCtrlAlt | MOD_SHIFT, 'M')) << "the new combination is not held";
  EXPECT_FALSE(HotkeyIsFree(kCtrlAlt, 'U')) << "hotkey 2 was let go";
  ASSERT_TRUE(PressKeys({VK_CONTROL, VK_MENU, VK_SHIFT, 'M'}));
  ASSERT_TRUE(WaitUntil([] { return !ToolRuns().empty(); })) << "Ctrl+Alt+Shift+M started nothing";
  EXPECT_EQ(ToolRuns().front().first, L"Cramlet.exe");
  EXPECT_TRUE(tandrel.Running());
}

TEST_F(Config, TheStartUpEntryFollowsTheCheckBox) {
  ASSERT_NO_FATAL_FAILURE(StartWithTray());
  for (const bool on : {true, false}) {
    SCOPED_TRACE(on ? "checked" : "unchecked");
    ASSERT_NO_FATAL_FAILURE(OpenFromTray());
    EXPECT_EQ(Checked(Check1), !on);
    ASSERT_NO_FATAL_FAILURE(ExpectKeyboardAtFirstControl());
    ASSERT_NO_FATAL_FAILURE(Toggle(Check1));
    EXPECT_EQ(SaveWithEnter(), L"Settings saved!");
    if (on) {
      EXPECT_EQ(RunEntry().value_or(L"<none>"), L"\"" + GetPaths().program + L"\"");
    } else {
      EXPECT_FALSE(RunEntry()) << "the start-up entry stayed";
    }
    EXPECT_EQ(StoredSettings()[L"start\\autoboot"], on ? L"1" : L"0");
    EXPECT_EQ(StoredSettings().size(), 10u);
  }
}

TEST_F(Config, AHotkeyHeldByAnotherProgramIsNamed) {
  ASSERT_TRUE(RegisterHotKey(nullptr, 0x7e2f, kCtrlAlt, 'U'));
  struct Release {
    ~Release() { UnregisterHotKey(nullptr, 0x7e2f); }
  } release;
  ASSERT_TRUE(tandrel.Start());
  ASSERT_NO_FATAL_FAILURE(WaitForWindow());
  ASSERT_NO_FATAL_FAILURE(ExpectKeyboardAtFirstControl());
  EXPECT_EQ(Narrow(SaveWithEnter()),
            "Settings saved!\n\nCtrl+Alt+U is in use by another program, so hotkey 2 is not active.");
  EXPECT_FALSE(HotkeyIsFree(kCtrlAlt, 'Z')) << "hotkey 1 is not held";
  EXPECT_EQ(StoredSettings().size(), 10u);
}

// The check boxes of a row overlap: Alt's box reaches into Shift's, Shift's into the key box. A
// click where a user aims, on a box's square or the first letter of its caption, toggles that box
// alone, and the rest of the window looks as it did: no neighbour drawn over or blanked.
TEST_F(Config, AClickOnACheckBoxOrItsCaptionTogglesThatBoxAlone) {
  ASSERT_NO_FATAL_FAILURE(StartWithTray());
  ASSERT_NO_FATAL_FAILURE(OpenFromTray());
  const int boxes[] = {chkCtrl1, chkAlt1, chkShift1, chkCtrl2, chkAlt2, chkShift2};
  const struct {
    const char* where;
    LONG x;  // from the box's left edge, at 96 DPI
  } points[] = {{"square", 6}, {"caption", 20}};
  RECT client{};
  GetClientRect(config, &client);
  MapWindowPoints(config, nullptr, reinterpret_cast<POINT*>(&client), 2);
  // Away from every control, so that none is drawn hot while the window is captured.
  const std::string rest = std::to_string(client.left + 10) + " " + std::to_string(client.bottom - 10);

  for (int box : boxes) {
    for (const auto& point : points) {
      SCOPED_TRACE("the " + std::string(point.where) + " of check box " + std::to_string(box));
      std::map<int, bool> before;
      for (int id : boxes) before[id] = Checked(id);
      // The keyboard on the box clicked, so that the focus' mark moves nowhere else.
      ASSERT_EQ(RunUnix("xdotool mousemove " + rest), 0);
      ASSERT_NO_FATAL_FAILURE(TabTo(box));
      Sleep(300);
      const ScreenImage shown = CaptureScreen(client);

      HWND control = GetDlgItem(config, box);
      RECT place{};
      GetWindowRect(control, &place);
      ASSERT_TRUE(ClickOn(control, POINT{point.x, (place.bottom - place.top) / 2}));
      EXPECT_TRUE(WaitUntil([&] { return Checked(box) != before[box]; }, 3000)) << "the box did not toggle";
      for (int other : boxes) {
        if (other != box) {
          EXPECT_EQ(Checked(other), before[other]) << "check box " << other << " toggled";
        }
      }

      Sleep(300);
      const ScreenImage after = CaptureScreen(client);
      const RECT own = OwnPart(control);
      int changed = 0;
      POINT first{};
      for (POINT p{client.left, client.top}; p.y < client.bottom; ++p.y) {
        for (p.x = client.left; p.x < client.right; ++p.x) {
          if (PtInRect(&own, p) || shown.At(p) == after.At(p)) continue;
          if (changed++ == 0) first = p;
        }
      }
      EXPECT_EQ(changed, 0) << "pixels changed outside the box clicked, the first at " << first.x - client.left
                            << "," << first.y - client.top << " in the client area";
      if (HasFailure()) {
        Screenshot("clicked-" + std::to_string(box) + "-" + point.where, config);
        return;
      }
    }
  }
  RunUnix("xdotool mousemove " + rest);  // no box left hot for the cases after
}

// Client area 6465 x 3000 twips; chkCtrl1 at 2280,360 (1095 x 375), OK at 3000,2160 (1455 x 495).
// At each DPI as it starts, then after a WM_DPICHANGED to the other one.
TEST_F(Config, TheWindowIsLaidOutInTwipsAtItsDpi) {
  struct Scale {
    WORD dpi;
    SIZE client;
    RECT ctrl1, ok;
  };
  const Scale scales[] = {{96, {431, 200}, {152, 24, 225, 49}, {200, 144, 297, 177}},
                          {144, {646, 300}, {228, 36, 337, 73}, {300, 216, 445, 265}}};
  auto expectLayout = [&](const Scale& scale) {
    RECT client{};
    GetClientRect(config, &client);
    EXPECT_EQ(client.right, scale.client.cx);
    EXPECT_EQ(client.bottom, scale.client.cy);
    EXPECT_EQ(PlaceText(PlaceInClient(GetDlgItem(config, chkCtrl1))), PlaceText(scale.ctrl1));
    EXPECT_EQ(PlaceText(PlaceInClient(GetDlgItem(config, cmdSave))), PlaceText(scale.ok));
  };
  for (const Scale& scale : scales) {
    SCOPED_TRACE(std::to_string(scale.dpi) + " DPI");
    const Scale& other = scales[&scale == &scales[0] ? 1 : 0];
    auto check = [&](const std::wstring& desktop) {
      ASSERT_TRUE(tandrel.Start(desktop));
      ASSERT_NO_FATAL_FAILURE(WaitForWindow());
      Screenshot(std::to_string(scale.dpi) + "dpi", config);
      expectLayout(scale);

      SCOPED_TRACE("changed to " + std::to_string(other.dpi) + " DPI");
      Spy spy(UiThread());
      ASSERT_TRUE(spy.Installed()) << "spy hook not set, error " << GetLastError();
      ASSERT_NE(spy.ChangeDpi(config, other.dpi, other.client), nullptr) << "the spy did not answer";
      Screenshot(std::to_string(scale.dpi) + "dpi-changed-to-" + std::to_string(other.dpi), config);
      expectLayout(other);
    };
    AtDpi(scale.dpi, check);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace e2e

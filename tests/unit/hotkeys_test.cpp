#include <utility>
#include "fixture.h"
#include "hotkeys/module1.h"

namespace {
constexpr unsigned int kCtrlAlt = 0x0003;
const std::string kCramlet = "C:\\Program Files\\Tandrel\\Cramlet.exe";
const std::string kSpillet = "C:\\Program Files\\Tandrel\\Spillet.exe";
}  // namespace

class Hotkeys : public DesktopTest {
 protected:
  platform::Hwnd HotkeyWindow() { return Window("Form1")->hwnd; }
  const sim::Hotkey* Registered(int id) { return desk().HotkeyOf(HotkeyWindow(), id); }
};

TEST_F(Hotkeys, RegistersTheStoredCombinations) {
  struct Case {
    const char* ctrl;
    const char* alt;
    const char* shift;
    const char* key;
    unsigned int flags;  // 0: not registered
    unsigned int virtualKey;
  } cases[] = {
      {nullptr, nullptr, nullptr, nullptr, 0x3, 0x5A},
      {nullptr, nullptr, nullptr, "z", 0x3, 0x5A},
      {nullptr, nullptr, nullptr, "Zebra", 0x3, 0x5A},
      {nullptr, nullptr, nullptr, "5", 0x3, 0x35},
      {nullptr, nullptr, nullptr, "\xC3\xA9", 0x3, 0xC9},  // é reads as É in the code page
      {nullptr, nullptr, nullptr, "\xC5\xA1", 0x3, 0x8A},  // š as Š: Windows-1252, not Latin-1
      {nullptr, nullptr, nullptr, "\xC3\xBF", 0x3, 0x9F},  // ÿ as Ÿ
      {nullptr, nullptr, nullptr, "\xC5\x93x", 0x3, 0x8C}, // œ as Œ
      {nullptr, nullptr, nullptr, "\xE2\x82\xAC", 0x3, 0x80},  // €
      {nullptr, nullptr, nullptr, "\xCE\xA9", 0x3, '?'},  // Ω is not in the code page
      {nullptr, nullptr, nullptr, "", 0, 0},
      {"0", "0", "0", "Q", 0, 0},
      {"2", "0", "0", "Q", 0x2, 'Q'},
      {"-1", "0", "0", "Q", 0x2, 'Q'},
      {"0.4", "0", "1", "Q", 0x4, 'Q'},
      {"0.5", "0", "1", "Q", 0x4, 'Q'},
      {"0.6", "0", "1", "Q", 0x6, 'Q'},
      {"yes", "1x", "", "Q", 0x1, 'Q'},
      {"1E12", "0", "0", "Q", 0x2, 'Q'},
  };
  for (const auto& c : cases) {
    Fresh();
    if (c.ctrl) Store("Hotkey1", "Ctrl", c.ctrl);
    if (c.alt) Store("Hotkey1", "Alt", c.alt);
    if (c.shift) Store("Hotkey1", "Shift", c.shift);
    if (c.key) Store("Hotkey1", "Key", c.key);
    Start();
    const std::string label = std::string(c.ctrl ? c.ctrl : "-") + "/" + (c.key ? c.key : "-");
    if (c.flags == 0) {
      EXPECT_EQ(Registered(1), nullptr) << label;
      EXPECT_EQ(desk().Journal("RegisterHotKey 1").size(), 0u) << label;
    } else {
      ASSERT_NE(Registered(1), nullptr) << label;
      EXPECT_EQ(Registered(1)->modifiers, c.flags) << label;
      EXPECT_EQ(Registered(1)->virtualKey, c.virtualKey) << label;
    }
    ASSERT_NE(Registered(2), nullptr);
    EXPECT_EQ(Registered(2)->modifiers, kCtrlAlt);
    EXPECT_EQ(Registered(2)->virtualKey, 0x55u);
  }
}

TEST_F(Hotkeys, RegisteringAgainReplacesBothInOrder) {
  Start();
  desk().journal.clear();
  Store("Hotkey2", "Key", "");
  const auto result = tandrel::RegisterHotkeys(HotkeyWindow());
  EXPECT_EQ(desk().journal, (std::vector<std::string>{"UnregisterHotKey 1", "RegisterHotKey 1", "UnregisterHotKey 2"}));
  EXPECT_EQ(desk().hotkeys.size(), 1u);
  EXPECT_FALSE(result[0].refused || result[1].refused);
  EXPECT_EQ(tandrel::HotkeyName(result[0]), "Ctrl+Alt+Z");
}

TEST_F(Hotkeys, ACombinationHeldAlreadyIsRefusedWithoutAWord) {
  Store("Hotkey2", "Key", "Z");
  desk().HoldHotkeyElsewhere(kCtrlAlt, 'U');
  desk().programFiles = {kCramlet, kSpillet};
  Start();
  EXPECT_NE(Registered(1), nullptr);
  EXPECT_EQ(Registered(2), nullptr);
  EXPECT_TRUE(desk().PressHotkey(kCtrlAlt, 'Z'));
  ASSERT_EQ(desk().processes.size(), 1u);
  EXPECT_EQ(desk().processes[0].path, kCramlet) << "the shared combination runs hotkey 1";
  EXPECT_TRUE(desk().messageBoxes.empty());
}

TEST_F(Hotkeys, EachPressStartsItsToolByFullPathOnce) {
  desk().programPath = "C:\\My Tools\\Tandrel.exe";
  desk().programFiles = {"C:\\My Tools\\Cramlet.exe", "C:\\My Tools\\Spillet.exe"};
  Start();
  desk().PressHotkey(kCtrlAlt, 'Z');
  desk().PressHotkey(kCtrlAlt, 'U');
  desk().PressHotkey(kCtrlAlt, 'U');
  ASSERT_EQ(desk().processes.size(), 3u);
  EXPECT_EQ(desk().processes[0].path, "C:\\My Tools\\Cramlet.exe");
  EXPECT_EQ(desk().processes[0].commandLine, "\"C:\\My Tools\\Cramlet.exe\"");
  EXPECT_EQ(desk().processes[1].path, "C:\\My Tools\\Spillet.exe");
  EXPECT_EQ(desk().processes[2].path, "C:\\My Tools\\Spillet.exe");
}

TEST_F(Hotkeys, AMissingToolIsNamedAndTheNextPressTriesAgain) {
  desk().programFiles = {kSpillet};
  Store("start", "configured", "1");
  Start();
  desk().PressHotkey(kCtrlAlt, 'Z');
  ASSERT_EQ(desk().messageBoxes.size(), 1u);
  EXPECT_NE(desk().messageBoxes[0].text.find(kCramlet), std::string::npos);
  EXPECT_NE(desk().messageBoxes[0].text.find("cannot find"), std::string::npos);
  EXPECT_EQ(desk().messageBoxes[0].caption, "Tandrel");

  // A held combination repeats while the box is open: no box on top of it, and the other
  // hotkey still works.
  desk().onMessageBox = [this](const sim::MessageBoxShown&) {
    for (int repeat = 0; repeat < 3; ++repeat) desk().PressHotkey(kCtrlAlt, 'Z');
    desk().PressHotkey(kCtrlAlt, 'U');
  };
  desk().PressHotkey(kCtrlAlt, 'Z');
  EXPECT_EQ(desk().messageBoxes.size(), 2u);
  EXPECT_EQ(desk().processes.size(), 1u);
  desk().onMessageBox = nullptr;

  desk().programFiles.insert(kCramlet);
  desk().PressHotkey(kCtrlAlt, 'Z');
  desk().PressHotkey(kCtrlAlt, 'U');
  EXPECT_EQ(desk().processes.size(), 3u);
  EXPECT_FALSE(desk().quitPosted || desk().ended);
}

TEST_F(Hotkeys, TheHookPassesEveryMessageOnAndActsOnlyOnIdsOneAndTwo) {
  desk().programFiles = {kCramlet, kSpillet};
  Start();
  struct Seen {
    unsigned int msg;
    std::uintptr_t wParam;
    std::intptr_t lParam;
  };
  static std::vector<Seen> seen;
  seen.clear();
  platform::WndProc recorder = [](platform::Hwnd, unsigned int msg, std::uintptr_t wParam,
                                  std::intptr_t lParam) -> std::intptr_t {
    seen.push_back({msg, wParam, lParam});
    return 4242;
  };
  // The recorder stands where the window's own procedure stood behind the hook.
  platform::WndProc original = std::exchange(tandrel::PrevWndProc, recorder);
  const platform::Hwnd hwnd = HotkeyWindow();

  EXPECT_EQ(desk().SendMessage(hwnd, 0x1234, 7, -9), 4242);
  EXPECT_EQ(desk().SendMessage(hwnd, platform::kWmHotkey, 3, 0), 4242);
  EXPECT_EQ(desk().SendMessage(hwnd, platform::kWmHotkey, static_cast<std::uintptr_t>(-1), 0), 4242);
  EXPECT_TRUE(desk().processes.empty()) << "ids other than 1 and 2 start nothing";
  EXPECT_EQ(desk().SendMessage(hwnd, platform::kWmHotkey, 1, 0x5A0003), 4242);
  EXPECT_EQ(desk().processes.size(), 1u);

  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0].msg, 0x1234u);
  EXPECT_EQ(seen[0].wParam, 7u);
  EXPECT_EQ(seen[0].lParam, -9);
  EXPECT_EQ(seen[3].wParam, 1u);
  EXPECT_EQ(seen[3].lParam, 0x5A0003);
  tandrel::PrevWndProc = original;
}

TEST_F(Hotkeys, UnloadUnregistersAndUnhooksAndALaterLoadDoesItAllAgain) {
  Start();
  program->frmHotKeys.Unload();
  EXPECT_TRUE(desk().hotkeys.empty());
  EXPECT_EQ(tandrel::PrevWndProc, nullptr);
  tandrel::Unhook();  // a second Unhook does nothing
  EXPECT_EQ(desk().Journal("SetWindowProcedure").size(), 2u);

  desk().journal.clear();
  platform::Hwnd again = program->frmHotKeys.hWnd();  // a reference loads it anew
  EXPECT_NE(tandrel::PrevWndProc, nullptr);
  EXPECT_EQ(tandrel::HookedHwnd, again);
  EXPECT_NE(desk().HotkeyOf(again, 1), nullptr);
  EXPECT_NE(desk().HotkeyOf(again, 2), nullptr);
  desk().programFiles = {kCramlet};
  desk().PressHotkey(kCtrlAlt, 'Z');
  EXPECT_EQ(desk().processes.size(), 1u);
}

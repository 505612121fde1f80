#include <algorithm>
#include <functional>

#include "config/controls.h"
#include "fixture.h"
#include "hotkeys/module1.h"
#include "platform/sim/text.h"

using namespace tandrel::config;

namespace {
constexpr const char* kCaption = "Tandrel configuration";
constexpr const char* kRunValue = "\"C:\\Program Files\\Tandrel\\Tandrel.exe\"";
constexpr unsigned int kCtrlAlt = 0x0003;
}  // namespace

class Config : public DesktopTest {
 protected:
  // A configured user opens Settings from the tray.
  void Open() {
    Store("start", "configured", "1");
    Start();
    program->frmConfig.Show();
  }
  sim::SimWindow& Form() { return *Window(kCaption); }
  sim::Control& Control(int id) { return Form().controls.at(id); }
  void Click(int id) { desk().Click(Form().hwnd, id); }
  std::string Stored(const std::string& section, const std::string& key) {
    auto value = desk().Value(kSettings + section, key);
    return value ? value->text : "<missing>";
  }
  std::optional<sim::RegStoredValue> RunEntry() { return desk().Value(sim::kRunKey, "Tandrel"); }
  std::string LastMessage() { return desk().messageBoxes.empty() ? "" : desk().messageBoxes.back().text; }
};

TEST_F(Config, ANewUserSeesTheDefaultsAndBothKeyLists) {
  Start();
  ASSERT_TRUE(Visible(kCaption));
  std::vector<std::string> keys;
  for (char c = 'A'; c <= 'Z'; ++c) keys.emplace_back(1, c);
  for (char c = '0'; c <= '9'; ++c) keys.emplace_back(1, c);
  EXPECT_EQ(Control(cboKey1).items, keys);
  EXPECT_EQ(Control(cboKey2).items, keys);
  for (int id : {chkCtrl1, chkAlt1, chkCtrl2, chkAlt2}) EXPECT_TRUE(Control(id).checked) << id;
  for (int id : {chkShift1, chkShift2, Check1}) EXPECT_FALSE(Control(id).checked) << id;
  EXPECT_EQ(Control(cboKey1).text, "Z");
  EXPECT_EQ(Control(cboKey2).text, "U");
}

TEST_F(Config, OkOnAFirstStartWritesAllTenValuesAndClosesAfterTheMessage) {
  Start();
  const platform::Hwnd form = Form().hwnd;
  Click(cmdSave);
  const std::vector<std::string> written = {"Hotkey1\\Ctrl", "1", "Hotkey1\\Alt", "1", "Hotkey1\\Shift", "0",
                                            "Hotkey1\\Key",  "Z", "Hotkey2\\Ctrl", "1", "Hotkey2\\Alt", "1",
                                            "Hotkey2\\Shift", "0", "Hotkey2\\Key", "U", "start\\autoboot", "0",
                                            "start\\configured", "1"};
  for (std::size_t i = 0; i < written.size(); i += 2) {
    const auto slash = written[i].find('\\');
    EXPECT_EQ(Stored(written[i].substr(0, slash), written[i].substr(slash + 1)), written[i + 1]) << written[i];
  }
  EXPECT_EQ(desk().Journal("RegSetValue").size(), 10u);
  EXPECT_EQ(desk().Journal("RegDeleteValue Tandrel").size(), 1u) << "the removal is tried";
  ASSERT_EQ(desk().messageBoxes.size(), 1u);
  EXPECT_EQ(desk().messageBoxes[0].text, "Settings saved!");
  EXPECT_EQ(desk().messageBoxes[0].caption, "Tandrel");
  EXPECT_EQ(desk().messageBoxes[0].owner, form);
  EXPECT_EQ(Window(kCaption), nullptr);
  EXPECT_EQ(desk().openKeys, 0);

  program.reset();  // the next start is silent
  program = std::make_unique<tandrel::Program>();
  Start();
  EXPECT_FALSE(Visible(kCaption));
}

TEST_F(Config, CancelAndTheCloseBoxWriteNothing) {
  for (bool closeBox : {false, true}) {
    Fresh();
    Open();
    Click(chkShift1);
    desk().Type(Form().hwnd, cboKey1, "Q");
    desk().journal.clear();
    if (closeBox) desk().Close(Form().hwnd); else Click(Command1);
    EXPECT_EQ(Window(kCaption), nullptr);
    EXPECT_TRUE(desk().Journal("RegSetValue").empty());
    EXPECT_TRUE(desk().Journal("RegisterHotKey").empty());
    program->frmConfig.Show();
    EXPECT_FALSE(Control(chkShift1).checked) << "a new showing reads the store again";
    EXPECT_EQ(Control(cboKey1).text, "Z");
  }
}

TEST_F(Config, StoredTextsLoadAndSaveBack) {
  struct Case {
    const char* key;
    const char* stored;  // nullptr: missing
    bool checked;        // for a check box; a key box shows its text
    const char* saved;
  } cases[] = {
      {"Shift", "2", true, "1"},   {"Shift", "-1", true, "1"},   {"Shift", "0.4", true, "1"},
      {"Ctrl", "", false, "0"},    {"Ctrl", "x1", false, "0"},   {"Ctrl", "1x", true, "1"},
      {"Ctrl", "0", false, "0"},   {"Alt", nullptr, true, "1"},  {"Key", "F5", false, "F5"},
      {"Key", "", false, ""},      {"Key", "z", false, "z"},     {"Key", "abc", false, "abc"},
      {"Key", nullptr, false, "Z"},
  };
  for (const auto& c : cases) {
    Fresh();
    if (c.stored) Store("Hotkey1", c.key, c.stored);
    Open();
    const std::string label = std::string(c.key) + "=" + (c.stored ? c.stored : "<missing>");
    const int id = std::string(c.key) == "Ctrl" ? chkCtrl1 : std::string(c.key) == "Alt" ? chkAlt1
                 : std::string(c.key) == "Shift" ? chkShift1 : cboKey1;
    if (id == cboKey1) {
      EXPECT_EQ(Control(id).text, c.saved) << label;
    } else {
      EXPECT_EQ(Control(id).checked, c.checked) << label;
    }
    Click(cmdSave);
    EXPECT_EQ(Stored("Hotkey1", c.key), c.saved) << label;
  }
}

TEST_F(Config, SavedHotkeysTakeEffectAtOnce) {
  desk().programFiles = {"C:\\Program Files\\Tandrel\\Cramlet.exe"};
  Open();
  Click(chkShift1);
  desk().Type(Form().hwnd, cboKey1, "F5");
  desk().journal.clear();
  Click(cmdSave);
  EXPECT_EQ(desk().Journal("RegisterHotKey").size() + desk().Journal("UnregisterHotKey").size(), 4u);
  EXPECT_EQ(desk().Journal("")[8], "UnregisterHotKey 1") << "registration follows the eight hotkey writes";
  EXPECT_FALSE(desk().PressHotkey(kCtrlAlt, 'Z')) << "the old combination is free";
  EXPECT_TRUE(desk().PressHotkey(kCtrlAlt | 0x4, 'F'));
  EXPECT_EQ(desk().processes.size(), 1u);
  EXPECT_EQ(desk().hotkeys.size(), 2u) << "each id holds one registration, not an old one beside the new";
}

TEST_F(Config, TheMessageNamesEachThingThatDidNotTakeEffect) {
  struct Case {
    const char* name;
    std::function<void()> arrange;
    std::string message;
    bool closes;
  } cases[] = {
      {"taken elsewhere", [this] { desk().HoldHotkeyElsewhere(kCtrlAlt, 'U'); },
       "Settings saved!\n\nCtrl+Alt+U is in use by another program, so hotkey 2 is not active.", true},
      {"both rows alike", [this] { desk().Type(Form().hwnd, cboKey2, "z"); },
       "Settings saved!\n\nCtrl+Alt+Z is hotkey 1 already, so hotkey 2 is not active.", true},
      {"incomplete is no problem", [this] { Click(chkCtrl1); Click(chkAlt1); }, "Settings saved!", true},
      {"no Run key", [this] { Click(Check1); desk().keys.erase(sim::Lower(sim::kRunKey)); },
       "Settings saved!\n\nTandrel could not add itself to the programs that start with Windows.", true},
      {"entry that stays",
       [this] {
         desk().SetValue(sim::kRunKey, "Tandrel", "x");
         desk().refusedKeys.insert(sim::Lower(sim::kRunKey));
       },
       "Settings saved!\n\nTandrel could not remove itself from the programs that start with Windows.", true},
      {"store refuses", [this] { desk().refusedKeys.insert(sim::Lower(std::string(kSettings) + "hotkey2")); },
       "The settings could not be saved: Windows refused to store them.", false},
  };
  for (auto& c : cases) {
    Fresh();
    Open();
    c.arrange();
    Click(cmdSave);
    EXPECT_EQ(LastMessage(), c.message) << c.name;
    EXPECT_EQ(Window(kCaption) == nullptr, c.closes) << c.name;
    EXPECT_EQ(desk().openKeys, 0) << c.name;
  }
}

TEST_F(Config, TheStartUpEntryFollowsTheCheckBoxWithTheQuotedRealPath) {
  desk().programPath = "C:\\Program Files\\Tandrel\\Tandrel.EXE";
  desk().SetValue(sim::kRunKey, "Tandrel", "C:\\Old\\Tandrel.exe");
  Open();
  Click(Check1);
  Click(cmdSave);
  ASSERT_TRUE(RunEntry());
  EXPECT_EQ(RunEntry()->text, "\"C:\\Program Files\\Tandrel\\Tandrel.EXE\"");
  EXPECT_EQ(Stored("start", "autoboot"), "1");

  program->frmConfig.Show();
  EXPECT_TRUE(Control(Check1).checked);
  Click(Check1);
  Click(cmdSave);
  EXPECT_FALSE(RunEntry());
  EXPECT_EQ(Stored("start", "autoboot"), "0");

  EXPECT_FALSE(tandrel::FrmConfig::RemoveAppFromStartup("Tandrel")) << "nothing left to remove";
  EXPECT_TRUE(tandrel::FrmConfig::AddAppToStartup(kRunValue, "Tandrel"));
  EXPECT_EQ(desk().openKeys, 0);
}

TEST_F(Config, SettingsAgainShowsTheSameWindowWithTheUnsavedChanges) {
  Open();
  desk().Type(Form().hwnd, cboKey2, "Q");
  desk().onPopupMenu = [](const std::vector<platform::MenuItem>& items) {
    return std::find_if(items.begin(), items.end(), [](const auto& i) { return i.caption == "Settings"; })->id;
  };
  desk().TrayMouse(0x0205);
  EXPECT_EQ(desk().Journal("CreateWindow Tandrel configuration").size(), 1u);
  EXPECT_EQ(Control(cboKey2).text, "Q");
}

// With the host window closed the hotkey window is gone: a save must not bring it back.
TEST_F(Config, ASaveWithoutTheHotkeyWindowRegistersNothing) {
  Open();
  desk().TrayMouse(0x0203);
  desk().Close(Window("Systray form")->hwnd);
  Click(cmdSave);
  EXPECT_EQ(Window("Form1"), nullptr);
  EXPECT_TRUE(desk().hotkeys.empty());
  EXPECT_EQ(LastMessage(), "Settings saved!");
  EXPECT_TRUE(desk().quitPosted) << "the last window went";
}

// Whatever another program or a damaged profile left in the store: the window opens with sane
// values and OK writes clean ones over it.
TEST_F(Config, AHostileStoreShowsSaneValuesAndIsSavedOverCleanly) {
  struct Case {
    const char* name;
    std::uint32_t type;
    std::string text;
    const char* key1Shown;  // what cboKey1 shows; the modifiers show their defaults unless noted
  } cases[] = {
      {"number", platform::kRegDword, std::string("\x01\0\0\0", 4), "Z"},
      {"binary", 3, "\x01\x02", "Z"},
      {"several texts", sim::kRegMultiSz, std::string("1\0Q\0", 4), "Z"},
      {"expandable text", platform::kRegExpandSz, "%Q%", "Z"},
      {"64 KiB of text", platform::kRegSz, std::string(64 * 1024, '1'), "Z"},
      {"embedded NUL", platform::kRegSz, std::string("Q\0junk", 6), "Q"},
      {"outside the code page", platform::kRegSz, "\xCE\xA9", "\xCE\xA9"},
  };
  const std::pair<const char*, const char*> settings[] = {
      {"start", "configured"}, {"start", "autoboot"}, {"Hotkey1", "Ctrl"}, {"Hotkey1", "Alt"}, {"Hotkey1", "Shift"},
      {"Hotkey1", "Key"},      {"Hotkey2", "Ctrl"},   {"Hotkey2", "Alt"},  {"Hotkey2", "Shift"}, {"Hotkey2", "Key"}};
  for (const auto& c : cases) {
    Fresh();
    for (const auto& [section, key] : settings) desk().SetValue(kSettings + std::string(section), key, c.text, c.type);
    Start();
    ASSERT_TRUE(Visible(kCaption)) << c.name << ": not 1, so a first start";
    EXPECT_EQ(Control(cboKey1).text, c.key1Shown) << c.name;
    Click(cmdSave);
    EXPECT_EQ(LastMessage(), "Settings saved!") << c.name;
    for (const auto& [section, key] : settings) {
      EXPECT_EQ(desk().Value(kSettings + std::string(section), key)->type, platform::kRegSz) << c.name << " " << key;
    }
    EXPECT_EQ(Stored("Hotkey1", "Key"), c.key1Shown) << c.name;
    EXPECT_EQ(Stored("start", "configured"), "1") << c.name;
  }

  // The application's key unreadable: defaults show, and OK says the store refused.
  Fresh();
  desk().deniedKeys = {sim::Lower(std::string(kSettings) + "start"), sim::Lower(std::string(kSettings) + "hotkey1")};
  Store("Hotkey1", "Key", "Q");
  Start();
  EXPECT_EQ(Control(cboKey1).text, "Z");
  Click(cmdSave);
  EXPECT_EQ(LastMessage(), "The settings could not be saved: Windows refused to store them.");
  EXPECT_EQ(desk().openKeys, 0);
}

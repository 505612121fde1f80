#include "core/settings.h"
#include "fixture.h"
#include "platform/sim/text.h"

using tandrel::GetSetting;
using tandrel::SaveSetting;

using SettingsStore = DesktopTest;

TEST_F(SettingsStore, ReadsTheStoredTextElseTheDefault) {
  EXPECT_EQ(GetSetting("Hotkey1", "Key", "Z"), "Z");
  EXPECT_EQ(GetSetting("start", "configured"), "");
  Store("Hotkey1", "Key", "");
  EXPECT_EQ(GetSetting("Hotkey1", "Key", "Z"), "") << "a present empty text is not missing";
  Store("Hotkey1", "Ctrl", "abc");
  EXPECT_EQ(GetSetting("HOTKEY1", "ctrl", "1"), "abc") << "names are not case-sensitive";
  EXPECT_EQ(desk().openKeys, 0);
}

TEST_F(SettingsStore, TreatsValuesThatAreNotSettingsAsMissing) {
  desk().SetValue(std::string(kSettings) + "Hotkey1", "Ctrl", "", platform::kRegDword);
  desk().SetValue(std::string(kSettings) + "Hotkey1", "Alt", "", 3 /* binary */);
  desk().SetValue(std::string(kSettings) + "Hotkey1", "Shift", "1", platform::kRegExpandSz);
  Store("Hotkey1", "Key", std::string(1 << 20, 'Q'));
  EXPECT_EQ(GetSetting("Hotkey1", "Shift", "0"), "0");
  EXPECT_EQ(GetSetting("Hotkey1", "Ctrl", "1"), "1");
  EXPECT_EQ(GetSetting("Hotkey1", "Alt", "1"), "1");
  EXPECT_EQ(GetSetting("Hotkey1", "Key", "Z"), "Z");
  // 64 KiB as the system counts: UTF-16 with the terminating NUL.
  Store("Hotkey2", "Key", std::string(32767, 'Q'));
  EXPECT_EQ(GetSetting("Hotkey2", "Key", "U").size(), 32767u);
  Store("Hotkey2", "Key", std::string(32768, 'Q'));
  EXPECT_EQ(GetSetting("Hotkey2", "Key", "U"), "U");
}

TEST_F(SettingsStore, WritesTextsUnderTheProgramsOwnName) {
  EXPECT_TRUE(SaveSetting("Hotkey2", "Key", "F5"));
  EXPECT_EQ(desk().Value(std::string(kSettings) + "Hotkey2", "Key")->text, "F5");
  EXPECT_TRUE(SaveSetting("Hotkey2", "Key", "u"));
  EXPECT_EQ(GetSetting("Hotkey2", "Key", "U"), "u");

  desk().programPath = "C:\\Program Files\\Tandrel\\Renamed.exe";
  EXPECT_EQ(GetSetting("Hotkey2", "Key", "U"), "U") << "another file name starts with nothing stored";
  EXPECT_EQ(desk().openKeys, 0);
}

TEST_F(SettingsStore, ReportsARefusedWriteAndKeepsWhatWasStored) {
  Store("start", "autoboot", "1");
  desk().refusedKeys.insert(sim::Lower(std::string(kSettings) + "start"));
  desk().refusedKeys.insert(sim::Lower(std::string(kSettings) + "newsection"));
  EXPECT_FALSE(SaveSetting("start", "autoboot", "0"));
  EXPECT_FALSE(SaveSetting("newsection", "x", "1"));
  EXPECT_EQ(GetSetting("start", "autoboot", "0"), "1");
  EXPECT_EQ(desk().openKeys, 0);
}

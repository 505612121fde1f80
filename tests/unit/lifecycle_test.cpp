#include "fixture.h"

using Lifecycle = DesktopTest;

TEST_F(Lifecycle, AFirstStartBringsUpTheHiddenWindowsAndOpensTheConfiguration) {
  Start();
  ASSERT_NE(Window("Systray form"), nullptr);
  ASSERT_NE(Window("Form1"), nullptr);
  EXPECT_FALSE(Visible("Systray form"));
  EXPECT_FALSE(Visible("Form1"));
  EXPECT_TRUE(Visible("Tandrel configuration"));
  EXPECT_EQ(desk().trayIcons.size(), 1u);
  EXPECT_EQ(desk().hotkeys.size(), 2u);
  EXPECT_FALSE(desk().quitPosted);
}

TEST_F(Lifecycle, TheMarkerCountsAsSetOnlyWhenItRoundsToOne) {
  struct Case {
    const char* stored;
    bool opens;
  } cases[] = {{"1", false}, {"1.4", false}, {" 1", false}, {"1x", false}, {"1.5", true},
               {"0.5", true}, {"", true},     {"yes", true},  {"2", true},   {"99999", true}};
  for (const auto& c : cases) {
    Fresh();
    Store("start", "configured", c.stored);
    Start();
    EXPECT_EQ(Visible("Tandrel configuration"), c.opens) << '"' << c.stored << '"';
  }
}

TEST_F(Lifecycle, ClosingTheConfigurationKeepsTheProgramResident) {
  Start();
  desk().Close(Window("Tandrel configuration")->hwnd);
  EXPECT_EQ(Window("Tandrel configuration"), nullptr);
  EXPECT_FALSE(desk().quitPosted);
  EXPECT_EQ(desk().trayIcons.size(), 1u);
}

TEST_F(Lifecycle, EachWindowHasOneInstanceThatLoadsAgainAfterUnload) {
  Store("start", "configured", "1");
  Start();
  program->frmAbout.Show();
  program->frmAbout.Show();
  int abouts = 0;
  for (const auto& [hwnd, window] : desk().windows) abouts += window.caption == "About Tandrel";
  EXPECT_EQ(abouts, 1);
  EXPECT_EQ(desk().Journal("CreateWindow About").size(), 1u);

  desk().Close(Window("About Tandrel")->hwnd);
  EXPECT_FALSE(program->frmAbout.IsLoaded());
  program->frmAbout.Show();
  EXPECT_TRUE(Visible("About Tandrel")) << "the load handler ran again and set the caption";
}

TEST_F(Lifecycle, TheProgramEndsWhenTheLastWindowIsUnloadedAfterMain) {
  Store("start", "configured", "1");
  Start();
  program->frmAbout.Show();
  // The user shows the host window and closes it: icon and hotkeys go, About keeps the program.
  desk().TrayMouse(0x0203);
  desk().Close(Window("Systray form")->hwnd);
  EXPECT_TRUE(desk().trayIcons.empty());
  EXPECT_TRUE(desk().hotkeys.empty());
  EXPECT_FALSE(desk().quitPosted);
  desk().Close(Window("About Tandrel")->hwnd);
  EXPECT_TRUE(desk().quitPosted);
  EXPECT_FALSE(desk().ended) << "a normal end, not an abrupt one";
}

// The tray menu takes the keyboard to the hidden host window; a window chosen from it, open or
// not, in front or behind another, comes to the front with the keyboard.
TEST_F(Lifecycle, AWindowChosenFromTheTrayComesToTheFront) {
  const struct {
    const char* item;
    const char* caption;
  } rows[] = {{"Settings", "Tandrel configuration"},
              {"About", "About Tandrel"},
              {"Support Tandrel", "Support tandrel.example"}};
  Store("start", "configured", "1");
  Start();
  auto choose = [&](const std::string& item) {
    desk().onPopupMenu = [item](const std::vector<platform::MenuItem>& items) {
      for (const auto& line : items) {
        if (line.caption == item) return line.id;
      }
      return 0;
    };
    desk().TrayMouse(0x0205);
  };
  for (int round = 0; round < 2; ++round) {
    for (const auto& row : rows) {
      choose(row.item);
      ASSERT_NE(Window(row.caption), nullptr) << row.item;
      EXPECT_EQ(desk().foreground, Window(row.caption)->hwnd) << row.item << (round ? ", open already" : "");
    }
  }
}

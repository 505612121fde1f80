#include <optional>

#include "fixture.h"
#include "info/frm_about.h"

using tandrel::FrmAbout;
using tandrel::RegistryRead;

namespace {
constexpr const char* kMsinfo = "HKLM\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kMsinfo64 = "HKLM64\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kLocation = "HKLM\\SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr const char* kUnavailable = "System Information Is Unavailable At This Time";
constexpr std::uint32_t kRegBinary = 3;
}  // namespace

class Info : public DesktopTest {
 protected:
  Info() { Store("start", "configured", "1"); }
  sim::SimWindow& Shown(tandrel::Form& form, const std::string& caption) {
    form.Show();
    return *Window(caption);
  }
  int ControlWithText(sim::SimWindow& window, const std::string& text) {
    for (const auto& [id, control] : window.controls) {
      if (control.text == text) return id;
    }
    return 0;
  }
};

TEST_F(Info, AboutShowsTitleVersionAndHomePageAndClosesOnOk) {
  desk().programVersion = {3, 1, 7};
  Start();
  sim::SimWindow& about = Shown(program->frmAbout, "About Tandrel");
  EXPECT_NE(ControlWithText(about, "Tandrel"), 0);
  EXPECT_NE(ControlWithText(about, "Version 3.1.7"), 0) << "from the program's own version numbers";
  const int link = ControlWithText(about, "https://www.tandrel.example");
  ASSERT_NE(link, 0);
  desk().Click(about.hwnd, link);
  ASSERT_EQ(desk().openedPages.size(), 1u);
  EXPECT_EQ(desk().openedPages[0].file, "https://tandrel.example");
  EXPECT_EQ(desk().openedPages[0].owner, about.hwnd);

  desk().Click(about.hwnd, ControlWithText(about, "OK"));
  EXPECT_FALSE(program->frmAbout.IsLoaded());
}

TEST_F(Info, SupportOpensTheRecommendationPageEachTimeAndStaysOpen) {
  Start();
  sim::SimWindow& support = Shown(program->frmSupport, "Support tandrel.example");
  const auto appeal = support.controls.begin()->second.text;
  EXPECT_NE(appeal.find("simply? to recommend tandrel.example to a friend!"), std::string::npos) << appeal;
  const int button = ControlWithText(support, "Click here");
  desk().Click(support.hwnd, button);
  desk().Click(support.hwnd, button);
  ASSERT_EQ(desk().openedPages.size(), 2u);
  EXPECT_EQ(desk().openedPages[1].file, "https://tandrel.example/recommend/");
  EXPECT_TRUE(program->frmSupport.IsLoaded());
}

TEST_F(Info, GetKeyValueReadsTextsAndNumbersUpTo1024Bytes) {
  struct Case {
    const char* name;
    std::uint32_t type;
    std::string stored;  // a number's bytes for other types
    bool found;
    std::string read;
  } cases[] = {
      {"text", platform::kRegSz, "C:\\Tools", true, "C:\\Tools"},
      {"number", platform::kRegDword, std::string("\x2A\x01\0\0", 4), true, "298"},
      {"largest number", platform::kRegDword, "\xFF\xFF\xFF\xFF", true, "4294967295"},
      {"expandable text is left alone", platform::kRegExpandSz, "%x%", true, "before"},
      {"binary is left alone", kRegBinary, "ab", true, "before"},
      {"1024 bytes with the NUL", platform::kRegSz, std::string(1023, 'x'), true, std::string(1023, 'x')},
      {"1025 bytes", platform::kRegSz, std::string(1024, 'x'), false, ""},
  };
  for (const auto& c : cases) {
    Fresh();
    desk().SetValue(kMsinfo, "PATH", c.stored, c.type);
    std::string value = "before";
    EXPECT_EQ(FrmAbout::GetKeyValue(platform::RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO",
                                    "PATH", value),
              c.found ? RegistryRead::Read : RegistryRead::NotRead) << c.name;
    EXPECT_EQ(value, c.read) << c.name;
    EXPECT_EQ(desk().openKeys, 0) << c.name;
  }
  std::string value = "before";
  EXPECT_EQ(FrmAbout::GetKeyValue(platform::RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO",
                                  "PATH", value), RegistryRead::NotRead) << "no key";
  EXPECT_EQ(value, "");
}

TEST_F(Info, SystemInformationStartsOrIsReportedUnavailableOnce) {
  struct Case {
    const char* name;
    std::function<void()> arrange;
    std::optional<std::string> started;  // none: the message
  } cases[] = {
      {"first location, started unchanged",
       [this] { desk().SetValue(kMsinfo, "PATH", "C:\\Sys Tools\\msinfo.exe"); desk().programFiles = {"C:\\Sys Tools\\msinfo.exe"}; },
       "C:\\Sys Tools\\msinfo.exe"},
      {"first location names no program: the second is not tried",
       [this] {
         desk().SetValue(kMsinfo, "PATH", "C:\\Gone\\msinfo.exe");
         desk().SetValue(kLocation, "MSINFO", "C:\\Sys");
         desk().programFiles = {"C:\\Sys\\MSINFO32.EXE"};
       },
       std::nullopt},
      {"second location with the file",
       [this] { desk().SetValue(kLocation, "MSINFO", "C:\\Sys"); desk().programFiles = {"C:\\Sys\\MSINFO32.EXE"}; },
       "C:\\Sys\\MSINFO32.EXE"},
      {"second location without the file", [this] { desk().SetValue(kLocation, "MSINFO", "C:\\Sys"); }, std::nullopt},
      {"neither", [] {}, std::nullopt},
      {"first location of another type: an empty path",
       [this] { desk().SetValue(kMsinfo, "PATH", "C:\\Sys\\msinfo.exe", platform::kRegExpandSz); }, std::nullopt},
      {"first location empty: the second is not tried",
       [this] {
         desk().SetValue(kMsinfo, "PATH", "", kRegBinary);
         desk().SetValue(kLocation, "MSINFO", "C:\\Sys");
         desk().programFiles = {"C:\\Sys\\MSINFO32.EXE"};
       },
       std::nullopt},
      {"only in the 64-bit view",
       [this] { desk().SetValue(kMsinfo64, "PATH", "C:\\Sys\\msinfo.exe"); desk().programFiles = {"C:\\Sys\\msinfo.exe"}; },
       "C:\\Sys\\msinfo.exe"},
  };
  for (const auto& c : cases) {
    Fresh();
    c.arrange();
    Start();
    program->frmAbout.StartSysInfo();
    if (c.started) {
      ASSERT_EQ(desk().processes.size(), 1u) << c.name;
      EXPECT_EQ(desk().processes[0].path, *c.started) << c.name;
      EXPECT_TRUE(desk().messageBoxes.empty()) << c.name;
    } else {
      EXPECT_TRUE(desk().processes.empty()) << c.name;
      ASSERT_EQ(desk().messageBoxes.size(), 1u) << c.name;
      EXPECT_EQ(desk().messageBoxes[0].text, kUnavailable) << c.name;
      EXPECT_EQ(desk().messageBoxes[0].caption, "Tandrel") << c.name;
    }
    EXPECT_EQ(desk().openKeys, 0) << c.name;
  }
}

// The captions of the configuration, About and Support windows as the screen shows them: in a dark
// high-contrast scheme in the system's text colours, otherwise in the colours of their design.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "config_window.h"

namespace e2e {
namespace {

using namespace tandrel::config;

// A text under HKEY_CURRENT_USER for one case, read by programs started after; what stood there
// comes back at the end.
class ScopedText {
 public:
  ScopedText(std::wstring key, std::wstring name, const std::wstring& text)
      : key_(std::move(key)), name_(std::move(name)) {
    wchar_t data[256] = L"";
    DWORD size = sizeof data;
    if (RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), RRF_RT_REG_SZ, nullptr, data, &size) ==
        ERROR_SUCCESS)
      before_ = data;
    set_ = Store(text);
  }
  ScopedText(const ScopedText&) = delete;
  ScopedText& operator=(const ScopedText&) = delete;
  ~ScopedText() {
    if (before_)
      Store(*before_);
    else
      RegDeleteKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str());
  }
  bool Set() const { return set_; }

 private:
  bool Store(const std::wstring& text) const {
    return RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), REG_SZ, text.c_str(),
                           DWORD((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }
  std::wstring key_, name_;
  std::optional<std::wstring> before_;
  bool set_ = false;
};

// The system's colours for one case, for the programs started after (Wine 8 keeps what SetSysColors
// sets in a key of its own, which every process reads as it starts, over Control Panel\Colors).
class ScopedSysColors {
 public:
  explicit ScopedSysColors(const std::map<int, COLORREF>& colours) {
    for (const auto& [index, colour] : colours) {
      indices_.push_back(index);
      before_.push_back(GetSysColor(index));
      after_.push_back(colour);
    }
    set_ = SetSysColors(int(indices_.size()), indices_.data(), after_.data()) != FALSE;
  }
  ScopedSysColors(const ScopedSysColors&) = delete;
  ScopedSysColors& operator=(const ScopedSysColors&) = delete;
  ~ScopedSysColors() { SetSysColors(int(indices_.size()), indices_.data(), before_.data()); }
  bool Set() const { return set_; }

 private:
  std::vector<int> indices_;
  std::vector<COLORREF> before_, after_;
  bool set_ = false;
};

// The ratio of the relative luminances, as the web's accessibility guidelines measure contrast.
double ContrastRatio(COLORREF a, COLORREF b) {
  auto luminance = [](COLORREF c) {
    auto channel = [](int value) {
      const double v = value / 255.0;
      return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(GetRValue(c)) + 0.7152 * channel(GetGValue(c)) + 0.0722 * channel(GetBValue(c));
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

std::string Hex(COLORREF c) {
  char text[8];
  snprintf(text, sizeof text, "%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
  return text;
}

// A dark high-contrast scheme: text in three colours, so that each caption shows which it took,
// and a highlight that is none of them.
constexpr COLORREF kFace = RGB(0, 0, 0), kWindowText = RGB(255, 255, 255), kButtonText = RGB(255, 255, 0),
                   kHotLight = RGB(0, 255, 255), kHighlight = RGB(128, 0, 128);

enum class Ink { WindowText, ButtonText, HotLight, Black, Highlight };

constexpr int kAboutTitle = 205, kAboutVersion = 206, kAboutRights = 204, kAboutLink = 207;
constexpr int kSupportAppeal = 301, kSupportBelow = 303;

// Where a caption's text is looked for: the control's box, or its part up to the next control of
// its row (a label of the configuration window ends under a check box), after the square for a
// check box.
enum class Area { Box, OwnPart, CheckBoxCaption };

struct Caption {
  int id;
  Area area;
  Ink highContrast, plain;
};

struct Shown {
  const char* name;  // of its screenshots
  int menuPosition;
  const wchar_t* caption;
  std::vector<Caption> captions;
};

const Shown kWindows[] = {
    {"configuration",
     3,
     kConfigCaption,
     {{chkCtrl1, Area::CheckBoxCaption, Ink::ButtonText, Ink::Black},
      {chkAlt1, Area::CheckBoxCaption, Ink::ButtonText, Ink::Black},
      {chkShift1, Area::CheckBoxCaption, Ink::ButtonText, Ink::Black},
      {chkCtrl2, Area::CheckBoxCaption, Ink::ButtonText, Ink::Black},
      {chkAlt2, Area::CheckBoxCaption, Ink::ButtonText, Ink::Black},
      {chkShift2, Area::CheckBoxCaption, Ink::ButtonText, Ink::Black},
      {Check1, Area::CheckBoxCaption, Ink::ButtonText, Ink::Black},
      {Label1, Area::OwnPart, Ink::WindowText, Ink::Black},
      {Label2, Area::OwnPart, Ink::WindowText, Ink::Black}}},
    {"about",
     2,
     L"About Tandrel",
     {{kAboutTitle, Area::Box, Ink::WindowText, Ink::Black},
      {kAboutVersion, Area::Box, Ink::WindowText, Ink::Black},
      {kAboutRights, Area::Box, Ink::WindowText, Ink::Black},
      {kAboutLink, Area::Box, Ink::HotLight, Ink::Highlight}}},
    {"support",
     4,
     L"Support tandrel.example",
     {{kSupportAppeal, Area::Box, Ink::WindowText, Ink::Black},
      {kSupportBelow, Area::Box, Ink::WindowText, Ink::Black}}},
};

class Contrast : public TandrelTest {
 protected:
  // Opens each window from the tray menu in turn and finds each caption's text in its colour,
  // standing out from the background around it.
  void ExpectCaptionsIn(bool highContrast, const std::map<Ink, COLORREF>& colours) {
    const std::string look = highContrast ? "high-contrast" : "plain";
    for (const Shown& shown : kWindows) {
      SCOPED_TRACE(Narrow(shown.caption));
      ASSERT_NO_FATAL_FAILURE(ChooseFromTrayMenu(shown.menuPosition));
      HWND window = nullptr;
      ASSERT_TRUE(WaitUntil([&] {
        window = tandrel.Window(shown.caption, L"TandrelForm");
        return window && IsWindowVisible(window) && GetForegroundWindow() == window;
      })) << Describe(tandrel.Windows());
      Sleep(300);
      Screenshot(look + "-" + shown.name, window);
      for (const Caption& caption : shown.captions) {
        SCOPED_TRACE("control " + std::to_string(caption.id));
        HWND control = GetDlgItem(window, caption.id);
        ASSERT_TRUE(control);
        RECT area{};
        GetWindowRect(control, &area);
        if (caption.area != Area::Box) area = OwnPart(control);
        if (caption.area == Area::CheckBoxCaption) area.left += 16;  // the square: 13 pixels at 96 DPI
        const COLORREF ink = colours.at(highContrast ? caption.highContrast : caption.plain);
        int inked = 0;
        COLORREF background = 0;
        WaitUntil(
            [&] {
              const ScreenImage image = CaptureScreen(area);
              std::map<DWORD, int> counts;
              for (DWORD pixel : image.pixels) ++counts[pixel];
              const auto most = std::max_element(counts.begin(), counts.end(),
                                                 [](const auto& a, const auto& b) { return a.second < b.second; });
              background = RGB(GetBValue(most->first), GetGValue(most->first), GetRValue(most->first));
              const DWORD wanted = (DWORD(GetRValue(ink)) << 16) | (DWORD(GetGValue(ink)) << 8) | GetBValue(ink);
              inked = counts.count(wanted) ? counts[wanted] : 0;
              return inked >= 10;
            },
            3000);
        EXPECT_GE(inked, 10) << "too few pixels of the text colour " << Hex(ink) << " on " << Hex(background);
        if (highContrast) {
          EXPECT_GE(ContrastRatio(ink, background), 4.5) << "text " << Hex(ink) << " on " << Hex(background);
        }
      }
      PostMessageW(window, WM_CLOSE, 0, 0);
      ASSERT_TRUE(WaitUntil([&] { return !IsWindow(window); }));
    }
  }
};

// Windows turns visual styles off in high contrast and reports it on: the spy answers for Wine.
TEST_F(Contrast, InADarkHighContrastSchemeEveryCaptionTakesTheSystemsTextColours) {
  const ScopedSysColors scheme({{COLOR_BTNFACE, kFace},
                                {COLOR_WINDOW, kFace},
                                {COLOR_WINDOWTEXT, kWindowText},
                                {COLOR_BTNTEXT, kButtonText},
                                {COLOR_HOTLIGHT, kHotLight},
                                {COLOR_HIGHLIGHT, kHighlight},
                                {COLOR_HIGHLIGHTTEXT, kWindowText}});
  const ScopedText classic(L"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", L"ThemeActive", L"0");
  ASSERT_TRUE(scheme.Set() && classic.Set());
  ASSERT_NO_FATAL_FAILURE(StartWithTray());
  Spy spy(UiThread());
  ASSERT_TRUE(spy.Installed()) << "spy hook not set, error " << GetLastError();
  ASSERT_TRUE(spy.TurnHighContrastOn(tandrel.Window(kTrayHostTitle, L"TandrelForm"))) << "the spy did not answer";
  ExpectCaptionsIn(true, {{Ink::WindowText, kWindowText}, {Ink::ButtonText, kButtonText}, {Ink::HotLight, kHotLight}});
}

// The prefix's own scheme and theme: black captions and the link in the highlight colour.
TEST_F(Contrast, OtherwiseTheCaptionsKeepTheColoursOfTheirDesign) {
  ASSERT_NO_FATAL_FAILURE(StartWithTray());
  ExpectCaptionsIn(false, {{Ink::Black, RGB(0, 0, 0)}, {Ink::Highlight, GetSysColor(COLOR_HIGHLIGHT)}});
}

}  // namespace
}  // namespace e2e

// The configuration window driven as a user does, for the cases of several files.
#pragma once
#include <optional>

#include "config/controls.h"
#include "harness.h"

namespace e2e {

inline constexpr wchar_t kConfigCaption[] = L"Tandrel configuration";
inline constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

inline LRESULT Ask(HWND control, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(control, message, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &result);
  return LRESULT(result);
}

// The start-up entry, if any.
inline std::optional<std::wstring> RunEntry() {
  wchar_t data[1024];
  DWORD size = sizeof data;
  if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"Tandrel", RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return data;
}

// A control's own part on screen: its box up to the next control of its row, whose left edge
// lies inside it (Alt's box reaches into Shift's, Shift's into the key box).
inline RECT OwnPart(HWND box) {
  RECT own{};
  GetWindowRect(box, &own);
  HWND parent = GetParent(box);
  for (HWND other = GetWindow(parent, GW_CHILD); other; other = GetWindow(other, GW_HWNDNEXT)) {
    RECT r{};
    GetWindowRect(other, &r);
    if (other != box && r.left > own.left && r.left < own.right && r.top < own.bottom && own.top < r.bottom)
      own.right = r.left;
  }
  return own;
}

class ConfigWindowTest : public TandrelTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(TandrelTest::SetUp());
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Tandrel");
  }

  // The program whose window the helpers drive.
  const Program& Owner() const { return owner ? *owner : tandrel; }

  HWND Shown() const {
    HWND window = Owner().Window(kConfigCaption, L"TandrelForm");
    return window && IsWindowVisible(window) ? window : nullptr;
  }

  void WaitForWindow() {
    ASSERT_TRUE(WaitUntil([&] { return (config = Shown()) != nullptr; }))
        << "no configuration window; " << Describe(Owner().Windows());
  }

  void OpenFromTray(int slot = 0) {
    ASSERT_NO_FATAL_FAILURE(ChooseFromTrayMenu(3, slot, &Owner()));
    ASSERT_NO_FATAL_FAILURE(WaitForWindow());
  }

  // The control holding the focus (a key box's inner edit counts as the box), 0 for none.
  int FocusedId() const {
    HWND focus = FocusIn(GetWindowThreadProcessId(config, nullptr));
    if (focus && GetParent(focus) != config) focus = GetParent(focus);
    return focus && GetParent(focus) == config ? GetDlgCtrlID(focus) : 0;
  }

  // As it opens, from the tray or at start-up, the window comes to the front with the focus on
  // its first control: the user can go on with the keyboard.
  void ExpectKeyboardAtFirstControl() {
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == config && FocusedId() == tandrel::config::chkCtrl1; }))
        << "foreground " << (GetForegroundWindow() == config ? "is" : "is not") << " the window; focus on control "
        << FocusedId();
  }

  // One key press at a time, each waited for: queued presses would race the checks.
  void Tab(bool back = false) {
    const int before = FocusedId();
    ASSERT_TRUE(back ? PressKeys({VK_SHIFT, VK_TAB}) : PressKeys({VK_TAB}));
    ASSERT_TRUE(WaitUntil([&] { return FocusedId() != before; })) << "Tab did not move the focus";
  }

  void TabTo(int id) {
    for (int i = 0; i < 13 && FocusedId() != id; ++i) ASSERT_NO_FATAL_FAILURE(Tab());
    ASSERT_EQ(FocusedId(), id);
  }

  void Toggle(int id) {
    const LRESULT before = Ask(GetDlgItem(config, id), BM_GETCHECK);
    ASSERT_NO_FATAL_FAILURE(TabTo(id));
    ASSERT_TRUE(PressKeys({VK_SPACE}));
    ASSERT_TRUE(WaitUntil([&] { return IsWindow(config) && Ask(GetDlgItem(config, id), BM_GETCHECK) != before; }))
        << "Space did not toggle check box " << id;
  }

  // Enter on OK; the message it shows is read, whileShown runs, the message is dismissed, and
  // the window has to go (or to stay, when the settings were not stored).
  std::wstring SaveWithEnter(const std::function<void()>& whileShown = [] {}, bool windowGoes = true) {
    HWND box = nullptr;
    [&] {
      ASSERT_NO_FATAL_FAILURE(TabTo(tandrel::config::cmdSave));
      ASSERT_TRUE(PressKeys({VK_RETURN}));
      ASSERT_TRUE(WaitUntil([&] { return (box = Owner().Window(L"Tandrel", L"#32770")) != nullptr; }))
          << "no message after OK; " << Describe(Owner().Windows());
      EXPECT_EQ(GetWindow(box, GW_OWNER), config) << "the message is not owned by the window";
    }();
    if (!box) return L"<no message>";
    const std::wstring text = MessageBoxText(box);
    whileShown();
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    if (windowGoes) {
      EXPECT_TRUE(WaitUntil([&] { return !IsWindow(config); })) << "the window stayed after the message";
    } else {
      EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); })) << "the message stayed";
      EXPECT_TRUE(IsWindowVisible(config)) << "the window went though nothing was stored";
    }
    return text;
  }

  bool Checked(int id) const { return Ask(GetDlgItem(config, id), BM_GETCHECK) == BST_CHECKED; }

  HWND config = nullptr;
  const Program* owner = nullptr;  // tandrel unless set
};

}  // namespace e2e

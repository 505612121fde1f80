// Start-up: a fresh profile gets the configuration window, a configured one starts silently.
#include "harness.h"

namespace e2e {
namespace {

using StartUp = TandrelTest;

constexpr wchar_t kFormClass[] = L"TandrelForm";

bool HiddenWindowsExist(const Program& tandrel) {
  return tandrel.Window(kTrayHostTitle, kFormClass) && tandrel.Window(L"Form1", kFormClass);
}

void ExpectHiddenWindowsHidden(const Program& tandrel) {
  for (const wchar_t* title : {kTrayHostTitle, L"Form1"})
    EXPECT_FALSE(IsWindowVisible(tandrel.Window(title, kFormClass))) << title << " is visible";
}

TEST_F(StartUp, FreshProfileOpensTheConfigurationWindow) {
  ASSERT_TRUE(tandrel.Start());
  ASSERT_TRUE(WaitUntil([&] {
    HWND config = tandrel.Window(L"Tandrel configuration", kFormClass);
    return config && IsWindowVisible(config) && HiddenWindowsExist(tandrel);
  })) << "no visible configuration window beside the hidden ones; " << Describe(tandrel.Windows());
  Screenshot("configuration", tandrel.Window(L"Tandrel configuration", kFormClass));
  ExpectHiddenWindowsHidden(tandrel);
  EXPECT_TRUE(tandrel.Running());
}

TEST_F(StartUp, ConfiguredProfileStartsSilently) {
  ASSERT_TRUE(StoreSetting(L"start", L"configured", L"1"));
  ASSERT_TRUE(tandrel.Start());
  // The tray icon is the last sign of a finished start; a late window gets a moment more.
  ASSERT_TRUE(WaitUntil([&] { return HiddenWindowsExist(tandrel) && VisibleTrayWindow(); }))
      << "no tray icon beside the hidden windows; " << Describe(tandrel.Windows());
  Sleep(1000);
  ExpectHiddenWindowsHidden(tandrel);
  EXPECT_EQ(Describe(tandrel.Windows(/*visibleOnly=*/true)), Describe({})) << "a window is showing";
  EXPECT_TRUE(tandrel.Running());
}

// Values that are not settings (another type, an absurd length) read as missing: defaults apply.
TEST_F(StartUp, StoredValuesThatAreNotSettingsFallBackToTheirDefaults) {
  const std::wstring start = std::wstring(kSettingsKey) + L"\\start";
  const std::wstring hotkey1 = std::wstring(kSettingsKey) + L"\\Hotkey1";
  const DWORD one = 1;
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, start.c_str(), L"configured", REG_DWORD, &one, sizeof one), ERROR_SUCCESS);
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, hotkey1.c_str(), L"Ctrl", REG_BINARY, "\0\0", 2), ERROR_SUCCESS);
  const std::wstring huge(200000, L'Q');
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, hotkey1.c_str(), L"Key", REG_SZ, huge.c_str(),
                            DWORD((huge.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);

  ASSERT_TRUE(tandrel.Start());
  ASSERT_TRUE(WaitUntil([&] {
    HWND config = tandrel.Window(L"Tandrel configuration", kFormClass);
    return config && IsWindowVisible(config);
  })) << "a number-typed marker must count as missing; " << Describe(tandrel.Windows());
  ASSERT_TRUE(PressKeys({VK_CONTROL, VK_MENU, 'Z'}));
  EXPECT_TRUE(WaitUntil([] { return ToolRuns().size() == 1; })) << "hotkey 1 is not the default Ctrl+Alt+Z";
  EXPECT_TRUE(tandrel.Running());
}

}  // namespace
}  // namespace e2e

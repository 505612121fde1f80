// What goes wrong around the program: a damaged or unreadable settings store, a burst of hotkey
// presses, tools that will not start, no Run key, a second copy, a tray that forgot its icons.
#include <algorithm>
#include <iostream>

#include "config_window.h"

#include <aclapi.h>
#include <shellapi.h>

namespace e2e {
namespace {

using namespace tandrel::config;
using Reliability = ConfigWindowTest;

struct Setting {
  const wchar_t *section, *name;
};
constexpr Setting kSettings[] = {{L"start", L"configured"}, {L"start", L"autoboot"}, {L"Hotkey1", L"Ctrl"},
                                 {L"Hotkey1", L"Alt"},      {L"Hotkey1", L"Shift"},  {L"Hotkey1", L"Key"},
                                 {L"Hotkey2", L"Ctrl"},     {L"Hotkey2", L"Alt"},    {L"Hotkey2", L"Shift"},
                                 {L"Hotkey2", L"Key"}};

std::wstring SectionKey(const wchar_t* section) { return std::wstring(kSettingsKey) + L"\\" + section; }

// Denies everyone reading and writing the key (not its rights: those come back at the end).
class ScopedDeny {
 public:
  explicit ScopedDeny(const std::wstring& path) {
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, READ_CONTROL | WRITE_DAC, &key_) != ERROR_SUCCESS) return;
    DWORD size = 0;
    RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
    before_.resize(size);
    if (RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, before_.data(), &size) != ERROR_SUCCESS) return;
    EXPLICIT_ACCESSW deny{};
    deny.grfAccessPermissions = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS;
    deny.grfAccessMode = DENY_ACCESS;
    deny.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    deny.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    deny.Trustee.ptstrName = const_cast<wchar_t*>(L"EVERYONE");
    PACL acl = nullptr;
    if (SetEntriesInAclW(1, &deny, nullptr, &acl) != ERROR_SUCCESS) return;
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    denied_ = RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
    LocalFree(acl);
  }
  ScopedDeny(const ScopedDeny&) = delete;
  ScopedDeny& operator=(const ScopedDeny&) = delete;
  ~ScopedDeny() {
    if (denied_) RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, before_.data());
    if (key_) RegCloseKey(key_);
  }
  bool Denied() const { return denied_; }

 private:
  HKEY key_ = nullptr;
  std::vector<BYTE> before_;
  bool denied_ = false;
};

// Whatever another program or a damaged profile left in the store: the first-start window opens
// with sane values, and OK writes clean texts over them.
TEST_F(Reliability, AHostileStoreShowsSaneValuesAndIsSavedOverCleanly) {
  auto bytes = [](const std::wstring& text) {  // with the NULs the literal holds, and one more
    const auto* data = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(data, data + (text.size() + 1) * sizeof(wchar_t));
  };
  const struct {
    const char* name;
    DWORD type;  // REG_NONE: the application's key is missing
    std::vector<BYTE> data;
    const wchar_t* keyShown;  // in both key boxes; Z: the defaults show, U in the second box
  } cases[] = {
      {"no key", REG_NONE, {}, L"Z"},
      {"number", REG_DWORD, {1, 0, 0, 0}, L"Z"},
      {"binary", REG_BINARY, {1, 2}, L"Z"},
      {"several texts", REG_MULTI_SZ, bytes(std::wstring(L"1\0Q\0", 4)), L"Z"},
      {"expandable text", REG_EXPAND_SZ, bytes(L"%Q%"), L"Z"},
      {"just over 64 KiB of text", REG_SZ, bytes(std::wstring(32 * 1024, L'1')), L"Z"},
      {"embedded NUL", REG_SZ, bytes(std::wstring(L"Q\0junk", 6)), L"Q"},
      {"outside the code page", REG_SZ, bytes(L"\u03a9"), L"\u03a9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(ClearSettings());
    for (const auto& s : kSettings) {
      if (c.type == REG_NONE) break;
      ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, SectionKey(s.section).c_str(), s.name, c.type, c.data.data(),
                                DWORD(c.data.size())),
                ERROR_SUCCESS);
    }
    ASSERT_TRUE(tandrel.Start());
    ASSERT_NO_FATAL_FAILURE(WaitForWindow());
    ASSERT_NO_FATAL_FAILURE(ExpectKeyboardAtFirstControl());
    const bool defaults = c.keyShown == std::wstring(L"Z");  // texts that are no numbers read as 0
    const std::wstring key2 = defaults ? L"U" : c.keyShown;
    EXPECT_EQ(TextOf(GetDlgItem(config, cboKey1)), c.keyShown);
    EXPECT_EQ(TextOf(GetDlgItem(config, cboKey2)), key2);
    const std::pair<int, bool> boxes[] = {{chkCtrl1, defaults}, {chkAlt1, defaults}, {chkShift1, false},
                                          {chkCtrl2, defaults}, {chkAlt2, defaults}, {chkShift2, false},
                                          {Check1, false}};
    for (const auto& [id, checked] : boxes) EXPECT_EQ(Checked(id), checked) << "check box " << id;

    EXPECT_EQ(SaveWithEnter(), L"Settings saved!");
    const std::wstring on = defaults ? L"1" : L"0";
    const std::map<std::wstring, std::wstring> stored = {
        {L"Hotkey1\\Ctrl", on}, {L"Hotkey1\\Alt", on}, {L"Hotkey1\\Shift", L"0"}, {L"Hotkey1\\Key", c.keyShown},
        {L"Hotkey2\\Ctrl", on}, {L"Hotkey2\\Alt", on}, {L"Hotkey2\\Shift", L"0"}, {L"Hotkey2\\Key", key2},
        {L"start\\autoboot", L"0"}, {L"start\\configured", L"1"}};
    EXPECT_EQ(StoredSettings(), stored) << "not clean texts";
    EXPECT_TRUE(tandrel.Running());
    tandrel.Stop();
    if (HasFatalFailure()) return;
  }
}

// Wine enforces a key's rights: unreadable sections read as defaults, and the refusal to store is
// said, with the window left open for another try.
TEST_F(Reliability, UnreadableSectionsShowDefaultsAndTheRefusalIsSaid) {
  ASSERT_TRUE(StoreSetting(L"Hotkey1", L"Key", L"Q"));
  ASSERT_TRUE(StoreSetting(L"start", L"configured", L"1"));
  const ScopedDeny start(SectionKey(L"start")), hotkey1(SectionKey(L"Hotkey1"));
  ASSERT_TRUE(start.Denied() && hotkey1.Denied()) << "could not deny access";
  HKEY probe = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, SectionKey(L"start").c_str(), 0, KEY_QUERY_VALUE, &probe),
            ERROR_ACCESS_DENIED)
      << "Wine did not enforce the rights";

  ASSERT_TRUE(tandrel.Start());
  ASSERT_NO_FATAL_FAILURE(WaitForWindow());  // "configured" is unreadable: a first start
  ASSERT_NO_FATAL_FAILURE(ExpectKeyboardAtFirstControl());
  EXPECT_EQ(TextOf(GetDlgItem(config, cboKey1)), L"Z");
  EXPECT_EQ(SaveWithEnter([] {}, /*windowGoes=*/false),
            L"The settings could not be saved: Windows refused to store them.");
  EXPECT_TRUE(tandrel.Running());
  tandrel.Stop();
}

// A thousand presses in one burst: a thousand starts, each by the quoted path alone; the menu
// still opens at once; and the process holds what it held before.
TEST_F(Reliability, AThousandHotkeyPressesStartTheToolAThousandTimesAndLeakNothing) {
  constexpr int kPresses = 1000;
  ASSERT_NO_FATAL_FAILURE(StartWithTray());
  Spy spy(UiThread());
  ASSERT_TRUE(spy.Installed()) << "spy hook not set, error " << GetLastError();
  HWND host = tandrel.Window(kTrayHostTitle, L"TandrelForm");
  auto openAndCloseMenu = [&] {
    ASSERT_NO_FATAL_FAILURE(RightClickTheIcon());
    ASSERT_TRUE(PressKeys({VK_ESCAPE}));
    ASSERT_TRUE(WaitUntil([&] { return !MenuOpen(); })) << "Escape left the menu open";
  };
  // What the first start and the first menus load for good is no leak: Wine's menus make one
  // GDI object the second time one opens, and keep it.
  ASSERT_TRUE(PressKeys({VK_CONTROL, VK_MENU, 'Z'}));
  ASSERT_TRUE(WaitUntil([] { return ToolRuns().size() == 1; }));
  ASSERT_NO_FATAL_FAILURE(openAndCloseMenu());
  ASSERT_NO_FATAL_FAILURE(openAndCloseMenu());
  const SpyReport* count = spy.CountObjects(host);
  ASSERT_NE(count, nullptr) << "the spy did not answer";
  const SpyReport before = *count;

  std::vector<INPUT> inputs;
  auto key = [&](WORD vk, DWORD flags) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki = {vk, WORD(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)), flags, 0, 0};
    inputs.push_back(in);
  };
  key(VK_CONTROL, 0);
  key(VK_MENU, 0);
  for (int i = 0; i < kPresses; ++i) {
    key('Z', 0);
    key('Z', KEYEVENTF_KEYUP);
  }
  key(VK_MENU, KEYEVENTF_KEYUP);
  key(VK_CONTROL, KEYEVENTF_KEYUP);
  const ULONGLONG start = GetTickCount64();
  ASSERT_EQ(SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT)), inputs.size());
  ASSERT_TRUE(WaitUntil([] { return ToolRuns().size() >= kPresses + 1; }, 180000))
      << ToolRuns().size() - 1 << " starts of " << kPresses;
  const ULONGLONG took = GetTickCount64() - start;
  ASSERT_NO_FATAL_FAILURE(openAndCloseMenu());
  std::cout << "[          ] " << kPresses << " starts in " << took << " ms\n";

  const std::vector<ToolRun> runs = ToolRuns();
  EXPECT_EQ(runs.size(), size_t(kPresses + 1));
  const ToolRun expected{L"Cramlet.exe", L"\"" + GetPaths().folder + L"Cramlet.exe\""};
  EXPECT_EQ(std::count(runs.begin(), runs.end(), expected), std::ptrdiff_t(runs.size())) << "another command line";
  count = spy.CountObjects(host);
  ASSERT_NE(count, nullptr) << "the spy did not answer";
  EXPECT_EQ(count->kernelHandles, before.kernelHandles) << "kernel handles";
  EXPECT_EQ(count->gdiObjects, before.gdiObjects) << "GDI objects";
  EXPECT_EQ(count->userObjects, before.userObjects) << "USER objects";
}

// The system's reason as Windows words it for that file, without the line end and full stop.
std::wstring Reason(DWORD error, const std::wstring& file) {
  wchar_t text[1024] = L"";
  const DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(file.c_str())};
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY, nullptr, error, 0, text,
                                1024, reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(inserts)));
  while (length > 0 && wcschr(L"\r\n. ", text[length - 1])) --length;
  return std::wstring(text, length);
}

// One message naming the path and the reason, however long the keys are held; Ctrl+Alt+U works after.
TEST_F(Reliability, AToolThatWillNotStartIsNamedOnceWithTheReasonAndTheOtherHotkeyWorks) {
  const std::wstring folder = GetPaths().folder.substr(0, GetPaths().folder.size() - 1);
  const std::wstring cramlet = GetPaths().folder + L"Cramlet.exe", away = cramlet + L".away";
  const std::wstring movedFolder = folder + L" Moved";
  auto move = [](const std::wstring& from, const std::wstring& to) {
    return [from, to] { return MoveFileW(from.c_str(), to.c_str()) != FALSE; };
  };
  auto notAProgram = [&] {
    std::ofstream(cramlet.c_str()) << "This is a text file.\n";
    return true;
  };
  const struct {
    const char* name;
    std::vector<std::function<bool()>> breakIt, repair;
    DWORD error;
    int keyDowns;  // the later ones are the key repeating
  } cases[] = {
      {"missing", {move(cramlet, away)}, {move(away, cramlet)}, ERROR_FILE_NOT_FOUND, 1},
      {"missing, keys held down", {move(cramlet, away)}, {move(away, cramlet)}, ERROR_FILE_NOT_FOUND, 40},
      {"not a program", {move(cramlet, away), notAProgram},
       {[&] { return DeleteFileW(cramlet.c_str()) != FALSE; }, move(away, cramlet)}, ERROR_BAD_EXE_FORMAT, 1},
      {"the program's folder renamed", {move(folder, movedFolder)}, {move(movedFolder, folder)}, ERROR_PATH_NOT_FOUND, 1},
  };
  ASSERT_NO_FATAL_FAILURE(StartWithTray());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    struct Repair {
      const std::vector<std::function<bool()>>& steps;
      ~Repair() {
        for (const auto& step : steps) EXPECT_TRUE(step()) << "could not repair";
      }
    };
    {
      const Repair repair{c.repair};
      for (const auto& step : c.breakIt) ASSERT_TRUE(step()) << "could not break it";
      std::vector<INPUT> inputs(2 + c.keyDowns);
      const WORD keys[] = {VK_CONTROL, VK_MENU};
      for (size_t i = 0; i < inputs.size(); ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = i < 2 ? keys[i] : WORD('Z');
      }
      ASSERT_EQ(SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT)), inputs.size());
      HWND box = WaitForMessageBox();
      const bool shown = box != nullptr;
      if (shown) {
        Sleep(1000);  // a repeat's second box would show by now
        EXPECT_EQ(MessageBoxes(tandrel).size(), 1u) << "a message per press";
        EXPECT_EQ(MessageBoxText(box), L"Tandrel could not start\n" + cramlet + L"\n\n" + Reason(c.error, cramlet) + L".");
      }
      INPUT ups[3] = {};  // lets go of the keys
      const WORD upKeys[] = {'Z', VK_MENU, VK_CONTROL};
      for (int i = 0; i < 3; ++i) {
        ups[i].type = INPUT_KEYBOARD;
        ups[i].ki.wVk = upKeys[i];
        ups[i].ki.dwFlags = KEYEVENTF_KEYUP;
      }
      SendInput(3, ups, sizeof(INPUT));
      ASSERT_TRUE(shown) << "no message titled Tandrel; " << Describe(tandrel.Windows());
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); })) << "the message did not close";
      Sleep(500);
      EXPECT_TRUE(MessageBoxes(tandrel).empty()) << "another message after the first";
    }
    DeleteFileW((GetPaths().folder + L"ran.log").c_str());
    ASSERT_TRUE(PressKeys({VK_CONTROL, VK_MENU, 'U'}));
    ASSERT_TRUE(WaitUntil([] { return !ToolRuns().empty(); })) << "Ctrl+Alt+U no longer works";
    EXPECT_EQ(ToolRuns().front().first, L"Spillet.exe");
    ASSERT_TRUE(tandrel.Running());
  }
}

// The values of the user's Run key, taken away with it and put back at the end.
class ScopedNoRunKey {
 public:
  ScopedNoRunKey() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
      wchar_t name[16384];
      BYTE data[8192];
      DWORD type = 0;
      for (DWORD i = 0, nameLength = 16384, size = sizeof data;
           RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) == ERROR_SUCCESS;
           ++i, nameLength = 16384, size = sizeof data)
        values_.push_back({name, type, std::vector<BYTE>(data, data + size)});
      RegCloseKey(key);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, kRunKey);
    gone_ = RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, &key) == ERROR_FILE_NOT_FOUND;
  }
  ScopedNoRunKey(const ScopedNoRunKey&) = delete;
  ScopedNoRunKey& operator=(const ScopedNoRunKey&) = delete;
  ~ScopedNoRunKey() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
      return;
    for (const auto& v : values_) RegSetValueExW(key, v.name.c_str(), 0, v.type, v.data.data(), DWORD(v.data.size()));
    RegCloseKey(key);
  }
  bool Gone() const { return gone_; }

 private:
  struct Value {
    std::wstring name;
    DWORD type;
    std::vector<BYTE> data;
  };
  std::vector<Value> values_;
  bool gone_ = false;
};

TEST_F(Reliability, WithoutTheRunKeyTheStartUpEntryIsReportedAsNotAdded) {
  const ScopedNoRunKey noRunKey;
  ASSERT_TRUE(noRunKey.Gone()) << "could not take the Run key away";
  ASSERT_NO_FATAL_FAILURE(StartWithTray());
  ASSERT_NO_FATAL_FAILURE(OpenFromTray());
  ASSERT_NO_FATAL_FAILURE(ExpectKeyboardAtFirstControl());
  ASSERT_NO_FATAL_FAILURE(Toggle(Check1));
  EXPECT_EQ(Narrow(SaveWithEnter()),
            "Settings saved!\n\nTandrel could not add itself to the programs that start with Windows.");
  EXPECT_EQ(StoredSettings()[L"start\\autoboot"], L"1");
  EXPECT_TRUE(tandrel.Running());
}

// Its icon is the tray's second, and its own menu opens its own settings.
TEST_F(Reliability, ASecondCopyRunsWithItsOwnIconAndFindsBothHotkeysTaken) {
  ASSERT_NO_FATAL_FAILURE(StartWithTray());
  Program second;
  ASSERT_TRUE(second.Start());
  ASSERT_TRUE(WaitUntil([&] { return second.Window(kTrayHostTitle, L"TandrelForm") != nullptr; }));
  Screenshot("two-icons", VisibleTrayWindow());
  owner = &second;
  ASSERT_NO_FATAL_FAILURE(OpenFromTray(/*slot=*/1));
  ASSERT_NO_FATAL_FAILURE(ExpectKeyboardAtFirstControl());
  EXPECT_EQ(Narrow(SaveWithEnter()),
            "Settings saved!\n\n"
            "Ctrl+Alt+Z is in use by another program, so hotkey 1 is not active.\n"
            "Ctrl+Alt+U is in use by another program, so hotkey 2 is not active.");
  EXPECT_TRUE(second.Running());
  EXPECT_TRUE(tandrel.Running());
}

// Wine cannot restart a desktop's explorer; the closest it shows is a tray that lost the icon and
// then says it is new ("TaskbarCreated", as a restarted explorer does): the icon must come back.
TEST_F(Reliability, TheIconComesBackWhenANewTaskbarAnnouncesItself) {
  ASSERT_NO_FATAL_FAILURE(StartWithTray());
  NOTIFYICONDATAW icon{};
  icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
  icon.hWnd = tandrel.Window(kTrayHostTitle, L"TandrelForm");
  icon.uID = 1;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &icon));
  ASSERT_TRUE(WaitUntil([] { return VisibleTrayWindow() == nullptr; })) << "the tray kept the icon";
  PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  ASSERT_TRUE(WaitUntil([] { return VisibleTrayWindow() != nullptr; })) << "the icon did not come back";
  ASSERT_NO_FATAL_FAILURE(RightClickTheIcon());
  PressKeys({VK_ESCAPE});
  EXPECT_TRUE(WaitUntil([&] { return !MenuOpen(); }));
}

// Run from a downloads folder, the program must not load a DLL planted beside it.
TEST_F(Reliability, ADllPlantedBesideTheProgramIsNotLoaded) {
  wchar_t self[MAX_PATH];
  const std::wstring tests(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
  const std::wstring spyDll = tests.substr(0, tests.find_last_of(L'\\') + 1) + kSpyDll;
  const std::wstring planted = GetPaths().folder + kPlantDll;
  ASSERT_TRUE(CopyFileW(spyDll.c_str(), planted.c_str(), FALSE));
  struct Remove {
    const std::wstring& file;
    ~Remove() { DeleteFileW(file.c_str()); }
  } remove{planted};

  ASSERT_NO_FATAL_FAILURE(StartWithTray());
  Spy spy(UiThread());
  ASSERT_TRUE(spy.Installed()) << "spy hook not set, error " << GetLastError();
  const SpyReport* probe = spy.ProbeDllSearch(tandrel.Window(kTrayHostTitle, L"TandrelForm"));
  ASSERT_NE(probe, nullptr) << "the spy did not answer";
  ASSERT_TRUE(probe->plantLoadedFromProgramFolder) << "the planted DLL cannot be loaded at all";
  EXPECT_FALSE(probe->plantLoadedByName) << "a bare name found the DLL in the program's folder";
}

}  // namespace
}  // namespace e2e

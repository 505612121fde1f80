// Cramlet and Spillet as Tandrel's hotkeys start them, with nothing on the command line: on what
// is selected in the folder window in front, else on what is chosen in the file dialog. Wine's
// Explorer keeps no selection: the shell's window list is the stand-in in e2e_shell.dll, which
// shows a window this process made and reads what it shows from the registry.
#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <iostream>
#include <set>

#include "files.h"
#include "harness.h"

namespace e2e {
namespace {

constexpr wchar_t kShellKey[] = L"Software\\Tandrel Tests\\Shell";
constexpr wchar_t kRecycleBin[] = L"::{645FF040-5081-101B-9F08-00AA002F954E}";
// Known folders, which a window names by their own ID lists (FOLDERID_Desktop, FOLDERID_Documents).
constexpr wchar_t kDesktop[] = L"{B4BFCC3A-DB2C-424C-B029-7FE99A87C641}";
constexpr wchar_t kDocuments[] = L"{FDD39AD0-238F-46AF-ADB4-6C85480369C7}";
constexpr int kFileNameEdit = 1152;  // in Wine's file dialog, beside IDOK and IDCANCEL

// What the stand-in shows (see shell_standin.cpp).
struct ShellView {
  std::wstring folder;                       // a full path, or a known folder such as kDesktop
  std::vector<std::wstring> selection = {};  // full paths, or shell names such as kRecycleBin
  bool hang = false;
  DWORD slowMs = 0;  // for each selected item handed out
};

std::wstring MultiString(const std::vector<std::wstring>& items) {
  std::wstring data;
  for (const auto& item : items) data += item + L'\0';
  return data + L'\0';
}

bool ShowInShell(HWND window, const ShellView& view) {  // and forget what was selected before
  const DWORD numbers[] = {DWORD(ULONG_PTR(window)), view.hang, view.slowMs};
  const std::wstring selection = MultiString(view.selection);
  auto set = [](const wchar_t* name, DWORD type, const void* data, size_t size) {
    return RegSetKeyValueW(HKEY_CURRENT_USER, kShellKey, name, type, data, DWORD(size)) == ERROR_SUCCESS;
  };
  RegDeleteTreeW(HKEY_CURRENT_USER, kShellKey);
  return set(L"Window", REG_DWORD, &numbers[0], sizeof(DWORD)) && set(L"Hang", REG_DWORD, &numbers[1], sizeof(DWORD)) &&
         set(L"Slow", REG_DWORD, &numbers[2], sizeof(DWORD)) &&
         set(L"Folder", REG_SZ, view.folder.c_str(), (view.folder.size() + 1) * sizeof(wchar_t)) &&
         set(L"Selection", REG_MULTI_SZ, selection.data(), selection.size() * sizeof(wchar_t));
}

// What the tool asked the window to select, in order.
std::vector<std::wstring> SelectedInShell() {
  wchar_t data[4096] = L"";
  DWORD size = sizeof data - 2 * sizeof(wchar_t);
  std::vector<std::wstring> items;
  const LONG read = RegGetValueW(HKEY_CURRENT_USER, kShellKey, L"Selected", RRF_RT_REG_MULTI_SZ, nullptr, data, &size);
  if (read != ERROR_SUCCESS) return items;
  for (const wchar_t* item = data; *item; item += items.back().size() + 1) items.emplace_back(item);
  return items;
}

std::wstring DisplayName(const std::wstring& parsingName) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  PIDLIST_ABSOLUTE pidl = nullptr;
  PWSTR name = nullptr;
  std::wstring result;
  if (SUCCEEDED(SHParseDisplayName(parsingName.c_str(), nullptr, &pidl, 0, nullptr)) &&
      SUCCEEDED(SHGetNameFromIDList(pidl, SIGDN_NORMALDISPLAY, &name)))
    result = name;
  CoTaskMemFree(name);
  CoTaskMemFree(pidl);
  if (SUCCEEDED(com)) CoUninitialize();
  return result;
}

// A folder a window shows, as the window names it, and where its files are.
struct Place {
  std::wstring view;  // ShellView::folder
  std::wstring path;
  std::string unixPath;
};

// A known folder: its files are in the run's own folder of that name (see tests/e2e/run).
Place Known(const wchar_t* id, const std::string& name) {
  GUID known{};
  PWSTR path = nullptr;
  const bool found =
      SUCCEEDED(CLSIDFromString(id, &known)) && SUCCEEDED(SHGetKnownFolderPath(known, 0, nullptr, &path));
  Place place{id, found ? path : L"", GetPaths().unixWork + "/" + name};
  CoTaskMemFree(path);
  return place;
}

// A user's Downloads as another Windows account has it, in a window that names it by its path:
// an ordinary folder of drive C: (the Wine user's own is one of Wine's shell folders).
Place UsersDownloads() {
  const std::wstring path = L"C:\\users\\Mara\\Downloads";
  return {path, path, GetPaths().unixWork + "/prefix/drive_c/users/Mara/Downloads"};
}

// A window of the class of Explorer's folder windows, on a thread of its own that answers its
// messages: the tools take a window that does not for a hung Explorer.
class FolderWindow {
 public:
  FolderWindow() : thread_(CreateThread(nullptr, 0, Run, this, 0, nullptr)) {
    if (thread_) WaitForSingleObject(ready_, 10000);
  }
  FolderWindow(const FolderWindow&) = delete;
  FolderWindow& operator=(const FolderWindow&) = delete;
  ~FolderWindow() {
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (thread_) {
      WaitForSingleObject(thread_, 5000);
      CloseHandle(thread_);
    }
    CloseHandle(ready_);
  }

  HWND get() const { return window_; }
  bool BringToFront() const {
    SetForegroundWindow(window_);
    return WaitUntil([&] { return GetForegroundWindow() == window_; }, 5000);
  }

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  static DWORD WINAPI Run(void* self) {
    auto& me = *static_cast<FolderWindow*>(self);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    windowClass.lpszClassName = L"CabinetWClass";
    RegisterClassW(&windowClass);  // again for each case: fails harmlessly
    me.window_ = CreateWindowExW(0, L"CabinetWClass", L"Folder window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 240, 160,
                                 640, 420, nullptr, nullptr, windowClass.hInstance, nullptr);
    SetEvent(me.ready_);
    MSG msg;
    while (me.window_ && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
  }

  HANDLE ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HWND window_ = nullptr;
  HANDLE thread_;
};

// The run of a tool that Tandrel starts, caught as it starts, to see its windows and how it ends.
class StartedTool {
 public:
  StartedTool(DWORD parent, const wchar_t* exe) {
    for (const ULONGLONG deadline = GetTickCount64() + 15000; !process_ && GetTickCount64() < deadline; Sleep(10)) {
      HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
      PROCESSENTRY32W entry{};
      entry.dwSize = sizeof entry;
      for (BOOL more = Process32FirstW(snapshot, &entry); more && !process_; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID != parent || _wcsicmp(entry.szExeFile, exe) != 0) continue;
        id_ = entry.th32ProcessID;
        process_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, id_);
      }
      CloseHandle(snapshot);
    }
  }
  StartedTool(const StartedTool&) = delete;
  StartedTool& operator=(const StartedTool&) = delete;
  ~StartedTool() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 99);
    CloseHandle(process_);
  }

  bool Started() const { return process_ != nullptr; }
  long Exit(int timeoutMs) const {  // -1 if it still runs then
    DWORD code = 0;
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return -1;
    GetExitCodeProcess(process_, &code);
    return long(code);
  }
  std::vector<TopWindow> Windows() const { return WindowsOf(id_, /*visibleOnly=*/true); }
  // Its dialog or message box of that title, once it shows; nullptr if none does in time.
  HWND WaitForWindow(const std::wstring& title, int timeoutMs = 15000) const {
    HWND found = nullptr;
    WaitUntil([&] {
      for (const auto& w : Windows())
        if (w.title == title && w.className == L"#32770") found = w.hwnd;
      return found != nullptr;
    }, timeoutMs);
    return found;
  }

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

// Every run of a tool that Tandrel starts, caught as it starts, to see how each ends.
class StartedTools {
 public:
  StartedTools(DWORD parent, const wchar_t* exe) : parent_(parent), exe_(exe) {}
  StartedTools(const StartedTools&) = delete;
  StartedTools& operator=(const StartedTools&) = delete;
  ~StartedTools() {
    for (const auto& [id, process] : processes_) {
      if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 99);
      CloseHandle(process);
    }
  }

  // Catches the runs started since the last look.
  void Look() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
      if (entry.th32ParentProcessID != parent_ || _wcsicmp(entry.szExeFile, exe_) != 0) continue;
      if (processes_.contains(entry.th32ProcessID)) continue;
      HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE,
                                   entry.th32ProcessID);
      if (process) processes_[entry.th32ProcessID] = process;
    }
    CloseHandle(snapshot);
  }
  size_t Count() const { return processes_.size(); }
  size_t Running() const {
    size_t running = 0;
    for (const auto& [id, process] : processes_) running += WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    return running;
  }
  std::vector<TopWindow> Windows() const {
    std::vector<TopWindow> windows;
    for (const auto& [id, process] : processes_) {
      for (const auto& w : WindowsOf(id, /*visibleOnly=*/true)) windows.push_back(w);
    }
    return windows;
  }
  std::multiset<DWORD> ExitCodes() const {
    std::multiset<DWORD> codes;
    for (const auto& [id, process] : processes_) {
      DWORD code = 0;
      GetExitCodeProcess(process, &code);
      codes.insert(code);
    }
    return codes;
  }

 private:
  DWORD parent_;
  const wchar_t* exe_;
  std::map<DWORD, HANDLE> processes_;
};

// Ctrl+Alt held and the key repeating every interval, as a hand resting on the hotkey makes it,
// with a look between repeats; then all let go.
bool HoldHotkey(WORD key, int keyDowns, DWORD intervalMs, const std::function<void()>& between) {
  auto send = [](WORD vk, DWORD flags) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = flags;
    return SendInput(1, &in, sizeof(INPUT)) == 1;
  };
  bool sent = send(VK_CONTROL, 0) && send(VK_MENU, 0);
  for (int i = 0; sent && i < keyDowns; ++i) {
    sent = send(key, 0);
    for (const ULONGLONG end = GetTickCount64() + intervalMs; GetTickCount64() < end; Sleep(10)) between();
  }
  for (WORD vk : {key, WORD(VK_MENU), WORD(VK_CONTROL)}) sent = send(vk, KEYEVENTF_KEYUP) && sent;
  return sent;
}

// A tool and the hotkey that starts it.
struct Hotkey {
  const wchar_t* exe;
  WORD key;
  const wchar_t* name;  // its message boxes' caption
  const wchar_t* dialogTitle;
};
const Hotkey kZip{L"Cramlet.exe", 'Z', L"Cramlet", L"Choose files to zip"};
const Hotkey kUnzip{L"Spillet.exe", 'U', L"Spillet", L"Choose archives to extract"};

// Each case gets an empty folder of its own (removed again when it passes), a folder window in
// front and Tandrel from the real tools' folder.
class FromSelection : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(GetPaths().toolsFolder.empty())
        << "E2E_TOOLS_PROGRAM is not set: start the suite through tests/e2e/run";
    unixData = GetPaths().unixWork + "/selection/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    ASSERT_EQ(RunUnix("rm -rf '" + unixData + "' && mkdir -p '" + unixData + "'"), 0);
    data = WindowsPathOf(unixData);
    ASSERT_NE(window.get(), nullptr);
    ASSERT_TRUE(ClearSettings());
    ASSERT_TRUE(StoreSetting(L"start", L"configured", L"1"));  // no settings window: it starts silently
    ASSERT_TRUE(tandrel.Start());
    ASSERT_TRUE(WaitUntil([] { return VisibleTrayWindow() != nullptr; })) << "no tray icon shown";
  }
  void TearDown() override {
    if (HasFailure())
      Screenshot("failed");
    else
      RunUnix("rm -rf '" + unixData + "'");
    tandrel.Stop();
    RegDeleteTreeW(HKEY_CURRENT_USER, kShellKey);
  }

  // Runs shell commands in the case's folder; true if they succeed.
  bool InData(const std::string& script) { return RunUnix("cd '" + unixData + "' && " + script, 60000) == 0; }
  // Likewise in the place, made empty first when anew.
  bool In(const Place& place, const std::string& script, bool anew = false) {
    const std::string go = "mkdir -p '" + place.unixPath + "' && cd '" + place.unixPath + "' && ";
    return RunUnix(go + (anew ? "find . -mindepth 1 -delete && " : "") + script, 60000) == 0;
  }
  // A folder of the case's own, named by its path.
  Place Own(const std::string& name) const {
    const std::wstring path = data + L"\\" + Widen(name);
    return {path, path, unixData + "/" + name};
  }

  // As the user does: the folder window in front showing that, then the hotkey.
  // The view may be a window of its own inside the folder window, as a tab's is.
  void Press(const Hotkey& hotkey, const ShellView& view, HWND viewWindow = nullptr) {
    ASSERT_TRUE(ShowInShell(viewWindow ? viewWindow : window.get(), view));
    ASSERT_TRUE(window.BringToFront()) << "the folder window is not in front";
    ASSERT_TRUE(PressKeys({VK_CONTROL, VK_MENU, hotkey.key}));
  }

  std::string unixData;
  std::wstring data;
  FolderWindow window;
  Program tandrel{GetPaths().toolsProgram};
};

// In a folder window, on the desktop, and in Documents opened from This PC or Quick Access: each
// window names its folder, and so the new item, its own way.
TEST_F(FromSelection, TheSelectionIsZippedBesideItAndTheSelectedArchiveExtracted) {
  for (const Place& place : {Own("Picked"), Known(kDesktop, "Desktop"), Known(kDocuments, "Documents")}) {
    SCOPED_TRACE(Narrow(place.view));
    const std::wstring& folder = place.path;
    ASSERT_TRUE(In(place, "mkdir Sub && printf 'first\\r\\n' >a.txt && head -c 300000 /dev/urandom >b.bin && "
                          ": >empty.txt && echo deep >Sub/d.txt && echo no >'left alone.txt'", /*anew=*/true));
    const std::vector<std::wstring> picked = {L"a.txt", L"b.bin", L"empty.txt", L"Sub"};
    std::map<std::wstring, Node> expected = Tree(folder);
    expected.erase(L".");
    expected.erase(L"left alone.txt");
    std::set<std::wstring> names = Names(folder);

    ShellView view{.folder = place.view};
    for (const auto& name : picked) view.selection.push_back(folder + L"\\" + name);
    ASSERT_NO_FATAL_FAILURE(Press(kZip, view));
    {
      StartedTool cramlet(tandrel.Id(), kZip.exe);
      ASSERT_TRUE(cramlet.Started()) << "Ctrl+Alt+Z started no Cramlet";
      EXPECT_EQ(cramlet.Exit(30000), 0) << Describe(cramlet.Windows());
    }
    const std::wstring name = folder.substr(folder.find_last_of(L'\\') + 1);
    const std::wstring archive = folder + L"\\" + name + L".zip";
    names.insert(name + L".zip");
    EXPECT_EQ(Names(folder), names);
    const std::string at = " '" + place.unixPath + "/";
    EXPECT_TRUE(InData("rm -rf expected unzipped && mkdir expected && cp -a" + at + "a.txt'" + at + "b.bin'" + at +
                       "empty.txt'" + at + "Sub' expected && unzip -q" + at + Narrow(name) +
                       ".zip' -d unzipped && diff -r expected unzipped"))
        << "the archive does not hold exactly the selected items";
    EXPECT_EQ(SelectedInShell(), std::vector<std::wstring>{archive});

    ASSERT_NO_FATAL_FAILURE(Press(kUnzip, {place.view, {archive}}));
    {
      StartedTool spillet(tandrel.Id(), kUnzip.exe);
      ASSERT_TRUE(spillet.Started()) << "Ctrl+Alt+U started no Spillet";
      EXPECT_EQ(spillet.Exit(30000), 0) << Describe(spillet.Windows());
    }
    names.insert(name);
    EXPECT_EQ(Names(folder), names);
    std::map<std::wstring, Node> extracted = Tree(folder + L"\\" + name);
    extracted.erase(L".");
    EXPECT_EQ(extracted, expected);
    EXPECT_EQ(SelectedInShell(), std::vector<std::wstring>{folder + L"\\" + name});
  }
}

// Wine's file dialog: a #32770 with the file-name Edit (id 1152) and Open (IDOK) as direct children.
TEST_F(FromSelection, WithNothingSelectedTheFileDialogOpensInTheFolderAndWhatIsChosenThereIsDone) {
  const struct {
    const Hotkey& hotkey;
    std::string make;  // shell commands run in the case's folder, which the window shows
    const wchar_t* typed;
    std::string check;  // shell commands that pass on what was made
    std::set<std::wstring> after;
  } cases[] = {
      {kZip, "echo a >a.txt && echo b >b.txt && echo c >c.txt", L"\"a.txt\" \"b.txt\"",
       "[ \"$(unzip -Z1 Pick.zip | sort | tr '\\n' ' ')\" = 'a.txt b.txt ' ] && unzip -p Pick.zip a.txt | cmp - a.txt && "
       "unzip -p Pick.zip b.txt | cmp - b.txt",
       {L"a.txt", L"b.txt", L"c.txt", L"Pick.zip"}},
      {kUnzip, "echo one >one.txt && zip -q a.zip one.txt && echo two >two.txt && zip -q b.zip two.txt && zip -q c.zip "
               "one.txt && rm one.txt two.txt",
       L"\"a.zip\" \"b.zip\"", "[ \"$(cat a/one.txt b/two.txt)\" = \"$(printf 'one\\ntwo')\" ]",
       {L"a.zip", L"b.zip", L"c.zip", L"a", L"b"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.hotkey.name));
    const std::wstring folder = data + L"\\Pick";
    ASSERT_TRUE(InData("rm -rf Pick && mkdir Pick && cd Pick && " + c.make));
    ASSERT_NO_FATAL_FAILURE(Press(c.hotkey, {folder, {}}));
    StartedTool tool(tandrel.Id(), c.hotkey.exe);
    ASSERT_TRUE(tool.Started());
    HWND dialog = tool.WaitForWindow(c.hotkey.dialogTitle);
    ASSERT_NE(dialog, nullptr) << "no file dialog; " << Describe(tool.Windows());
    HWND edit = GetDlgItem(dialog, kFileNameEdit);
    ASSERT_EQ(ClassOf(edit), L"Edit") << "not the file dialog Wine 8 makes";
    Sleep(500);  // its folder's items listed
    Screenshot(Narrow(c.hotkey.name) + "-dialog", dialog);
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutW(edit, WM_SETTEXT, 0, LPARAM(c.typed), SMTO_ABORTIFHUNG, 5000, &ignored));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDOK)));
    EXPECT_EQ(tool.Exit(30000), 0) << Describe(tool.Windows());
    EXPECT_EQ(Names(folder), c.after);
    EXPECT_TRUE(InData("cd Pick && " + c.check)) << "not what was chosen";
  }
}

// What a tool cannot take is named in one message, after it has done the rest; the exit code
// says that something was left out.
TEST_F(FromSelection, WhatIsLeftOutIsNamedInOneMessageAndTheRestIsDone) {
  const struct {
    const Hotkey& hotkey;
    Place place;
    std::string make;                       // shell commands run in the window's folder
    std::vector<std::wstring> selection;    // names in it, or shell names
    std::vector<std::wstring> named;        // in the message: names in it, or shell names
    std::vector<std::wstring> notNamed;     // likewise
    std::string check;                      // shell commands that pass on what was made
    std::vector<std::wstring> selected;     // names in it
  } cases[] = {
      // Spillet goes by content: an archive by another name is still one, a tar.gz too; a RAR is
      // named for what it is. In Downloads, where a user has such files, for the README's picture.
      {kUnzip, UsersDownloads(),
       "echo one >one.txt && zip -q a.zip one.txt && echo two >two.txt && zip -q b.dat two.txt && rm one.txt two.txt && "
       "echo notes >notes.txt && mkdir c && echo three >c/three.txt && tar -czf c.bin c && rm -r c && "
       "printf 'Rar!\\032\\007\\000' >old.rar",
       {L"a.zip", L"notes.txt", L"b.dat", L"c.bin", L"old.rar"}, {L"notes.txt", L"old.rar"}, {L"a.zip", L"b.dat", L"c.bin"},
       "[ \"$(cat a/one.txt b/two.txt c/three.txt)\" = \"$(printf 'one\\ntwo\\nthree')\" ]", {L"a", L"b", L"c"}},
      // On the desktop, where the Recycle Bin is, which is no file on a disk.
      {kZip, Known(kDesktop, "Desktop"), "echo real >real.txt", {L"real.txt", kRecycleBin}, {kRecycleBin},
       {L"real.txt"},
       "[ \"$(unzip -Z1 real.zip)\" = real.txt ] && unzip -p real.zip real.txt | cmp - real.txt", {L"real.zip"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.hotkey.name));
    const std::wstring& folder = c.place.path;
    auto inFolder = [&](const std::wstring& name) { return name.rfind(L"::", 0) == 0 ? name : folder + L"\\" + name; };
    auto shown = [&](const std::wstring& name) {
      return name.rfind(L"::", 0) == 0 ? DisplayName(name) : inFolder(name);
    };
    ASSERT_TRUE(In(c.place, c.make, /*anew=*/true));
    ShellView view{.folder = c.place.view};
    for (const auto& name : c.selection) view.selection.push_back(inFolder(name));
    ASSERT_NO_FATAL_FAILURE(Press(c.hotkey, view));
    StartedTool tool(tandrel.Id(), c.hotkey.exe);
    ASSERT_TRUE(tool.Started());
    HWND box = tool.WaitForWindow(c.hotkey.name, 30000);
    ASSERT_NE(box, nullptr) << "no message; " << Describe(tool.Windows());
    Sleep(500);  // a second one would show by now
    EXPECT_EQ(tool.Windows().size(), 1u) << Describe(tool.Windows());
    const std::wstring text = MessageBoxText(box);
    for (const auto& name : c.named) EXPECT_NE(text.find(shown(name)), std::wstring::npos) << Narrow(shown(name));
    for (const auto& name : c.notNamed) EXPECT_EQ(text.find(shown(name)), std::wstring::npos) << Narrow(shown(name));
    Screenshot(Narrow(c.hotkey.name) + "-message", box);
    EXPECT_TRUE(In(c.place, c.check)) << "the rest was not done before the message";
    std::vector<std::wstring> selected;
    for (const auto& name : c.selected) selected.push_back(inFolder(name));
    EXPECT_EQ(SelectedInShell(), selected);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(tool.Exit(5000), 1);
  }
}

// The whole look-up is bounded: an Explorer that does not answer delays the dialog, no more.
TEST_F(FromSelection, AHungExplorerOnlyDelaysTheFileDialog) {
  ASSERT_TRUE(InData("echo a >a.txt && zip -q a.zip a.txt"));
  for (const Hotkey* hotkey : {&kZip, &kUnzip}) {
    SCOPED_TRACE(Narrow(hotkey->name));
    const ShellView hung{.folder = data, .selection = {data + L"\\a.txt", data + L"\\a.zip"}, .hang = true};
    ASSERT_NO_FATAL_FAILURE(Press(*hotkey, hung));
    const ULONGLONG pressed = GetTickCount64();
    StartedTool tool(tandrel.Id(), hotkey->exe);
    ASSERT_TRUE(tool.Started());
    HWND dialog = tool.WaitForWindow(hotkey->dialogTitle, 20000);
    ASSERT_NE(dialog, nullptr) << "no file dialog; " << Describe(tool.Windows());
    const ULONGLONG took = GetTickCount64() - pressed;
    std::cout << "[          ] " << Narrow(hotkey->name) << "'s dialog showed " << took << " ms after the hotkey\n";
    EXPECT_LT(took, 15000u);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDCANCEL)));
    EXPECT_EQ(tool.Exit(5000), 2) << Describe(tool.Windows());
    EXPECT_EQ(Names(data), (std::set<std::wstring>{L"a.txt", L"a.zip"}));
  }
}

// Each tab of a folder window is in the shell's list with a view of its own: only the tab in
// sight holds the user's selection.
TEST_F(FromSelection, OnlyTheTabInSightGivesTheSelection) {
  ASSERT_TRUE(InData("echo a >a.txt"));
  const ShellView view{.folder = data, .selection = {data + L"\\a.txt"}};
  const HWND tab = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 100, 100, window.get(), nullptr, nullptr, nullptr);
  const HWND tabView =
      CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, tab, nullptr, nullptr, nullptr);
  ASSERT_NE(tabView, nullptr);
  ASSERT_NO_FATAL_FAILURE(Press(kZip, view, tabView));
  {
    StartedTool tool(tandrel.Id(), kZip.exe);
    ASSERT_TRUE(tool.Started());
    HWND dialog = tool.WaitForWindow(kZip.dialogTitle);
    ASSERT_NE(dialog, nullptr) << "the tab out of sight was asked; " << Describe(tool.Windows());
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDCANCEL)));
    EXPECT_EQ(tool.Exit(5000), 2) << Describe(tool.Windows());
  }
  EXPECT_EQ(Names(data), std::set<std::wstring>{L"a.txt"});

  ShowWindow(tab, SW_SHOWNA);
  ASSERT_NO_FATAL_FAILURE(Press(kZip, view, tabView));
  {
    StartedTool tool(tandrel.Id(), kZip.exe);
    ASSERT_TRUE(tool.Started());
    EXPECT_EQ(tool.Exit(30000), 0) << Describe(tool.Windows());
  }
  EXPECT_EQ(Names(data), (std::set<std::wstring>{L"a.txt", L"a.zip"}));
}

// The bound is on silence, not on the whole: a large selection from a busy Explorer takes longer.
TEST_F(FromSelection, AnExplorerSlowerThanTheBoundButAnsweringIsWaitedFor) {
  ASSERT_TRUE(InData("for n in 1 2 3 4 5 6 7 8; do echo $n >$n.txt; done"));
  ShellView slow{.folder = data, .slowMs = 600};  // 4.8 s in all, never 3 s without an answer
  for (wchar_t n = L'1'; n <= L'8'; ++n) slow.selection.push_back(data + L"\\" + n + L".txt");
  ASSERT_NO_FATAL_FAILURE(Press(kZip, slow));
  StartedTool cramlet(tandrel.Id(), kZip.exe);
  ASSERT_TRUE(cramlet.Started());
  EXPECT_EQ(cramlet.Exit(30000), 0) << Describe(cramlet.Windows());
  const std::wstring archive = data + L"\\" + data.substr(data.find_last_of(L'\\') + 1) + L".zip";
  EXPECT_TRUE(InData("unzip -Z1 *.zip | sort | tr '\\n' ' ' | grep -qx '1.txt 2.txt 3.txt 4.txt 5.txt 6.txt 7.txt 8.txt '"))
      << "the archive does not hold the eight files";
  EXPECT_EQ(SelectedInShell(), std::vector<std::wstring>{archive});
}

// Meanwhile the window is taken to another folder, which holds an item of the archive's name:
// that item is not the one made, and is not selected.
TEST_F(FromSelection, AZipThatTakesAWhileShowsItsProgressAndTheWindowMayMoveOn) {
  // Noise that deflate shrinks, so that it is deflated, not stored at once.
  ASSERT_TRUE(InData("mkdir Big Elsewhere && head -c 90M /dev/urandom | base64 -w0 >Big/noise.bin && : >Elsewhere/Big.zip"))
      << "could not make the data";
  ASSERT_NO_FATAL_FAILURE(Press(kZip, {data, {data + L"\\Big"}}));
  StartedTool cramlet(tandrel.Id(), kZip.exe);
  ASSERT_TRUE(cramlet.Started());
  HWND progress = cramlet.WaitForWindow(kZip.name);
  ASSERT_TRUE(progress && FindChild(progress, L"msctls_progress32"))
      << "no progress window; " << Describe(cramlet.Windows());
  ASSERT_TRUE(ShowInShell(window.get(), {data + L"\\Elsewhere"}));
  ASSERT_FALSE(Names(data).contains(L"Big.zip")) << "done before the window moved on";
  Sleep(300);  // some progress to see
  Screenshot("progress", progress);
  EXPECT_EQ(cramlet.Exit(60000), 0);
  EXPECT_EQ(Names(data), (std::set<std::wstring>{L"Big", L"Big.zip", L"Elsewhere"}));
  EXPECT_EQ(SelectedInShell(), std::vector<std::wstring>{});
}

// The hotkey held down starts a Cramlet per key repeat, all on the one selection: it is zipped
// once, and the copies after the first end at once, quietly, whether they come while it works or
// after. Another selection zipped meanwhile gets its own archive.
TEST_F(FromSelection, AHotkeyHeldDownZipsTheSelectionOnceAndAnotherOneMeanwhileAsWell) {
  // Noise that deflate shrinks, so that the first copy is still at work when the others start.
  ASSERT_TRUE(InData("mkdir Big && head -c 90M /dev/urandom | base64 -w0 >Big/noise.bin && echo small >small.txt && "
                     "echo other >other.txt"))
      << "could not make the data";

  // Held for two seconds: the small file is zipped long before the repeats end.
  {
    ASSERT_TRUE(ShowInShell(window.get(), {data, {data + L"\\small.txt"}}));
    ASSERT_TRUE(window.BringToFront()) << "the folder window is not in front";
    StartedTools cramlets(tandrel.Id(), kZip.exe);
    ASSERT_TRUE(HoldHotkey(kZip.key, 10, 200, [&] { cramlets.Look(); }));
    EXPECT_TRUE(WaitUntil([&] {
      cramlets.Look();
      return cramlets.Running() == 0;
    }, 30000));
    EXPECT_GT(cramlets.Count(), 1u) << "the key repeats started one Cramlet: nothing shown";
    EXPECT_EQ(Names(data), (std::set<std::wstring>{L"Big", L"small.txt", L"small.zip", L"other.txt"}));
    const std::multiset<DWORD> codes = cramlets.ExitCodes();
    EXPECT_EQ(codes.count(0), codes.size()) << "a copy did not end with 0";
  }

  // A burst on a selection that takes a while, and another selection meanwhile.
  ASSERT_TRUE(ShowInShell(window.get(), {data, {data + L"\\Big"}}));
  ASSERT_TRUE(window.BringToFront()) << "the folder window is not in front";
  StartedTools cramlets(tandrel.Id(), kZip.exe);
  ASSERT_TRUE(HoldHotkey(kZip.key, 8, 0, [] {}));
  WaitUntil([&] {
    cramlets.Look();
    return cramlets.Count() == 8 && cramlets.Running() == 1;
  }, 15000);
  EXPECT_GT(cramlets.Count(), 1u) << "the key repeats started one Cramlet: nothing shown";
  EXPECT_EQ(cramlets.Running(), 1u) << "the copies on the same selection did not end at once";
  // Once it is in front, the first copy's progress window no longer takes the front from the folder window.
  HWND progress = nullptr;
  WaitUntil([&] {
    for (const auto& w : cramlets.Windows())
      if (w.title == kZip.name && FindChild(w.hwnd, L"msctls_progress32")) progress = w.hwnd;
    return progress != nullptr && GetForegroundWindow() == progress;
  });
  ASSERT_NE(progress, nullptr) << "no progress window; " << Describe(cramlets.Windows());

  ASSERT_NO_FATAL_FAILURE(Press(kZip, {data, {data + L"\\other.txt"}}));
  EXPECT_TRUE(WaitUntil([&] {
    cramlets.Look();
    return Names(data).contains(L"other.zip");
  }, 20000)) << "the other selection was not zipped meanwhile";
  EXPECT_FALSE(Names(data).contains(L"Big.zip")) << "the first copy ended before the other selection was zipped";

  EXPECT_TRUE(WaitUntil([&] { return cramlets.Running() == 0; }, 60000));
  EXPECT_EQ(Names(data),
            (std::set<std::wstring>{L"Big", L"Big.zip", L"small.txt", L"small.zip", L"other.txt", L"other.zip"}));
  const std::multiset<DWORD> codes = cramlets.ExitCodes();
  EXPECT_EQ(codes.count(0), codes.size()) << "a copy did not end with 0";
}

}  // namespace
}  // namespace e2e

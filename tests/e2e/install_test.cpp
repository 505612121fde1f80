// The release installer and its uninstaller, run silently as an administrator runs them: one
// walk from a fresh install through use and an upgrade over the running program to the uninstall,
// and back; on the way, what must change nothing: a copy of the uninstaller elsewhere, an older
// setup, and an upgrade or uninstall while a tool of the folder runs.
#include "harness.h"

#include <knownfolders.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <set>

namespace e2e {
namespace {

using Install = TandrelTest;

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tandrel";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::wstring found;
  if (SUCCEEDED(SHGetKnownFolderPath(id, /* flags= */ 0, /* token= */ nullptr, &path))) found = path;
  CoTaskMemFree(path);
  return found;
}

bool SamePath(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

// Its exit code, or -1 when it did not start or end in time.
long RunAndWait(std::wstring commandLine, DWORD timeoutMs = 60000) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &startup, &info))
    return -1;
  DWORD code = DWORD(-1);
  if (WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return long(code);
}

std::set<std::wstring> FilesIn(const std::wstring& folder, ULONGLONG* bytes = nullptr) {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    names.insert(found.cFileName);
    if (bytes) *bytes += (ULONGLONG(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

// A shortcut's target, read as the shell reads it.
std::wstring LinkTarget(const std::wstring& link) {
  IShellLinkW* shellLink = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&shellLink))))
    return L"<no shell link object>";
  std::wstring target = L"<unreadable>";
  IPersistFile* file = nullptr;
  if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t path[MAX_PATH] = L"";
    if (SUCCEEDED(file->Load(link.c_str(), STGM_READ)) && SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0)))
      target = path;
    file->Release();
  }
  shellLink->Release();
  return target;
}

// The processes whose program is that file, as a handle to wait on and read the exit code of.
std::vector<HANDLE> ProcessesOf(const std::wstring& image) {
  std::vector<HANDLE> found;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    const HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE,
                                       entry.th32ProcessID);
    if (!process) continue;
    wchar_t path[MAX_PATH];
    DWORD size = MAX_PATH;
    if (QueryFullProcessImageNameW(process, 0, path, &size) && SamePath(path, image) &&
        WaitForSingleObject(process, 0) == WAIT_TIMEOUT)
      found.push_back(process);
    else
      CloseHandle(process);
  }
  CloseHandle(snapshot);
  return found;
}

void CloseAll(std::vector<HANDLE>& processes) {
  for (HANDLE process : processes) CloseHandle(process);
  processes.clear();
}

std::optional<std::wstring> Text(const wchar_t* key, const wchar_t* name) {
  wchar_t text[1024];
  DWORD size = sizeof text;
  if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) return {};
  return text;
}

std::optional<DWORD> Number(const wchar_t* name) {
  DWORD number = 0, size = sizeof number;
  if (RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_DWORD, nullptr, &number, &size) != ERROR_SUCCESS)
    return {};
  return number;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The uninstaller runs from a copy in the temporary folder, which a command it starts removes.
bool NoUninstallerCopy() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((std::wstring(temp) + L"~nsu*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return true;
  FindClose(search);
  return false;
}

bool WriteText(const std::wstring& path, const std::string& text) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool done = WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
  CloseHandle(file);
  return done;
}

DWORD ExitCodeOf(HANDLE process) {
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process, &code);
  return code;
}

TEST_F(Install, SilentInstallThenUseUpgradeOverTheRunningProgramAndUninstall) {
  const std::wstring setup = GetPaths().setup;
  if (setup.empty()) GTEST_SKIP() << "no installer given (tests/e2e/run --setup)";
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  const std::wstring folder = KnownFolder(FOLDERID_LocalAppData) + L"\\Programs\\Tandrel";
  const std::wstring program = folder + L"\\Tandrel.exe", uninstaller = folder + L"\\Uninstall.exe";
  const std::wstring startMenu = KnownFolder(FOLDERID_Programs) + L"\\Tandrel.lnk";
  const std::wstring sendTo = KnownFolder(FOLDERID_SendTo);
  const std::wstring zipWith = sendTo + L"\\Zip with Cramlet.lnk", extractWith = sendTo + L"\\Extract with Spillet.lnk";
  ASSERT_FALSE(Exists(folder)) << "the prefix is not fresh";

  // /? shows the switches, not the wizard, and installs nothing.
  {
    std::wstring commandLine = L"\"" + setup + L"\" /?";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION help{};
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &startup, &help));
    std::wstring shown;
    EXPECT_TRUE(WaitUntil([&] {
      for (const auto& window : WindowsOf(help.dwProcessId, /*visibleOnly=*/true))
        if ((shown = MessageBoxText(window.hwnd)).find(L"/D=") != std::wstring::npos) {
          PostMessageW(window.hwnd, WM_COMMAND, IDOK, 0);
          return true;
        }
      return false;
    })) << Describe(WindowsOf(help.dwProcessId));
    EXPECT_NE(shown.find(L"/S"), std::wstring::npos) << Narrow(shown);
    if (WaitForSingleObject(help.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(help.hProcess, 1);
    EXPECT_EQ(ExitCodeOf(help.hProcess), 0u);
    CloseHandle(help.hThread);
    CloseHandle(help.hProcess);
    EXPECT_FALSE(Exists(folder));
  }

  ASSERT_EQ(RunAndWait(L"\"" + setup + L"\" /S"), 0);
  ULONGLONG bytes = 0;
  EXPECT_EQ(FilesIn(folder, &bytes), (std::set<std::wstring>{L"Cramlet.exe", L"LICENSE.txt", L"Spillet.exe",
                                                            L"THIRD-PARTY.txt", L"Tandrel.exe", L"Uninstall.exe"}));
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  DWORD binaryType = 0;
  ASSERT_TRUE(GetBinaryTypeW(program.c_str(), &binaryType));
  EXPECT_EQ(binaryType, wow64 ? DWORD(SCS_64BIT_BINARY) : DWORD(SCS_32BIT_BINARY)) << "the programs of the other kind";

  const std::map<std::wstring, std::wstring> texts{
      {L"DisplayName", L"Tandrel"},
      {L"DisplayVersion", Widen(PRODUCT_VERSION)},
      {L"Publisher", L"Tandrel"},
      {L"DisplayIcon", program},
      {L"InstallLocation", folder},
      {L"UninstallString", L"\"" + uninstaller + L"\""},
      {L"QuietUninstallString", L"\"" + uninstaller + L"\" /S"},
      {L"URLInfoAbout", L"https://www.tandrel.example"},
      {L"HelpLink", L"https://tandrel.example/support/"}};
  for (const auto& [name, expected] : texts) EXPECT_EQ(Text(kUninstallKey, name.c_str()), expected) << name;
  EXPECT_EQ(Number(L"NoModify"), 1u);
  EXPECT_EQ(Number(L"NoRepair"), 1u);
  EXPECT_NEAR(double(Number(L"EstimatedSize").value_or(0)), double(bytes) / 1024, 8.0) << "KiB";
  EXPECT_PRED2(SamePath, LinkTarget(startMenu), program);
  EXPECT_PRED2(SamePath, LinkTarget(zipWith), folder + L"\\Cramlet.exe");
  EXPECT_PRED2(SamePath, LinkTarget(extractWith), folder + L"\\Spillet.exe");

  // What must change nothing of the install, and say so with its exit code. The uninstaller is run
  // in place (_?=), as its copy in the temporary folder runs, to give its own exit code.
  auto installState = [&] {
    std::set<std::wstring> seen = FilesIn(folder);
    for (const auto& link : {startMenu, zipWith, extractWith})
      if (Exists(link)) seen.insert(link);
    for (const wchar_t* name : {L"InstallLocation", L"DisplayVersion"}) seen.insert(Text(kUninstallKey, name).value_or(L"-"));
    return seen;
  };
  const auto installed0 = installState();
  // A copy of the uninstaller in a folder of the user's, with a file of an installed file's name.
  const std::wstring project = KnownFolder(FOLDERID_Documents) + L"\\My project";
  ASSERT_TRUE(CreateDirectoryW(project.c_str(), nullptr));
  ASSERT_TRUE(WriteText(project + L"\\LICENSE.txt", "the user's own\r\n"));
  ASSERT_TRUE(CopyFileW(uninstaller.c_str(), (project + L"\\Uninstall.exe").c_str(), TRUE));
  EXPECT_NE(RunAndWait(L"\"" + project + L"\\Uninstall.exe\" /S _?=" + project), 0) << "a copy elsewhere uninstalled";
  EXPECT_EQ(ReadAll(project + L"\\LICENSE.txt"), "the user's own\r\n");
  EXPECT_EQ(installState(), installed0);
  // An older setup over a newer install.
  const std::wstring newer = L"99.0.0";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kUninstallKey, L"DisplayVersion", REG_SZ, newer.c_str(),
                            DWORD((newer.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  const auto newerState = installState();
  EXPECT_NE(RunAndWait(L"\"" + setup + L"\" /S"), 0) << "a newer install replaced silently";
  EXPECT_EQ(installState(), newerState);
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kUninstallKey, L"DisplayVersion", REG_SZ, Widen(PRODUCT_VERSION).c_str(),
                            DWORD((Widen(PRODUCT_VERSION).size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);

  // In use: the hotkeys held, and Ctrl+Alt+Z starts the Cramlet beside it.
  ASSERT_TRUE(StoreSetting(L"start", L"configured", L"1"));
  Program installed(program);
  ASSERT_TRUE(installed.Start());
  ASSERT_TRUE(WaitUntil([] { return VisibleTrayWindow() != nullptr; })) << "no tray icon shown";
  EXPECT_FALSE(HotkeyIsFree(MOD_CONTROL | MOD_ALT, 'Z'));
  EXPECT_FALSE(HotkeyIsFree(MOD_CONTROL | MOD_ALT, 'U'));
  ASSERT_TRUE(PressKeys({VK_CONTROL, VK_MENU, 'Z'}));
  std::vector<HANDLE> cramlets;
  EXPECT_TRUE(WaitUntil([&] { return !(cramlets = ProcessesOf(folder + L"\\Cramlet.exe")).empty(); }))
      << "the installed Cramlet did not start";
  for (HANDLE cramlet : cramlets) TerminateProcess(cramlet, 2);  // it waits in its file dialog
  CloseAll(cramlets);

  // Spillet waits in its file dialog: neither an upgrade nor an uninstall may touch the folder,
  // nor end Tandrel, and each fails.
  {
    Program spillet(folder + L"\\Spillet.exe");
    ASSERT_TRUE(spillet.Start());
    ASSERT_TRUE(WaitUntil([&] { return !spillet.Windows(/*visibleOnly=*/true).empty(); })) << "no Spillet window";
    EXPECT_NE(RunAndWait(L"\"" + setup + L"\" /S"), 0) << "an upgrade over a running Spillet reported as done";
    EXPECT_EQ(installState(), installed0);
    EXPECT_TRUE(installed.Running()) << "Tandrel ended for an upgrade that did not happen";
    EXPECT_NE(RunAndWait(L"\"" + uninstaller + L"\" /S _?=" + folder), 0) << "an uninstall with Spillet running reported as done";
    EXPECT_EQ(installState(), installed0);
    EXPECT_TRUE(installed.Running()) << "Tandrel ended for an uninstall that did not happen";
    EXPECT_TRUE(VisibleTrayWindow());
  }

  // Again over it while it runs, with a setting changed and start-up chosen as Settings does it.
  ASSERT_TRUE(StoreSetting(L"Hotkey2", L"Shift", L"1"));
  ASSERT_TRUE(StoreSetting(L"start", L"autoboot", L"1"));
  const std::wstring startup = L"\"" + program + L"\"";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Tandrel", REG_SZ, startup.c_str(),
                            DWORD((startup.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  const auto settings = StoredSettings();
  ASSERT_EQ(RunAndWait(L"\"" + setup + L"\" /S"), 0);
  EXPECT_TRUE(installed.WaitForExit(0)) << "the running Tandrel was not ended";
  EXPECT_EQ(installed.ExitCode(), 0u) << "ended by force rather than by closing its tray window";
  std::vector<HANDLE> again;
  EXPECT_TRUE(WaitUntil([&] {
    CloseAll(again);
    again = ProcessesOf(program);
    return again.size() == 1 && VisibleTrayWindow();
  })) << again.size() << " Tandrel running from the folder after the upgrade";
  EXPECT_EQ(StoredSettings(), settings);
  EXPECT_EQ(Text(kRunKey, L"Tandrel"), startup);

  // Uninstalled silently while it runs: it leaves with its icon, and only the settings stay.
  ASSERT_EQ(RunAndWait(L"\"" + uninstaller + L"\" /S"), 0);
  // The uninstaller works from a copy of itself, which it starts and does not wait for.
  EXPECT_TRUE(WaitUntil([&] { return !Exists(folder) && !Text(kUninstallKey, L"DisplayName"); }, 30000))
      << "still installed";
  for (HANDLE process : again) {
    EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0) << "Tandrel still runs";
    EXPECT_EQ(ExitCodeOf(process), 0u) << "ended by force rather than by closing its tray window";
  }
  CloseAll(again);
  EXPECT_TRUE(WaitUntil([] { return VisibleTrayWindow() == nullptr; })) << "tray icon left behind";
  for (const auto& link : {startMenu, zipWith, extractWith}) EXPECT_FALSE(Exists(link)) << Narrow(link);
  EXPECT_TRUE(WaitUntil(NoUninstallerCopy)) << "the uninstaller's copy left in the temporary folder";
  EXPECT_FALSE(Text(kRunKey, L"Tandrel"));
  HKEY gone = nullptr;
  EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, kUninstallKey, 0, KEY_READ, &gone), ERROR_SUCCESS);
  EXPECT_EQ(StoredSettings(), settings);

  // The start-up choice kept in the settings comes back with the next install.
  ASSERT_EQ(RunAndWait(L"\"" + setup + L"\" /S"), 0);
  EXPECT_EQ(Text(kRunKey, L"Tandrel"), startup);
  ASSERT_EQ(RunAndWait(L"\"" + uninstaller + L"\" /S"), 0);
  EXPECT_TRUE(WaitUntil([&] { return !Exists(folder) && NoUninstallerCopy(); }, 30000)) << "still installed";

  // Into folders it makes, with blanks and letters beyond ASCII: the uninstall removes them all.
  const std::wstring made = L"C:\\Pr\u00F6gramme", typed = made + L"\\T\u00E4ndrel tools";
  ASSERT_FALSE(Exists(made));
  ASSERT_EQ(RunAndWait(L"\"" + setup + L"\" /S /D=" + typed), 0);
  EXPECT_TRUE(Exists(typed + L"\\Tandrel.exe"));
  EXPECT_EQ(Text(kUninstallKey, L"InstallLocation"), typed);
  ASSERT_EQ(RunAndWait(L"\"" + typed + L"\\Uninstall.exe\" /S"), 0);
  EXPECT_TRUE(WaitUntil([&] { return !Exists(made) && NoUninstallerCopy(); }, 30000)) << "folders it made left behind";
  EXPECT_EQ(ReadAll(project + L"\\LICENSE.txt"), "the user's own\r\n");
  CoUninitialize();
}

}  // namespace
}  // namespace e2e

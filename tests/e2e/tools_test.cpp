// The real Cramlet.exe and Spillet.exe, from the second program folder: names in any script and
// paths past 260 characters, the progress window's Cancel, failures, the Mark of the Web, a
// killed run's leftovers.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <iostream>
#include <set>

#include "files.h"
#include "harness.h"

namespace e2e {
namespace {

// The share of clearly red pixels where the window shows on the screen: the error icon is a red
// disc, the others blue or yellow. (Another process's icon handle tells nothing in Wine.)
double RedShare(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return 0;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ before = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  int red = 0;
  for (int i = 0; i < width * height; ++i) {
    const DWORD pixel = static_cast<const DWORD*>(bits)[i];
    red += GetBValue(pixel) > 150 && GetGValue(pixel) < 100 && GetRValue(pixel) < 100;  // BGR in a DIB
  }
  SelectObject(memory, before);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return double(red) / (width * height);
}

// One run of a real tool, from C:\, with its standard error going to a file of its own.
class Tool {
 public:
  Tool(const std::wstring& exe, const std::vector<std::wstring>& arguments) {
    static int count = 0;
    const std::wstring errors = WindowsPathOf(GetPaths().unixWork + "/stderr-" + std::to_string(++count) + ".txt");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    errors_ = CreateFileW(errors.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                          CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    const std::wstring path = GetPaths().toolsFolder + exe;
    std::wstring commandLine = L"\"" + path + L"\"";
    for (const auto& argument : arguments) commandLine += L" \"" + argument + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = errors_;
    started_ = errors_ != INVALID_HANDLE_VALUE && CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr,
                                                                 TRUE, 0, nullptr, L"C:\\", &startup, &info_);
  }
  Tool(const Tool&) = delete;
  Tool& operator=(const Tool&) = delete;
  ~Tool() {
    Kill();
    if (started_) {
      CloseHandle(info_.hThread);
      CloseHandle(info_.hProcess);
    }
    if (errors_ != INVALID_HANDLE_VALUE) CloseHandle(errors_);
  }

  bool Started() const { return started_; }
  bool Running() const { return started_ && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
  void Kill() {
    if (Running() && TerminateProcess(info_.hProcess, 99)) WaitForSingleObject(info_.hProcess, 5000);
  }
  // The exit code, or -1 if it still runs after the time given.
  long Exit(int timeoutMs = 60000) const {
    DWORD code = 0;
    if (!started_ || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
    GetExitCodeProcess(info_.hProcess, &code);
    return long(code);
  }
  std::vector<TopWindow> Windows() const { return WindowsOf(info_.dwProcessId, /*visibleOnly=*/true); }
  // Its window of that title holding a child of that class.
  HWND Window(const std::wstring& title, const wchar_t* childClass) const {
    for (const auto& w : Windows())
      if (w.title == title && FindChild(w.hwnd, childClass)) return w.hwnd;
    return nullptr;
  }
  std::string Errors() const {
    std::string text(GetFileSize(errors_, nullptr), '\0');
    DWORD got = 0;
    SetFilePointer(errors_, 0, nullptr, FILE_BEGIN);
    ReadFile(errors_, text.data(), DWORD(text.size()), &got, nullptr);
    return text.substr(0, got);
  }

 private:
  HANDLE errors_ = INVALID_HANDLE_VALUE;
  PROCESS_INFORMATION info_{};
  bool started_ = false;
};

// Runs a tool with -q to its end: exit code 0 and nothing said.
void RunQuietly(const wchar_t* exe, const std::wstring& path) {
  Tool tool(exe, {L"-q", path});
  ASSERT_TRUE(tool.Started());
  EXPECT_EQ(tool.Exit(), 0) << Narrow(exe) << " on " << Narrow(path);
  EXPECT_EQ(tool.Errors(), "");
}

bool IsScratch(const std::wstring& name) {
  return name.rfind(L"~cramlet-", 0) == 0 || name.rfind(L"~spillet-", 0) == 0;
}

// Each case gets an empty folder of its own, removed again when it passes.
class Tools : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(GetPaths().toolsFolder.empty())
        << "E2E_TOOLS_PROGRAM is not set: start the suite through tests/e2e/run";
    unixData = GetPaths().unixWork + "/tools/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    ASSERT_EQ(RunUnix("rm -rf '" + unixData + "' && mkdir -p '" + unixData + "'"), 0);
    data = WindowsPathOf(unixData);
  }
  void TearDown() override {
    if (HasFailure())
      Screenshot("failed");
    else
      RunUnix("rm -rf '" + unixData + "'");
  }

  std::string unixData;
  std::wstring data;
};

TEST_F(Tools, NamesInAnyScriptAndLongPathsGoThereAndBackWithTheirBytesTimesAndAttributes) {
  std::wstring parent = data;
  while (parent.size() < 250) parent += L"\\Длинный путь 長いパス";
  const std::wstring root = parent + L"\\Фото 写真 😀";
  const std::wstring nested = L"\\Вложенная 嵌套 🌲";
  struct Item {
    std::wstring path;  // below root
    bool folder;
    std::string bytes;
    ULONGLONG modified;
    DWORD attributes = 0;
  };
  const std::vector<Item> items = {
      {L"", true, {}, 1600000000},
      {L"\\Отчёт за март.txt", false, "Привет, мир\r\n", 1500000001, FILE_ATTRIBUTE_READONLY},
      {L"\\日本語のファイル.bin", false, RandomBytes(300000, 7), 1400000002, FILE_ATTRIBUTE_HIDDEN},
      {L"\\😀 emoji 🎉.dat", false, "", 1300000003, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN},
      {L"\\空のフォルダー", true, {}, 1200000004, FILE_ATTRIBUTE_HIDDEN},
      {nested, true, {}, 1100000005},
      {nested + nested, true, {}, 1000000006},
      {nested + nested + nested, true, {}, 900000007},
      {nested + nested + nested + L"\\Глубокий файл 深いファイル 🐟.txt", false, "deep", 800000008},
  };
  ASSERT_GT(root.size() + 4, size_t(MAX_PATH)) << "the archive's path, and all below the folder, must be long";
  for (size_t end = parent.find(L'\\', data.size() + 1); end != std::wstring::npos; end = parent.find(L'\\', end + 1))
    ASSERT_TRUE(MakeFolder(parent.substr(0, end)));
  ASSERT_TRUE(MakeFolder(parent));
  for (const auto& item : items) {
    const std::wstring path = root + item.path;
    ASSERT_TRUE(item.folder ? MakeFolder(path) : WriteBytes(path, item.bytes)) << Narrow(item.path);
  }
  // Folders after their content, which changes them.
  for (const auto& item : items) ASSERT_TRUE(SetModified(root + item.path, item.modified));
  // Last: a read-only file takes no new times. Wine keeps hidden in an extended attribute.
  for (const auto& item : items) {
    if (item.attributes == 0) continue;
    ASSERT_TRUE(SetFileAttributesW(Long(root + item.path).c_str(), item.attributes));
  }

  // Read once before zipping: the archive keeps access times, which a fresh tree's first reading changes.
  const auto before = Tree(root);
  ASSERT_NO_FATAL_FAILURE(RunQuietly(L"Cramlet.exe", root));
  ASSERT_NO_FATAL_FAILURE(RunQuietly(L"Cramlet.exe", root));
  ASSERT_NO_FATAL_FAILURE(RunQuietly(L"Spillet.exe", root + L".zip"));
  EXPECT_EQ(Names(parent), (std::set<std::wstring>{L"Фото 写真 😀", L"Фото 写真 😀.zip", L"Фото 写真 😀 (2).zip",
                                                   L"Фото 写真 😀 (2)"}));
  EXPECT_TRUE(ReadBytes(root + L".zip") == ReadBytes(root + L" (2).zip")) << "the second archive differs";
  EXPECT_EQ(Tree(root + L" (2)"), before);
}

// Started from a command line on the real screen: the system's progress window, and its Cancel.
TEST_F(Tools, CancelInTheProgressWindowEndsTheRunAtOnceAndLeavesNothing) {
  const struct {
    const wchar_t* tool;
    std::string make;      // shell commands run in the case's folder
    const wchar_t* input;  // in the case's folder
  } cases[] = {
      // Noise that deflate shrinks, so that it is deflated, not stored at once; folders after it,
      // still listed while it is deflated, so the total is not known yet.
      {L"Cramlet", "mkdir Noise && head -c 150M /dev/urandom | base64 -w0 >Noise/noise.bin && mkdir Noise/z && "
                   "cd Noise/z && seq 5000 | xargs mkdir", L"Noise"},
      // Spillet writes much data a second but makes files slowly: many small ones.
      {L"Spillet", "mkdir Many && cd Many && head -c 6000k /dev/urandom | split -b 1k -a 4", L"Many.zip"},
      // A compressed tar is decoded once, its data kept as it comes: cancelled while it is read.
      {L"Spillet", "mkdir Big && head -c 45M /dev/urandom | base64 -w0 >Big/noise.txt && tar -cjf Big.tar.bz2 Big && rm -r Big",
       L"Big.tar.bz2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.tool));
    ASSERT_EQ(RunUnix("cd '" + unixData + "' && rm -rf ./* && " + c.make, 30000), 0) << "could not make the data";
    if (c.input == std::wstring(L"Many.zip")) {
      ASSERT_NO_FATAL_FAILURE(RunQuietly(L"Cramlet.exe", data + L"\\Many"));
    }
    const std::set<std::wstring> before = Names(data);

    Tool tool(c.tool + std::wstring(L".exe"), {data + L"\\" + c.input});
    ASSERT_TRUE(tool.Started());
    HWND progress = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (progress = tool.Window(c.tool, L"msctls_progress32")) != nullptr; }))
        << "no progress window; " << Describe(tool.Windows());
    HWND cancel = FindChild(progress, L"Button", L"Cancel");
    ASSERT_NE(cancel, nullptr) << "no Cancel button";
    Sleep(300);  // some progress to see
    Screenshot(Narrow(c.tool) + "-progress");
    HWND bar = FindChild(progress, L"msctls_progress32");
    EXPECT_LT(SendMessageW(bar, PBM_GETPOS, 0, 0), SendMessageW(bar, PBM_GETRANGE, /* low= */ FALSE, 0))
        << "the bar is full long before the end";
    const ULONGLONG clicked = GetTickCount64();
    ASSERT_TRUE(ClickOn(cancel));
    EXPECT_EQ(tool.Exit(5000), 2);
    const ULONGLONG took = GetTickCount64() - clicked;
    std::cout << "[          ] " << Narrow(c.tool) << " ended " << took << " ms after the click on Cancel\n";
    EXPECT_LT(took, 2000u);
    EXPECT_EQ(Names(data), before) << "something was left";
    EXPECT_EQ(tool.Errors(), "");
    if (HasFatalFailure()) return;
  }
}

// One message captioned Spillet naming the file, or with -q one line on standard error and no
// window; nothing is left beside the archive either way.
TEST_F(Tools, AFailureIsOneMessageOrWithQOneLineOnStandardError) {
  const struct {
    const char* name;
    std::function<bool(const std::wstring& archive)> make;
    const char* says = "The archive is damaged";
  } cases[] = {
      {"not an archive", [](const std::wstring& archive) { return WriteBytes(archive, "Just some notes.\r\n"); }},
      {"damaged data", [](const std::wstring& archive) {  // stored, so the CRC-32 finds it
         const std::wstring folder = archive.substr(0, archive.size() - 4);
         if (!MakeFolder(folder) || !WriteBytes(folder + L"\\noise.bin", RandomBytes(200000, 3))) return false;
         RunQuietly(L"Cramlet.exe", folder);
         std::string bytes = ReadBytes(archive);
         for (size_t i = 0; i < 64; ++i) bytes[bytes.size() / 2 + i] ^= 0x5a;
         return WriteBytes(archive, bytes);
       }},
      {"a directory larger than memory", [](const std::wstring& archive) {
         // 256 MB of nothing that declare 5.8 million entries: more than a 32-bit process can hold.
         const ULONGLONG size = 256ull << 20;
         std::string tail;
         const auto put = [&](ULONGLONG value, int bytes) {
           for (int i = 0; i < bytes; ++i) tail += static_cast<char>(value >> (8 * i));
         };
         put(0x06064b50, 4), put(44, 8), put(0x2D2D, 4), put(0, 8), put(size / 46, 8), put(size / 46, 8);
         put(size, 8), put(0, 8), put(0x07064b50, 4), put(0, 4), put(size, 8), put(1, 4);
         put(0x06054b50, 4), put(0, 4), put(0xFFFF, 2), put(0xFFFF, 2), put(0xFFFFFFFF, 8), put(0, 2);
         const HANDLE file = CreateFileW(archive.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
         LARGE_INTEGER at{};
         at.QuadPart = static_cast<LONGLONG>(size);
         DWORD written = 0;
         const bool ok = file != INVALID_HANDLE_VALUE && SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
                         WriteFile(file, tail.data(), static_cast<DWORD>(tail.size()), &written, nullptr);
         CloseHandle(file);
         return ok;
       }},
      // A zstd frame of no data whose 1 GiB window a 32-bit program cannot set aside.
      {"a window past a 32-bit program", [](const std::wstring& archive) {
         return WriteBytes(archive, std::string("\x28\xB5\x2F\xFD\x00\xA0\x01\x00\x00", 9));
       }, "Nothing was extracted: it needs 1024 MiB of memory to decode, more than a 32-bit program can have; "
          "the 64-bit Spillet opens it."},
      // An xz block of 12 bytes whose 1.5 GiB dictionary the same cannot.
      {"an xz dictionary past a 32-bit program", [](const std::wstring& archive) {
         return WriteBytes(archive, std::string("\xFD\x37\x7A\x58\x5A\x00\x00\x04\xE6\xD6\xB4\x46\x02\x00\x21\x01\x25\x00"
                                                "\x00\x00\x3B\x78\x7B\x41\x01\x00\x0B\x68\x65\x6C\x6C\x6F\x20\x77\x6F\x72"
                                                "\x6C\x64\x0A\x00\xA1\xF2\xFF\xC4\x6A\x7F\xBF\xCF\x00\x01\x24\x0C\xA6\x18"
                                                "\xD8\xD8\x1F\xB6\xF3\x7D\x01\x00\x00\x00\x00\x04\x59\x5A",
                                                68));
       }, "Nothing was extracted: it needs 1537 MiB of memory to decode, more than a 32-bit program can have; "
          "the 64-bit Spillet opens it."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring archive = data + L"\\" + Widen(c.name) + L".zip";
    ASSERT_TRUE(c.make(archive));
    const std::set<std::wstring> before = Names(data);
    const std::string start = Narrow(archive) + "\n\n" + c.says;
    const std::string lineStart = Narrow(archive) + ": " + c.says;
    {
      Tool spillet(L"Spillet.exe", {archive});
      ASSERT_TRUE(spillet.Started());
      std::vector<TopWindow> windows;
      ASSERT_TRUE(WaitUntil([&] { return !(windows = spillet.Windows()).empty(); }, 30000)) << "no window";
      Sleep(500);  // a second one would show by now
      windows = spillet.Windows();
      ASSERT_EQ(windows.size(), 1u) << Describe(windows);
      EXPECT_EQ(windows[0].title, L"Spillet");
      EXPECT_EQ(windows[0].className, L"#32770");
      HWND icon = FindChild(windows[0].hwnd, L"Static");
      EXPECT_GT(RedShare(icon), 0.2) << "not the error icon";
      const std::string text = Narrow(MessageBoxText(windows[0].hwnd));
      EXPECT_EQ(text.substr(0, start.size()), start) << text;
      Screenshot(std::string(c.name) + "-message");
      PostMessageW(windows[0].hwnd, WM_COMMAND, IDOK, 0);
      EXPECT_EQ(spillet.Exit(5000), 1);
      EXPECT_EQ(spillet.Errors(), "");
    }
    {
      Tool spillet(L"Spillet.exe", {L"-q", archive});
      ASSERT_TRUE(spillet.Started());
      bool windowSeen = false;
      WaitUntil([&] { return (windowSeen = windowSeen || !spillet.Windows().empty()) || !spillet.Running(); }, 30000);
      EXPECT_EQ(spillet.Exit(5000), 1);
      EXPECT_FALSE(windowSeen);
      const std::string line = spillet.Errors();
      EXPECT_EQ(line.substr(0, lineStart.size()), lineStart) << line;
      EXPECT_EQ(line.find('\n'), line.size() - 1) << "not one line: " << line;
    }
    EXPECT_EQ(Names(data), before) << "something was left";
  }
}

// A protected archive: the password window comes up on its own, says so after a wrong password
// and asks again; the right one opens it. Cancel writes nothing; -q asks nothing and says why.
TEST_F(Tools, APasswordIsAskedInAWindowOfItsOwnUntilOneOpensTheArchive) {
  ASSERT_EQ(RunUnix("cd '" + unixData + "' && mkdir Secret && echo hidden >Secret/a.txt && "
                    "head -c 100k /dev/urandom >Secret/b.bin && 7z a -tzip -bd -pSecret -mem=AES256 Secret.zip Secret "
                    ">/dev/null && rm -rf Secret", 30000), 0) << "could not make the archive";
  const std::wstring archive = data + L"\\Secret.zip";
  const auto answer = [](HWND window, const wchar_t* password, const wchar_t* button) {
    SendMessageW(FindChild(window, L"Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(password));
    return ClickOn(FindChild(window, L"Button", button));
  };
  {
    Tool spillet(L"Spillet.exe", {archive});
    ASSERT_TRUE(spillet.Started());
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (window = spillet.Window(L"Spillet", L"Edit")) != nullptr; }))
        << "no password window; " << Describe(spillet.Windows());
    EXPECT_NE(FindChild(window, L"Static", archive.c_str()), nullptr) << "the archive is not named";
    EXPECT_EQ(GetForegroundWindow(), window) << "not in front";
    ASSERT_TRUE(answer(window, L"wrong", L"OK"));
    ASSERT_TRUE(WaitUntil([&] {
      window = spillet.Window(L"Spillet", L"Edit");
      return window != nullptr && FindChild(window, L"Static", L"That password is wrong. Try again.") != nullptr;
    })) << "not told it was wrong; " << Describe(spillet.Windows());
    ClickOn(FindChild(window, L"Button", L"&Show password"));
    SendMessageW(FindChild(window, L"Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Secret"));
    Sleep(200);
    Screenshot("password-window", window);
    ASSERT_TRUE(ClickOn(FindChild(window, L"Button", L"OK")));
    EXPECT_EQ(spillet.Exit(30000), 0);
    EXPECT_EQ(ReadBytes(data + L"\\Secret\\a.txt"), "hidden\n");
    EXPECT_EQ(spillet.Errors(), "");
  }
  ASSERT_EQ(RunUnix("rm -rf '" + unixData + "/Secret'"), 0);
  const std::set<std::wstring> before = Names(data);
  {
    Tool spillet(L"Spillet.exe", {archive});
    ASSERT_TRUE(spillet.Started());
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (window = spillet.Window(L"Spillet", L"Edit")) != nullptr; }));
    ASSERT_TRUE(answer(window, L"Secret", L"Cancel"));
    EXPECT_EQ(spillet.Exit(5000), 1);
    EXPECT_EQ(spillet.Errors(), "");
  }
  EXPECT_EQ(Names(data), before) << "Cancel left something";
  {
    Tool spillet(L"Spillet.exe", {L"-q", archive});
    ASSERT_TRUE(spillet.Started());
    EXPECT_EQ(spillet.Exit(30000), 1);
    EXPECT_EQ(spillet.Errors(), Narrow(archive) + ": needs a password\r\n");
  }
  EXPECT_EQ(Names(data), before) << "-q left something";
  // Traditional encryption of a password's UTF-8 bytes, as Info-ZIP writes it: the ANSI and OEM
  // forms, tried first, are turned away by the check bytes and the CRC-32.
  ASSERT_EQ(RunUnix("cd '" + unixData + "' && mkdir Accents && echo hidden >Accents/a.txt && "
                    "zip -qr -P 'Sécret' Accents.zip Accents && rm -rf Accents", 30000), 0);
  {
    Tool spillet(L"Spillet.exe", {data + L"\\Accents.zip"});
    ASSERT_TRUE(spillet.Started());
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (window = spillet.Window(L"Spillet", L"Edit")) != nullptr; }));
    ASSERT_TRUE(answer(window, L"S\u00e9cret", L"OK"));
    EXPECT_EQ(spillet.Exit(30000), 0) << Describe(spillet.Windows());
    EXPECT_EQ(ReadBytes(data + L"\\Accents\\a.txt"), "hidden\n");
  }
  // Entries of two passwords: once the first opened its entry, the window names the one still locked.
  ASSERT_EQ(RunUnix("cd '" + unixData + "' && mkdir Two && echo one >Two/one.txt && echo two >Two/two.txt && "
                    "7z a -tzip -bd -pOne -mem=AES256 Two.zip Two/one.txt >/dev/null && "
                    "7z a -tzip -bd -pTwo -mem=AES256 Two.zip Two/two.txt >/dev/null && rm -rf Two", 30000), 0);
  {
    Tool spillet(L"Spillet.exe", {data + L"\\Two.zip"});
    ASSERT_TRUE(spillet.Started());
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (window = spillet.Window(L"Spillet", L"Edit")) != nullptr; }));
    ASSERT_TRUE(answer(window, L"One", L"OK"));
    ASSERT_TRUE(WaitUntil([&] {
      window = spillet.Window(L"Spillet", L"Edit");
      return window != nullptr && FindChild(window, L"Static", L"\"Two/two.txt\" needs another password.") != nullptr;
    })) << "the locked entry is not named; " << Describe(spillet.Windows());
    Screenshot("password-window-locked", window);
    ASSERT_TRUE(answer(window, L"Two", L"OK"));
    EXPECT_EQ(spillet.Exit(30000), 0) << Describe(spillet.Windows());
    EXPECT_EQ(ReadBytes(data + L"\\Two\\one.txt"), "one\n");
    EXPECT_EQ(ReadBytes(data + L"\\Two\\two.txt"), "two\n");
  }
  // A 7z whose names are encrypted too: nothing of it can be listed before the password.
  ASSERT_EQ(RunUnix("cd '" + unixData + "' && mkdir Seven && echo seven >Seven/s.txt && "
                    "7zz a -bd -bso0 -pSecret -mhe=on Seven.7z Seven && rm -rf Seven", 30000), 0);
  {
    Tool spillet(L"Spillet.exe", {data + L"\\Seven.7z"});
    ASSERT_TRUE(spillet.Started());
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (window = spillet.Window(L"Spillet", L"Edit")) != nullptr; }))
        << "no password window; " << Describe(spillet.Windows());
    ASSERT_TRUE(answer(window, L"wrong", L"OK"));
    ASSERT_TRUE(WaitUntil([&] {
      window = spillet.Window(L"Spillet", L"Edit");
      return window != nullptr && FindChild(window, L"Static", L"That password is wrong. Try again.") != nullptr;
    })) << "not told it was wrong; " << Describe(spillet.Windows());
    ASSERT_TRUE(answer(window, L"Secret", L"OK"));
    EXPECT_EQ(spillet.Exit(30000), 0) << Describe(spillet.Windows());
    EXPECT_EQ(ReadBytes(data + L"\\Seven\\s.txt"), "seven\n");
  }
}

// Without the "\\?\" form Windows drops a name's trailing dots: "notes." would be read as "notes".
TEST_F(Tools, AFileWhoseNameEndsInADotIsZippedAsItselfNotAsItsNamesake) {
  ASSERT_TRUE(WriteBytes(data + L"\\notes", "seventeen bytes!!") && WriteBytes(data + L"\\notes.", "seven b"));
  ASSERT_NO_FATAL_FAILURE(RunQuietly(L"Cramlet.exe", data + L"\\notes."));
  EXPECT_EQ(RunUnix("cd '" + unixData + "' && test \"$(unzip -Z1 notes.zip)\" = notes. && test \"$(unzip -p notes.zip)\" = 'seven b'"), 0)
      << "notes.zip holds another file";
}

// Inside what it zips, the archive holds neither itself nor its scratch folder; an item given
// twice or inside another is zipped once; items from two drives keep their own names.
TEST_F(Tools, EachItemIsZippedOnceUnderItsOwnNameAndNeverTheArchiveItself) {
  ASSERT_TRUE(MakeFolder(data + L"\\A") && WriteBytes(data + L"\\A\\f.txt", "f") && WriteBytes(data + L"\\a.txt", "a"));
  const std::vector<std::vector<std::wstring>> runs = {
      {L"-q", L"-o", data + L"\\A\\out.zip", data + L"\\A", data + L"\\A\\f.txt", data + L"\\A"},
      {L"-q", L"-o", data + L"\\two.zip", data + L"\\a.txt", L"C:\\windows\\win.ini"},
  };
  for (const auto& arguments : runs) {
    Tool cramlet(L"Cramlet.exe", arguments);
    ASSERT_TRUE(cramlet.Started());
    EXPECT_EQ(cramlet.Exit(), 0) << cramlet.Errors();
  }
  // A name Windows refuses is named as given, not by the hidden folder the archive was made in.
  Tool refused(L"Cramlet.exe", {L"-q", L"-o", data + L"\\bad?name.zip", data + L"\\a.txt"});
  ASSERT_TRUE(refused.Started());
  EXPECT_EQ(refused.Exit(), 1);
  const std::string line = refused.Errors(), start = Narrow(data) + "\\bad?name.zip: ";
  EXPECT_EQ(line.substr(0, start.size()), start) << line;
  EXPECT_EQ(line.find(".."), std::string::npos) << line;
  EXPECT_EQ(RunUnix("cd '" + unixData + "' && test \"$(unzip -Z1 A/out.zip | tr '\\n' ' ')\" = 'A/ A/f.txt ' && " +
                    "test \"$(unzip -Z1 two.zip | tr '\\n' ' ')\" = 'a.txt win.ini '"),
            0);
}

// Wine 8 keeps no alternate data streams: "file:Zone.Identifier" is a file of that name beside
// it. What is shown here is that every extracted file gets the archive's stream by that name.
TEST_F(Tools, EveryExtractedFileCarriesTheArchivesMarkOfTheWeb) {
  const std::wstring folder = data + L"\\Downloaded";
  ASSERT_TRUE(MakeFolder(folder) && MakeFolder(folder + L"\\Папка") && WriteBytes(folder + L"\\a.txt", "a") &&
              WriteBytes(folder + L"\\Папка\\b.txt", "b") && WriteBytes(folder + L"\\empty.txt", ""));
  ASSERT_NO_FATAL_FAILURE(RunQuietly(L"Cramlet.exe", folder));
  const std::string zone = "[ZoneTransfer]\r\nZoneId=3\r\n";
  ASSERT_TRUE(WriteBytes(folder + L".zip:Zone.Identifier", zone));
  if (Names(data).count(L"Downloaded.zip:Zone.Identifier"))
    std::cout << "[          ] no alternate data streams here: the stream is a file beside the archive\n";

  ASSERT_NO_FATAL_FAILURE(RunQuietly(L"Spillet.exe", folder + L".zip"));
  size_t files = 0;
  for (const auto& [path, node] : Tree(folder + L" (2)")) {
    if (node.folder || path.find(L':') != std::wstring::npos) continue;  // Wine's stand-ins for streams
    ++files;
    EXPECT_EQ(ReadBytes(folder + L" (2)\\" + path + L":Zone.Identifier"), zone) << Narrow(path);
  }
  EXPECT_EQ(files, 3u);
}

// Known by content as zips are: a tar.gz or tar.xz goes into its folder, a gzip'd or zstd'd file
// beside the archive, numbered when its name is taken.
TEST_F(Tools, ACompressedTarGoesIntoAFolderAndACompressedFileBesideTheArchive) {
  ASSERT_EQ(RunUnix("cd '" + unixData + "' && mkdir -p in/Фото && printf a > in/Фото/a.txt && printf b > in/b.txt && "
                    "tar -czf Photos.tar.gz -C in . && tar -cJf Source.tar.xz -C in . && printf notes > notes.txt && "
                    "gzip -k notes.txt && printf log > log.txt && zstd -q log.txt && rm log.txt"),
            0);
  ASSERT_NO_FATAL_FAILURE(RunQuietly(L"Spillet.exe", data + L"\\Photos.tar.gz"));
  ASSERT_NO_FATAL_FAILURE(RunQuietly(L"Spillet.exe", data + L"\\notes.txt.gz"));
  ASSERT_NO_FATAL_FAILURE(RunQuietly(L"Spillet.exe", data + L"\\Source.tar.xz"));
  ASSERT_NO_FATAL_FAILURE(RunQuietly(L"Spillet.exe", data + L"\\log.txt.zst"));
  EXPECT_EQ(ReadBytes(data + L"\\Photos\\Фото\\a.txt"), "a");
  EXPECT_EQ(ReadBytes(data + L"\\Photos\\b.txt"), "b");
  EXPECT_EQ(ReadBytes(data + L"\\notes (2).txt"), "notes");
  EXPECT_EQ(ReadBytes(data + L"\\notes.txt"), "notes");
  EXPECT_EQ(ReadBytes(data + L"\\Source\\Фото\\a.txt"), "a");
  EXPECT_EQ(ReadBytes(data + L"\\log.txt"), "log");
}

// A killed run's scratch folder stays; a run beside a live one leaves that one's work alone; the
// next run after the kill removes it.
TEST_F(Tools, TheNextRunRemovesTheScratchFolderOfAKilledOne) {
  const struct {
    const wchar_t* tool;
    std::string make;  // shell commands run in the case's folder
    std::vector<const wchar_t*> zip;  // then zipped by Cramlet
    const wchar_t *big, *small;
    std::set<std::wstring> left;
  } cases[] = {
      {L"Cramlet", "mkdir Noise && head -c 112M /dev/urandom | base64 -w0 >Noise/noise.bin && echo small >small.txt", {},
       L"Noise", L"small.txt", {L"Noise", L"small.txt", L"small.zip", L"small (2).zip"}},
      // Its finished files are closed: only the live run's hold on its folder keeps them.
      {L"Spillet", "mkdir Many && echo small >small.txt && cd Many && head -c 6000k /dev/urandom | split -b 1k -a 4",
       {L"Many", L"small.txt"}, L"Many.zip", L"small.zip",
       {L"Many", L"Many.zip", L"small.txt", L"small.zip", L"small", L"small (2)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.tool));
    const std::wstring exe = c.tool + std::wstring(L".exe");
    ASSERT_EQ(RunUnix("cd '" + unixData + "' && rm -rf ./* && " + c.make, 30000), 0) << "could not make the data";
    for (const wchar_t* item : c.zip) ASSERT_NO_FATAL_FAILURE(RunQuietly(L"Cramlet.exe", data + L"\\" + item));
    Tool killed(exe, {L"-q", data + L"\\" + c.big});
    ASSERT_TRUE(killed.Started());
    std::wstring scratch;
    ASSERT_TRUE(WaitUntil([&] {
      for (const auto& name : Names(data))
        if (IsScratch(name)) scratch = data + L"\\" + name;
      if (scratch.empty()) return false;
      for (const auto& [path, size] : Sizes(scratch))
        if (size > 0) return true;
      return false;
    })) << "no scratch folder with work in it";
    EXPECT_TRUE(GetFileAttributesW(Long(scratch).c_str()) & FILE_ATTRIBUTE_HIDDEN) << "not hidden";

    const std::map<std::wstring, ULONGLONG> work = Sizes(scratch);
    ASSERT_NO_FATAL_FAILURE(RunQuietly(exe.c_str(), data + L"\\" + c.small));
    const std::map<std::wstring, ULONGLONG> later = Sizes(scratch);
    EXPECT_EQ(std::count_if(work.begin(), work.end(), [&](const auto& item) { return !later.count(item.first); }), 0)
        << "of the live run's " << work.size() << " files and folders were removed";
    ASSERT_TRUE(killed.Running()) << "ended before it was killed";
    killed.Kill();
    ASSERT_EQ(killed.Exit(0), 99);
    EXPECT_FALSE(Sizes(scratch).empty()) << "nothing left to clean up";

    ASSERT_NO_FATAL_FAILURE(RunQuietly(exe.c_str(), data + L"\\" + c.small));
    EXPECT_EQ(Names(data), c.left);
  }
}

}  // namespace
}  // namespace e2e

// Keystroke to result: Tandrel with the real Cramlet.exe and Spillet.exe beside it, against the
// same Tandrel with bare tools beside it, from just before SendInput until the archive or the
// extracted folder exists under its final name.
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <string>

#include "bench.h"
#include "clock.h"
#include "folder_window.h"
#include "press.h"
#include "stats.h"
#include "table.h"

namespace {

constexpr std::size_t kFileBytes = 1 << 20;
constexpr int kWarmUpPairs = 1;
constexpr ULONGLONG kResultTimeoutMs = 10000;

// The real tools, the bare ones, and the bare ones that first set up the shell's look-up: the third
// tells the look-up's libraries and objects from the tools' own start-up.
constexpr int kKinds = 3;
const Subject kSubjects[kKinds] = {
    {L"Tandrel with Cramlet and Spillet", L"tools\\Tandrel.exe", L"Systray form", true},
    {L"Tandrel with bare tools", L"bare\\Tandrel.exe", L"Systray form", true},
    {L"Tandrel with bare tools that set up the look-up", L"shell\\Tandrel.exe", L"Systray form", true}};
const char* const kKindNames[kKinds] = {"Cramlet, Spillet", "bare", "bare, look-up set up"};

// What a press is for: the selected item and the result that must appear.
struct Job {
  WORD key;
  std::wstring selected;
  std::wstring result;
  std::wstring inside;  // the file in the result when it is a folder
};

// Lines of words and numbers, which deflate about as well as source text does.
bool WriteSample(const std::wstring& path) {
  static const char* const kWords[] = {"archive", "folder", "entry", "value", "return", "const", "struct", "index",
                                       "offset",  "length", "window", "shell", "thread", "error", "result", "data"};
  std::string text;
  unsigned state = 12345;
  for (int line = 0; text.size() < kFileBytes; ++line) {
    text += std::to_string(line) + ':';
    for (int word = 0; word < 8; ++word) {
      state = state * 1103515245u + 12345u;
      text += ' ';
      text += kWords[(state >> 16) % std::size(kWords)];
      if (word % 3 == 2) text += ' ' + std::to_string(state >> 20);
    }
    text += "\r\n";
  }
  text.resize(kFileBytes);
  const base::OwnedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return file && WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

// Runs a command line to its end; true when it exited with 0.
bool RunToEnd(std::wstring commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    return false;
  }
  CloseHandle(started.hThread);
  const base::OwnedHandle process(started.hProcess);
  DWORD code = 1;
  return WaitForSingleObject(process.get(), 30000) == WAIT_OBJECT_0 && GetExitCodeProcess(process.get(), &code) &&
         code == 0;
}

// Waits for the programs that parent started to end: the next press must not meet the last tool.
void WaitForChildren(DWORD parent) {
  const base::OwnedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ParentProcessID != parent) continue;
    if (const base::OwnedHandle child{OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID)}) {
      WaitForSingleObject(child.get(), 10000);
    }
  }
}

bool Remove(const Job& job) {
  if (job.inside.empty()) return DeleteFileW(job.result.c_str()) != FALSE;
  return DeleteFileW((job.result + L"\\" + job.inside).c_str()) && RemoveDirectoryW(job.result.c_str());
}

// Milliseconds from just before SendInput until the result exists; negative when it did not
// within 10 s or could not be removed again.
double PressFor(const FolderWindow& window, const std::wstring& folder, const Job& job, DWORD tandrel) {
  if (!window.Show(folder, job.selected)) return -1;
  const long long pressed = Ticks();
  SendCombination(job.key);
  const ULONGLONG deadline = GetTickCount64() + kResultTimeoutMs;
  while (GetFileAttributesW(job.result.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (GetTickCount64() > deadline) return -1;
    Sleep(1);
  }
  const double ms = MsSince(pressed);
  WaitForChildren(tandrel);
  return Remove(job) ? ms : -1;
}

// One start of Tandrel and a block of pairs of presses, each job in turn.
void PressBlock(Bench& bench, const Subject& subject, const FolderWindow& window, const std::wstring& folder,
                const Job (&jobs)[2], int pairs, std::vector<double> (&times)[2]) {
  const std::string name = Narrow(subject.label);
  Running program;
  if (!program.Start(bench.folder, subject)) {
    bench.Fail(name + ": " + Narrow(program.error()));
    return;
  }
  Sleep(500);
  for (int i = -kWarmUpPairs; i < pairs; ++i) {
    for (int j = 0; j < 2; ++j) {
      const double ms = PressFor(window, folder, jobs[j], program.pid());
      if (ms < 0) {
        bench.Fail(name + ": no " + Narrow(jobs[j].result) + " within 10 s of the hotkey, or it stayed");
        return;
      }
      if (i >= 0) times[j].push_back(ms);
    }
  }
  if (!program.Stop()) bench.Fail(name + " did not end on WM_CLOSE");
}

}  // namespace

void RunResult(Bench& bench) {
  const std::wstring folder = bench.folder + L"\\result-data";
  const std::wstring file = folder + L"\\data.bin";
  const std::wstring zip = folder + L"\\packed.zip";
  CreateDirectoryW(folder.c_str(), nullptr);
  DeleteFileW(zip.c_str());
  if (!WriteSample(file) ||
      !RunToEnd(L"\"" + bench.folder + L"\\tools\\Cramlet.exe\" -q -o \"" + zip + L"\" \"" + file + L"\"")) {
    bench.Fail("keystroke to result: the 1 MiB file or its zip could not be made");
    return;
  }
  const ShellStandIn standIn(bench.folder + L"\\shell_standin.dll");
  const FolderWindow window;
  if (!standIn.ok() || !window.get()) {
    bench.Fail("keystroke to result: the shell stand-in could not be set up");
    return;
  }
  const Job jobs[2] = {{'Z', file, folder + L"\\data.zip", {}}, {'U', zip, folder + L"\\packed", L"data.bin"}};
  const int block = std::min(bench.options.resultBlock, bench.options.resultPairs);
  const int blocks = (bench.options.resultPairs + block - 1) / block;
  std::vector<double> times[kKinds][2];
  for (int b = 0; b < blocks; ++b) {
    Progress("keystroke to result: block %d of %d", b + 1, blocks);
    const int pairs = std::min(block, bench.options.resultPairs - b * block);
    // The Tandrels cannot hold the same hotkeys at once: blocks take turns, each first in turn.
    for (int k = 0; k < kKinds; ++k) {
      const int kind = (b + k) % kKinds;
      PressBlock(bench, kSubjects[kind], window, folder, jobs, pairs, times[kind]);
    }
  }

  Say("## Keystroke to result\n\n");
  Say("From just before `SendInput` of Ctrl+Alt+Z, with a 1 MiB text file selected, or of Ctrl+Alt+U,"
      " with its zip selected, until the archive or the extracted folder exists under its final name"
      " (polled each millisecond). The selection is in a folder window in front, which the shell"
      " stand-in of the end-to-end suite (`tests/e2e/shell_standin.cpp`) shows to the tools. Tandrel"
      " runs from a folder with the real Cramlet.exe and Spillet.exe, and from one with bare tools"
      " (`bench/bare_tool.cpp`): started the same way, they read the selection where the stand-in"
      " keeps it, deflate the file with zlib (or inflate the zip's entry) into a scratch file (folder)"
      " and rename it into place. A third set of bare tools first does what the real tools' look-up of"
      " the selection sets out from: the window in front, COM in the multithreaded apartment, the"
      " shell's window list and its desktop folder, with ole32 and shell32 loaded. Each press waits"
      " for the tool to end, and the result is removed. The three take turns in blocks of %d pairs"
      " of presses, each on a fresh start of Tandrel after %d unrecorded pair.\n\n",
      block, kWarmUpPairs);
  Table table({"job", "tools", "presses", "median ms", "p95 ms", "min ms", "max ms"});
  const char* const kJobs[2] = {"zip 1 MiB file", "extract 1 MiB zip"};
  const char* const kMeasures[2] = {"keystroke to archive (1 MiB file), median",
                                    "keystroke to extracted folder (1 MiB zip), median"};
  Summary medians[2][kKinds];
  for (int j = 0; j < 2; ++j) {
    for (int k = 0; k < kKinds; ++k) {
      const Summary& s = medians[j][k] = Summarize(times[k][j]);
      table.Row({kJobs[j], kKindNames[k], std::to_string(s.count), Fixed(s.median, 1), Fixed(s.p95, 1),
                 Fixed(s.min, 1), Fixed(s.max, 1)});
    }
  }
  table.Print();
  for (int j = 0; j < 2; ++j) {
    const double t = medians[j][0].median;
    const double r = medians[j][1].median;
    const double s = medians[j][2].median;
    Say("%s: real / bare tools, median **%s** (target: at most 1.3); real / bare tools with the look-up"
        " set up, %s: of the %.1f ms the real tools take beyond the bare ones, %.1f ms are the look-up's"
        " set-up.\n\n",
        kJobs[j], Ratio(t, r).c_str(), Ratio(t, s).c_str(), t - r, s - r);
    const double ratio = Quotient(t, r);
    bench.summary.push_back({kMeasures[j], Fixed(t, 1) + " ms", Fixed(r, 1) + " ms (bare tool)", Ratio(t, r) + "x",
                             "at most 1.3x", ratio > 0 && ratio <= 1.3});
    // Under Wine any program that asks the shell pays for user32's start and COM's first: the
    // floor for a tool that must ask.
    const double shellRatio = Quotient(t, s);
    bench.summary.push_back({kMeasures[j], Fixed(t, 1) + " ms", Fixed(s, 1) + " ms (bare tool, look-up set up)",
                             Ratio(t, s) + "x", "at most 1.3x", shellRatio > 0 && shellRatio <= 1.3});
  }
}

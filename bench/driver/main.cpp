// The benchmark driver: runs under Wine beside Tandrel.exe, the reference programs, the tool
// doubles, the probe DLL and, in folders of their own, Tandrel with the real and the bare tools, and prints the results as Markdown on stdout.
#include <windows.h>

#include <cstdio>

#include "bench.h"
#include "desktop.h"

namespace {

std::wstring OwnFolder() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.rfind(L'\\'));
}

void SetText(HKEY root, const wchar_t* key, const wchar_t* name, const wchar_t* text) {
  HKEY opened = nullptr;
  if (RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr) != ERROR_SUCCESS) return;
  RegSetValueExW(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
  RegCloseKey(opened);
}

// A configured Tandrel starts silently; a crash must not wait for someone to close a dialog.
void PrepareRegistry() {
  SetText(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\Tandrel\\start", L"configured", L"1");
  HKEY debugger = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\WineDbg", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &debugger,
                      nullptr) == ERROR_SUCCESS) {
    const DWORD off = 0;
    RegSetValueExW(debugger, L"ShowCrashDialog", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&off), sizeof off);
    RegCloseKey(debugger);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Bench bench(Options::Parse(argc, argv), OwnFolder());
  PrepareRegistry();
  if (!HotkeysFree()) {
    std::fputs("bench: Ctrl+Alt+Z or Ctrl+Alt+U is already held: is Tandrel running in this prefix?\n", stderr);
    return 2;
  }
  bench.probeWorks = bench.probe.Works();

  const auto run = [&](const wchar_t* name, void (*phase)(Bench&)) {
    if (bench.options.phase.empty() || bench.options.phase == name) phase(bench);
  };
  run(L"startup", RunStartup);
  run(L"latency", RunLatency);
  run(L"result", RunResult);
  run(L"resident", RunResident);
  run(L"size", RunSize);

  if (!bench.failures.empty()) {
    Say("## Failures\n\n");
    for (const std::string& failure : bench.failures) Say("- %s\n", failure.c_str());
    Say("\n");
  }
  PrintResults(bench.summary);
  return bench.failures.empty() ? 0 : 1;
}

#include "unix_proc.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "base/handles.h"

namespace unixproc {
namespace {

// /proc files report no size: read until the end.
std::string Slurp(const std::wstring& path) {
  const base::OwnedHandle file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  std::string text;
  if (!file) return text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  return text;
}

std::wstring ProcPath(int pid, const wchar_t* rest) { return L"Z:\\proc\\" + std::to_wstring(pid) + rest; }

unsigned long long Field(const std::string& text, const char* name) {
  const std::size_t at = text.find(name);
  if (at == std::string::npos) return 0;
  return std::strtoull(text.c_str() + at + std::strlen(name), nullptr, 10);
}

std::string Narrow(const std::wstring& wide) {
  return std::string(wide.begin(), wide.end());  // the names here are ASCII
}

std::string OwnPrefix() {
  wchar_t prefix[1024];
  const DWORD length = GetEnvironmentVariableW(L"WINEPREFIX", prefix, 1024);
  return length > 0 && length < 1024 ? "WINEPREFIX=" + Narrow(prefix) : std::string();
}

}  // namespace

int FindPid(const std::wstring& file) {
  const std::string name = Narrow(file).substr(0, 15) + "\n";  // the kernel keeps 15 characters
  const std::string prefix = OwnPrefix();
  int found = 0;
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &entry);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    const int pid = _wtoi(entry.cFileName);
    if (pid <= 0 || Slurp(ProcPath(pid, L"\\comm")) != name) continue;
    const std::string environment = Slurp(ProcPath(pid, L"\\environ"));
    if (!prefix.empty() && environment.find(prefix + '\0') == std::string::npos) continue;
    if (found != 0) {
      found = -1;
      break;
    }
    found = pid;
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return found > 0 ? found : 0;
}

Cpu ReadCpu(int pid) {
  Cpu cpu;
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW(ProcPath(pid, L"\\task\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return cpu;
  do {
    const int tid = _wtoi(entry.cFileName);
    if (tid <= 0) continue;
    const std::wstring task = L"\\task\\" + std::to_wstring(tid);
    cpu.cpuNs += std::strtoull(Slurp(ProcPath(pid, (task + L"\\schedstat").c_str())).c_str(), nullptr, 10);
    const std::string status = Slurp(ProcPath(pid, (task + L"\\status").c_str()));
    cpu.voluntary += Field(status, "\nvoluntary_ctxt_switches:");
    cpu.involuntary += Field(status, "\nnonvoluntary_ctxt_switches:");
    ++cpu.threads;
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return cpu;
}

long long StatusKiB(int pid, const char* field) {
  const std::string status = Slurp(ProcPath(pid, L"\\status"));
  const std::string key = std::string("\n") + field + ":";
  if (status.find(key) == std::string::npos) return -1;
  return static_cast<long long>(Field(status, key.c_str()));
}

}  // namespace unixproc

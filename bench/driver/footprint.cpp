#include "footprint.h"

#include <psapi.h>
#include <winternl.h>

#include <vector>

#include "desktop.h"
#include "unix_proc.h"

namespace {

constexpr ULONG kSystemHandleInformation = 16;
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

struct HandleEntry {
  ULONG pid;
  BYTE type;
  BYTE flags;
  USHORT handle;
  void* object;
  ACCESS_MASK access;
};

using QuerySystemInformation = NTSTATUS(NTAPI*)(ULONG, void*, ULONG, ULONG*);

long HandlesOf(DWORD pid) {
  const auto query = reinterpret_cast<QuerySystemInformation>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return -1;
  std::vector<BYTE> buffer(256 * 1024);
  NTSTATUS status;
  ULONG needed = 0;
  while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
         kInfoLengthMismatch) {
    buffer.resize(buffer.size() * 2);
  }
  if (status != 0) return -1;
  const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
  const auto* entries = reinterpret_cast<const HandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
  long mine = 0;
  for (ULONG i = 0; i < count; ++i) mine += entries[i].pid == pid;
  return mine;
}

// Wine leaves PrivateUsage at zero: PagefileUsage is the same figure on Windows.
void ReadMemory(HANDLE process, long long& privateKiB, long long& workingSetKiB) {
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) return;
  privateKiB = static_cast<long long>(memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage) / 1024;
  workingSetKiB = static_cast<long long>(memory.WorkingSetSize) / 1024;
}

}  // namespace

const std::array<const char*, 15> kGdiTypeNames = {
    "",       "pens",         "brushes",   "DCs",       "metafile DCs",          "palettes",
    "fonts",  "bitmaps",      "regions",   "metafiles", "memory DCs",            "extended pens",
    "enhanced metafile DCs", "enhanced metafiles", "colour spaces"};

Footprint Measure(const Running& program, int unixPid, const Probe& probe) {
  Footprint footprint;
  ReadMemory(program.process(), footprint.privateKiB, footprint.workingSetKiB);
  footprint.handles = HandlesOf(program.pid());
  footprint.windows = static_cast<long>(WindowsOf(program.pid()).size());
  if (unixPid > 0) {
    footprint.rssKiB = unixproc::StatusKiB(unixPid, "VmRSS");
    footprint.rssAnonKiB = unixproc::StatusKiB(unixPid, "RssAnon");
    footprint.dataKiB = unixproc::StatusKiB(unixPid, "VmData");
  }
  // Last: the probe's visit leaves traces of its own (a thread came and went).
  footprint.gdi = probe.Count(program.process(), ObjectKind::Gdi);
  for (DWORD type = 1; type < footprint.gdiByType.size(); ++type) {
    footprint.gdiByType[type] = probe.CountGdiOfType(program.process(), type);
  }
  const long others = probe.Count(program.process(), ObjectKind::UserNonWindow);
  if (others >= 0) footprint.user = footprint.windows + others;
  long long workingSetKiB = 0;
  ReadMemory(program.process(), footprint.privateAfterProbeKiB, workingSetKiB);
  return footprint;
}

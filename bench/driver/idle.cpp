#include "idle.h"

#include "clock.h"
#include "unix_proc.h"

namespace {

double ProcessCpuMs(HANDLE process) {
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) return -1;
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;  // 100 ns units
}

}  // namespace

IdleCost MeasureIdle(const Running& program, int unixPid, int seconds) {
  IdleCost cost;
  const unixproc::Cpu before = unixproc::ReadCpu(unixPid);
  const double windowsBefore = ProcessCpuMs(program.process());
  const long long start = Ticks();
  Sleep(static_cast<DWORD>(seconds) * 1000);
  const unixproc::Cpu after = unixproc::ReadCpu(unixPid);
  const double windowsAfter = ProcessCpuMs(program.process());
  cost.seconds = MsSince(start) / 1000.0;
  if (unixPid > 0 && before.threads > 0) {
    cost.cpuMs = static_cast<double>(after.cpuNs - before.cpuNs) / 1e6;
    cost.wakeups = static_cast<long long>(after.voluntary - before.voluntary);
    cost.preempted = static_cast<long long>(after.involuntary - before.involuntary);
    cost.threads = after.threads;
  }
  if (windowsBefore >= 0 && windowsAfter >= 0) cost.windowsCpuMs = windowsAfter - windowsBefore;
  return cost;
}

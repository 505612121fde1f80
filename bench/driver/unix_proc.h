#pragma once
// The Linux process behind a Wine process, read from /proc through Wine's Z: drive.
#include <string>

namespace unixproc {

// The Linux pid of the only process of this Wine prefix whose name is file ("Tandrel.exe");
// 0 when there is none or more than one.
int FindPid(const std::wstring& file);

struct Cpu {
  unsigned long long cpuNs = 0;        // time on a CPU, all threads
  unsigned long long voluntary = 0;    // times a thread went to sleep and was woken
  unsigned long long involuntary = 0;  // times a thread was preempted
  int threads = 0;
};
Cpu ReadCpu(int pid);

// A "Name: value kB" field of /proc/<pid>/status, in KiB; -1 when absent.
long long StatusKiB(int pid, const char* field);

}  // namespace unixproc

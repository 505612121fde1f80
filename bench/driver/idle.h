#pragma once
// What a resident program costs while nobody uses it.
#include "subject.h"

struct IdleCost {
  double seconds = 0;
  double cpuMs = -1;         // Linux: time on a CPU, all threads
  long long wakeups = -1;    // Linux: voluntary context switches, all threads
  long long preempted = -1;  // Linux: involuntary context switches
  double windowsCpuMs = -1;  // GetProcessTimes, kernel + user
  int threads = 0;
};

// Watches the program for seconds while the driver itself only sleeps.
IdleCost MeasureIdle(const Running& program, int unixPid, int seconds);

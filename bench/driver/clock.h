#pragma once
// QueryPerformanceCounter: under Wine one clock for every process of the prefix.
#include <windows.h>

inline long long Ticks() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

inline double TicksToMs(long long ticks) {
  static const long long frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency);
}

inline double MsSince(long long start) { return TicksToMs(Ticks() - start); }

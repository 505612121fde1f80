#pragma once
// What a running program holds: memory, handles, GDI and USER objects.
#include <array>

#include "inject.h"
#include "subject.h"

struct Footprint {
  // GetProcessMemoryInfo. Wine leaves PrivateUsage at zero; its PagefileUsage, the same
  // figure on Windows ("commit charge"), is the Linux process's anonymous resident memory.
  long long privateKiB = -1;
  long long workingSetKiB = -1;
  // GetProcessHandleCount reports zero under Wine: the handles are counted in the
  // system-wide handle table instead (NtQuerySystemInformation).
  long handles = -1;
  // GetGuiResources is not implemented in Wine: counted inside the process by the probe.
  long gdi = -1;
  std::array<long, 15> gdiByType{};  // by OBJ_ type (1 to 14): which objects they are
  long user = -1;     // windows + menus + icons and cursors
  long windows = -1;  // top-level and child windows
  // The Linux process behind it.
  long long rssKiB = -1;
  long long rssAnonKiB = -1;
  long long dataKiB = -1;
  // Private bytes again once the probe has been: its first visit leaves its thread's
  // memory behind, which every later figure includes.
  long long privateAfterProbeKiB = -1;
};

// What the OBJ_ type numbers name, in the plural; index 0 is no type.
extern const std::array<const char*, 15> kGdiTypeNames;

Footprint Measure(const Running& program, int unixPid, const Probe& probe);

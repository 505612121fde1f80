#pragma once
// Each program's first step. Run from a downloads folder, a program must not load a DLL planted
// beside it, and a corrupted heap must end it rather than be used. The calls came with later
// systems: each is taken when there.
#include <windows.h>

namespace base {

inline void Harden() {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (const auto setDefault = reinterpret_cast<BOOL(WINAPI*)(DWORD)>(
          reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))) {
    setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  HeapSetInformation(/* heap= */ nullptr, HeapEnableTerminationOnCorruption, /* info= */ nullptr, 0);
#ifndef _WIN64  // a 64-bit process always has DEP
  if (const auto setDep = reinterpret_cast<BOOL(WINAPI*)(DWORD)>(
          reinterpret_cast<void*>(GetProcAddress(kernel, "SetProcessDEPPolicy")))) {
    setDep(PROCESS_DEP_ENABLE);
  }
#endif
}

}  // namespace base

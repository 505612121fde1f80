#include "inject.h"

#include "base/handles.h"

namespace {

// Runs routine(argument) on a new thread of process; its exit code, or -1.
long long RunRemote(HANDLE process, const void* routine, const void* argument) {
  const base::OwnedHandle thread(CreateRemoteThread(process, nullptr, 0,
                                        reinterpret_cast<LPTHREAD_START_ROUTINE>(const_cast<void*>(routine)),
                                        const_cast<void*>(argument), 0, nullptr));
  if (!thread || WaitForSingleObject(thread.get(), 10000) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  return GetExitCodeThread(thread.get(), &code) ? static_cast<long long>(code) : -1;
}

constexpr DWORD kGdiTypeKind = 0x100;  // the probe's kind for one type of GDI object

const void* Kernel32(const char* name) {
  return reinterpret_cast<const void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name));
}

}  // namespace

Probe::Probe(std::wstring dllPath) : dllPath_(std::move(dllPath)) {
  // Where the counter sits inside the DLL is the same in every process that loads it.
  if (const HMODULE local = LoadLibraryW(dllPath_.c_str())) {
    if (const FARPROC counter = GetProcAddress(local, "CountObjects")) {
      counterOffset_ = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(counter) - reinterpret_cast<ULONG_PTR>(local));
    }
  }
}

long Probe::Count(HANDLE process, ObjectKind kind) const { return Run(process, static_cast<DWORD>(kind)); }

long Probe::CountGdiOfType(HANDLE process, DWORD type) const { return Run(process, kGdiTypeKind | type); }

long Probe::Run(HANDLE process, DWORD argument) const {
  if (counterOffset_ == 0) return -1;
  const SIZE_T bytes = (dllPath_.size() + 1) * sizeof(wchar_t);
  void* remotePath = VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (remotePath == nullptr) return -1;
  long count = -1;
  // kernel32 sits at the same address in every process, so its LoadLibraryW does too.
  if (WriteProcessMemory(process, remotePath, dllPath_.c_str(), bytes, nullptr)) {
    const long long base = RunRemote(process, Kernel32("LoadLibraryW"), remotePath);
    if (base > 0) {
      const auto counter = reinterpret_cast<const void*>(static_cast<ULONG_PTR>(base) + counterOffset_);
      count =
          static_cast<long>(RunRemote(process, counter, reinterpret_cast<const void*>(static_cast<ULONG_PTR>(argument))));
      RunRemote(process, Kernel32("FreeLibrary"), reinterpret_cast<const void*>(static_cast<ULONG_PTR>(base)));
    }
  }
  VirtualFreeEx(process, remotePath, 0, MEM_RELEASE);
  return count;
}

bool Probe::Works() const {
  const long before = Count(GetCurrentProcess(), ObjectKind::Gdi);
  const HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  const long after = Count(GetCurrentProcess(), ObjectKind::Gdi);
  DeleteObject(brush);
  return before > 0 && after == before + 1;
}

// Loaded into a program under test by the benchmark driver, to count from the inside what
// Wine's GetGuiResources does not report. Wine-specific: Wine accepts a GDI or USER handle
// whose upper word is zero as "whatever object is in this slot", so a scan of the slots finds
// every live object the process owns.
#include <windows.h>

namespace {

constexpr UINT kGdiSlots = 0x10000;
constexpr DWORD kGdiTypeKind = 0x100;
constexpr UINT kFirstUserHandle = 0x0020;  // USER handles step by two from here
constexpr UINT kLastUserHandle = 0xffef;

using GetIconSize = BOOL(WINAPI*)(HICON, UINT, LONG*, LONG*);

}  // namespace

// kind 0: GDI objects; kind 1: menus, icons and cursors (windows are counted from outside);
// kind 0x100 + an OBJ_ type: the GDI objects of that type, to tell which ones a program holds.
extern "C" __declspec(dllexport) DWORD WINAPI CountObjects(void* kind) {
  DWORD count = 0;
  const auto asked = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(kind));
  if (asked != 1) {
    for (UINT slot = 0; slot < kGdiSlots; ++slot) {
      const DWORD type = GetObjectType(reinterpret_cast<HGDIOBJ>(static_cast<ULONG_PTR>(slot)));
      if (type != 0 && (asked == 0 || asked == (kGdiTypeKind | type))) ++count;
    }
    return count;
  }
  const auto iconSize = reinterpret_cast<GetIconSize>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"win32u.dll"), "NtUserGetIconSize")));
  for (UINT slot = kFirstUserHandle; slot <= kLastUserHandle; slot += 2) {
    const auto handle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(slot));
    LONG width = 0;
    LONG height = 0;
    if (IsMenu(static_cast<HMENU>(handle))) {
      ++count;
    } else if (iconSize != nullptr && iconSize(static_cast<HICON>(handle), 0, &width, &height)) {
      ++count;
    }
  }
  return count;
}

// The DLL is built without the C runtime, so it leaves nothing behind in the process it visits.
extern "C" BOOL WINAPI ProbeEntry(HINSTANCE, DWORD, void*) { return TRUE; }

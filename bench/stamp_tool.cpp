// Stands in for the hotkey tools: notes the time it got control, then ends.
// Built without the C runtime so that its entry point is the first code the process runs:
// it takes QueryPerformanceCounter, appends "<counter> <process id>" to stamps.txt beside
// itself, and signals the benchmark driver's event when one exists.
#include <windows.h>

namespace {

// Digits of value, written backwards from end; returns where they start.
char* Digits(unsigned long long value, char* end) {
  do {
    *--end = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  return end;
}

}  // namespace

extern "C" void __stdcall StampEntry() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);

  wchar_t path[MAX_PATH + 16];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  while (length > 0 && path[length - 1] != L'\\') --length;
  const wchar_t name[] = L"stamps.txt";
  for (DWORD i = 0; i < sizeof name / sizeof name[0]; ++i) path[length + i] = name[i];

  char line[48];
  char* end = line + sizeof line;
  *--end = '\n';
  end = Digits(GetCurrentProcessId(), end);
  *--end = ' ';
  const char* start = Digits(static_cast<unsigned long long>(now.QuadPart), end);

  // One write of a whole line on an append-only handle: concurrent tools cannot interleave.
  const HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, start, static_cast<DWORD>(line + sizeof line - start), &written, nullptr);
    CloseHandle(file);
  }
  const HANDLE stamped = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"TandrelBenchStamped");
  if (stamped != nullptr) {
    SetEvent(stamped);
    CloseHandle(stamped);
  }
  ExitProcess(0);
}

#include <cstdarg>
#include <cwchar>

#include "bench.h"
#include "clock.h"

Options Options::Parse(int argc, wchar_t** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    if (std::wcscmp(argv[i], L"--quick") == 0) options.quick = true;
    if (std::wcscmp(argv[i], L"--phase") == 0 && i + 1 < argc) options.phase = argv[++i];
  }
  if (options.quick) {
    options.startRounds = 4;
    options.pressesEach = 10;
    options.pressBlock = 5;
    options.idleSeconds = 5;
    options.leakPresses = 20;
    options.windowCycles = 5;
    options.resultPairs = 4;
    options.resultBlock = 2;
  }
  return options;
}

void Progress(const char* format, ...) {
  static const long long start = Ticks();
  std::fprintf(stderr, "[%6.1f s] ", MsSince(start) / 1000);
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(stderr, format, arguments);
  va_end(arguments);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (const wchar_t c : text) narrow += c < 128 ? static_cast<char>(c) : '?';
  return narrow;
}

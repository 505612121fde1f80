#include "tools/win32/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include <string_view>

#include "base/text.h"
#include "engine/sys/os.h"

namespace tools::win32 {

using namespace base;

CommandLine ParseCommandLine(const wchar_t* destinationOption) {
  CommandLine line;
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!arguments) return line;
  bool options = true;
  for (int i = 1; i < count; ++i) {
    const std::wstring_view argument(arguments[i]);
    if (options && argument == L"--") {
      options = false;
    } else if (options && argument == L"-q") {
      line.quiet = true;
    } else if (options && argument == destinationOption) {
      if (i + 1 == count) {
        line.error = "The option " + Utf8(argument) + " needs a path after it.";
        break;
      }
      line.to = zip::os::Absolute(arguments[++i]);  // "notes." stays itself
    } else if (options && argument.size() > 1 && argument[0] == L'-') {
      line.error = "Unknown option: " + Utf8(argument) + ".";
      break;
    } else {
      line.paths.push_back(zip::os::Absolute(arguments[i]));
    }
  }
  LocalFree(arguments);
  return line;
}

}  // namespace tools::win32

#include "tools/win32/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include <string_view>

#include "platform/win32/text.h"

namespace tools::win32 {

using namespace platform::win32;
namespace fs = std::filesystem;
namespace {

fs::path Absolute(const wchar_t* argument) {
  std::error_code ignored;
  fs::path path = fs::absolute(argument, ignored).lexically_normal();
  if (!path.has_filename() && path.has_relative_path()) path = path.parent_path();  // "C:\Photos\"
  return path;
}

}  // namespace

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
      line.to = Absolute(arguments[++i]);
    } else if (options && argument.size() > 1 && argument[0] == L'-') {
      line.error = "Unknown option: " + Utf8(argument) + ".";
      break;
    } else {
      line.paths.push_back(Absolute(arguments[i]));
    }
  }
  LocalFree(arguments);
  return line;
}

}  // namespace tools::win32

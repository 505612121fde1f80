#pragma once
// What a tool tells the user: a message box captioned with its name, or, with -q, one line on
// standard error and nothing on the screen.
#include <string_view>

namespace tools::win32 {

enum class Tone { Failure, Warning, Notice };

void Tell(std::wstring_view tool, std::string_view text, Tone tone, bool quiet);

}  // namespace tools::win32

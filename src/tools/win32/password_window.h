#pragma once
// A small window of its own asking for an archive's password: the archive's name, a note (a wrong
// password, the entries still locked), a masked edit with a "Show password" box, OK and Cancel.
#include <optional>
#include <string>
#include <string_view>

namespace tools::win32 {

// The password as UTF-8; nullopt when cancelled.
std::optional<std::string> AskPassword(std::wstring_view title, std::wstring_view archive, const std::string& note);

}  // namespace tools::win32

#pragma once
// A small window of its own asking for an archive's password: the archive's name, a masked edit
// with a "Show password" box, OK and Cancel; after a wrong password it says so.
#include <optional>
#include <string>
#include <string_view>

namespace tools::win32 {

// The password as UTF-8; nullopt when cancelled.
std::optional<std::string> AskPassword(std::wstring_view title, std::wstring_view archive, bool wrong);

}  // namespace tools::win32

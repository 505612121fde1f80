#pragma once
// Entry names are UTF-8 with "/" between segments; the system's paths are whatever it uses.
#include <filesystem>
#include <string>
#include <string_view>

namespace zip {

inline std::filesystem::path Utf8Path(std::string_view name) {
  return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

// The path as UTF-8 with the system's separators, and as an entry name with "/". What UTF-8
// cannot hold (half a surrogate pair on Windows, bytes that are not UTF-8 elsewhere) becomes
// U+FFFD: a name is never a reason to fail. Each system's seam has its own.
std::string Utf8Text(const std::filesystem::path& path);
std::string Utf8Name(const std::filesystem::path& path);

}  // namespace zip

#pragma once
// Entry names are UTF-8 with "/" between segments; the system's paths are whatever it uses.
#include <filesystem>
#include <string>
#include <string_view>

namespace zip {

inline std::filesystem::path Utf8Path(std::string_view name) {
  return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

inline std::string Utf8Name(const std::filesystem::path& path) {
  const std::u8string name = path.generic_u8string();
  return {name.begin(), name.end()};
}

}  // namespace zip

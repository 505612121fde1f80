#pragma once
#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace sim {

// Windows compares key, value and file names without regard to case.
inline std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

}  // namespace sim

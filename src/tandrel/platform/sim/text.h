#pragma once
#include <algorithm>
#include <cctype>
#include <cstdint>
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

// The code point at the start of UTF-8 text, and how many bytes it takes; U+FFFD for a misfit.
inline char32_t FirstCodePoint(std::string_view text, std::size_t* length = nullptr) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  std::size_t size = 1;
  char32_t code = 0xFFFD;
  if (!text.empty()) {
    const unsigned char first = byte(0);
    size = first < 0x80 ? 1 : (first & 0xE0) == 0xC0 ? 2 : (first & 0xF0) == 0xE0 ? 3 : (first & 0xF8) == 0xF0 ? 4 : 1;
    if (size > text.size()) size = 1;
    if (size == 1) {
      code = first < 0x80 ? first : 0xFFFD;
    } else {
      code = first & (0x7F >> size);
      for (std::size_t i = 1; i < size; ++i) code = (code << 6) | (byte(i) & 0x3F);
    }
  }
  if (length) *length = size;
  return code;
}

// What the system counts for a text value: UTF-16 units and the terminating NUL, in bytes.
inline std::uint32_t Utf16Bytes(std::string_view text) {
  std::uint32_t units = 1;
  while (!text.empty()) {
    std::size_t length = 0;
    units += FirstCodePoint(text, &length) > 0xFFFF ? 2 : 1;
    text.remove_prefix(length);
  }
  return units * 2;
}

}  // namespace sim

#include "engine/names/safe_name.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "engine/names/text.h"

namespace zip {
namespace {

bool IsSlash(char c) { return c == '/' || c == '\\'; }

// Windows drops trailing dots and blanks, so "..", ".. " and "..." all climb.
bool Climbs(std::string_view segment) {
  return segment.size() >= 2 && segment.substr(0, 2) == ".." &&
         segment.find_first_not_of(". ", 2) == std::string_view::npos;
}

bool IsDeviceName(std::string_view segment) {
  std::string_view base = segment.substr(0, segment.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  const std::string upper = FoldCase(base);
  static constexpr std::array<std::string_view, 6> kPlain = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const std::string_view device : kPlain) {
    if (upper == device) return true;
  }
  if (upper.size() < 4 || (upper.substr(0, 3) != "COM" && upper.substr(0, 3) != "LPT")) return false;
  const std::string_view number = std::string_view(upper).substr(3);
  // Windows reserves port 0 as well, and counts the superscript digits as port numbers too.
  return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\u00B9" ||
         number == "\u00B2" || number == "\u00B3";
}

constexpr std::size_t kMostUnits = 255;  // UTF-16 units in one name, on every Windows file system

std::size_t Units(std::string_view utf8) {
  std::size_t units = 0;
  for (std::size_t at = 0; at < utf8.size();) units += NextCodePoint(utf8, at) > 0xFFFF ? 2 : 1;
  return units;
}

// The name cut to fit, its extension kept when there is room: "long…name.txt" keeps ".txt".
std::string Fit(std::string_view name, std::size_t units) {
  if (Units(name) <= units) return std::string(name);
  const std::size_t dot = name.rfind('.');
  std::string_view extension = dot == std::string_view::npos || dot == 0 ? std::string_view() : name.substr(dot);
  if (Units(extension) * 2 > units) extension = {};
  const std::string_view stem = name.substr(0, name.size() - extension.size());
  std::string cut;
  std::size_t used = Units(extension);
  for (std::size_t at = 0; at < stem.size();) {
    const std::size_t start = at;
    const std::size_t width = NextCodePoint(stem, at) > 0xFFFF ? 2 : 1;
    if (used + width > units) break;
    used += width;
    cut.append(stem.substr(start, at - start));
  }
  return cut + std::string(extension);
}

}  // namespace

bool SplitInside(std::string_view name, std::vector<std::string>& segments) {
  segments.clear();
  if (!name.empty() && IsSlash(name[0])) return false;  // rooted, or UNC
  if (name.size() >= 2 && name[1] == ':' && ((name[0] | 0x20) >= 'a' && (name[0] | 0x20) <= 'z')) return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !IsSlash(name[end])) ++end;
    const std::string_view segment = name.substr(start, end - start);
    if (Climbs(segment)) return false;
    if (!segment.empty() && segment != ".") segments.emplace_back(segment);
    start = end + 1;
  }
  return true;
}

std::string SafeSegment(std::string_view segment) {
  std::string safe(segment);
  for (char& c : safe) {
    if (static_cast<std::uint8_t>(c) < 0x20 || std::string_view("<>:\"|?*").find(c) != std::string_view::npos) c = '_';
  }
  if (IsDeviceName(safe)) safe = "_" + safe;
  safe = Fit(safe, kMostUnits);
  for (auto it = safe.rbegin(); it != safe.rend() && (*it == '.' || *it == ' '); ++it) *it = '_';
  return safe;
}

std::string NumberedSegment(std::string_view segment, unsigned number, bool folder) {
  const std::string suffix = " (" + std::to_string(number) + ")";
  const std::size_t dot = segment.rfind('.');
  const std::size_t stemEnd = folder || dot == std::string_view::npos || dot == 0 ? segment.size() : dot;
  const std::string_view extension = segment.substr(stemEnd);
  // The number must show, so the name before it gives way.
  const std::string stem = Fit(segment.substr(0, stemEnd), kMostUnits - suffix.size() - std::min(Units(extension), kMostUnits / 2));
  return stem + suffix + Fit(extension, kMostUnits / 2);
}

}  // namespace zip

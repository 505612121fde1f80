#include "draw.h"

#include <algorithm>
#include <array>

namespace differential {
namespace {

// Plain, nested and odd names; "dup" and "DUP" meet once case is folded. Non-ASCII names are
// UTF-8 here: a name that is not UTF-8 by any sign is CP437 or Latin-1 to the engine and the
// locale's charset to libarchive, a difference of decoding and not of extracting, so it is left out.
constexpr std::array<std::string_view, 40> kNames = {
    "a.txt", "b", "docs/readme.md", "x/y/z.bin", "dir/", "d/e/", "dup", "DUP", "README.TXT", "Readme.txt",
    "", "/", "./x", "a//b", "a\\b", "x/./y", "name.", "trail ", "dots...", "\xC3\xA9t\xC3\xA9.txt",
    "\xE6\x97\xA5\xE6\x9C\xAC/\xCE\xA9", "CON", "aux.txt", "a:b", "q?*", "./", ".", "x//", "\\", "a/b\\c/",
    "../up", "x/../../up", "/abs", "C:/drive", "..\\up", "c:rel", "a/.../b", "a/b/..", "x/y/z.bin", "sp /x"};

}  // namespace

std::string Name(Draw& draw) {
  if (!draw.OneIn(6)) return std::string(kNames[draw.Below(kNames.size())]);
  std::string name = draw.Bytes(6);  // ASCII without NUL, which libarchive's C strings end at
  for (char& c : name) c = static_cast<char>(1 + static_cast<std::uint8_t>(c) % 127);
  return name;
}

std::string Content(Draw& draw) {
  switch (draw.Below(3)) {
    case 0: return draw.Bytes(24);
    case 1: {
      // One draw after the other: the order in which a call's arguments are worked out is the
      // compiler's, and g++ and clang differ, so a seed would make other data in the replay.
      const unsigned length = draw.Below(200);
      return std::string(length, static_cast<char>('a' + draw.Below(26)));
    }
    default: {
      const std::string unit = draw.Bytes(8);
      std::string out;
      for (unsigned n = draw.Below(40); n > 0; --n) out += unit;
      return out;
    }
  }
}

bool IsSlash(char c) { return c == '/' || c == '\\'; }

bool LeavesTarget(std::string_view name) {
  if (!name.empty() && IsSlash(name[0])) return true;
  if (name.size() >= 2 && name[1] == ':' && ((name[0] | 0x20) >= 'a' && (name[0] | 0x20) <= 'z')) return true;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !IsSlash(name[end])) ++end;
    const std::string_view segment = name.substr(start, end - start);
    if (segment.size() >= 2 && segment.substr(0, 2) == ".." && segment.find_first_not_of(". ") == std::string_view::npos) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

std::string Lands(std::string_view name) {
  std::string path;
  std::size_t start = 0;
  while (start <= name.size()) {
    const std::size_t end = std::min(name.find_first_of("/\\", start), name.size());
    const std::string_view segment = name.substr(start, end - start);
    if (!segment.empty() && segment != ".") path += (path.empty() ? "" : "/") + std::string(segment);
    start = end + 1;
  }
  return path;
}

}  // namespace differential

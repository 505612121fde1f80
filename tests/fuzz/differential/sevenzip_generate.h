#pragma once
// A 7z archive written by libarchive's 7z writer from fuzz bytes: files, folders and empty files
// under plain, odd and hostile names, in one of the writer's methods; then, as drawn, bytes
// flipped or the archive cut short, with those bends named.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace differential {

enum SevenZipBend : unsigned {
  kSevenTraversal = 1U << 0,  // a name rooted or climbing out
  kSevenFlipped = 1U << 1,    // a byte flipped somewhere
  kSevenCut = 1U << 2,        // the archive cut short
  // Not a fault, but what some readers do not follow.
  kSevenEmptyName = 1U << 3,  // an entry of no name
};

struct SevenZipGenerated {
  std::string archive;  // empty when the writer failed
  std::string method;   // the writer's name for it
  unsigned made = 0;
  std::string bends;  // where: "bit 3 of byte 20", "cut to 120 bytes"
  std::vector<std::string> contents;  // the true data of every entry that lands as a file
};

SevenZipGenerated GenerateSevenZip(const std::uint8_t* data, std::size_t size);

std::string SevenZipBendNames(unsigned made);

}  // namespace differential

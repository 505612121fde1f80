#pragma once
// A tar (ustar, pax or GNU), plain or compressed (gzip, xz, bzip2, zstd, lzma) in members cut
// where the fuzz bytes say, or a lone compressed file, made from fuzz bytes so that most are valid
// or nearly so, with their bends named.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "libarchive_read.h"

namespace differential {

// What the generator did to the archive, so that a refusal can be held against its cause.
enum TarBend : unsigned {
  kTarTraversal = 1U << 0,   // a name rooted or climbing out
  kTarChecksum = 1U << 1,    // a header's checksum that does not match
  kTarNumber = 1U << 2,      // a size or time that is no number
  kTarSize = 1U << 3,        // a file's size that lies about its data
  kTarTruncated = 1U << 4,   // the tar cut short
  kTarPax = 1U << 5,         // a pax record whose length does not hold
  kGzipTruncated = 1U << 6,  // the gzip file cut short
  kGzipCrc = 1U << 7,        // a member's CRC-32 or length that does not match its data
  kGzipHeaderCrc = 1U << 8,  // a member's header CRC that does not match the header
  kGzipTrailer = 1U << 9,    // bytes after the last member that begin as a member does
  // Not faults, but what some readers do not follow.
  kLoneEmpty = 1U << 10,     // a lone compressed file of no bytes
  kTarAfterEnd = 1U << 11,   // bytes after the end blocks, or after the last entry where they are left out
  kPackPadding = 1U << 15,   // zeros after the last xz, bzip2, zstd or lzma member, not as xz pads
  // Bends of the xz, bzip2, zstd and lzma files.
  kPackTruncated = 1U << 12,  // the file cut short
  kPackCheck = 1U << 13,      // a byte flipped that a member's check guards
  kPackTrailer = 1U << 14,    // bytes after the last member that begin as a member does
};

struct TarGenerated {
  std::string archive;
  Reader reader = Reader::Tar;  // Gzip, Xz, Bzip2, Zstd, Lzma: a lone compressed file
  unsigned made = 0;
  const char* packer = "none";  // what compressed it: "gzip", "xz"…
  std::vector<std::string> contents;  // the true data of every entry that lands as a file
};

TarGenerated GenerateTar(const std::uint8_t* data, std::size_t size);

std::string TarBendNames(unsigned made);

}  // namespace differential

#pragma once
// GNU tar's sparse files, as GNU tar and bsdtar write them: the map of where the data lies, from
// the old GNU header and its extension blocks, from pax records (versions 0.0 and 0.1) or from
// the start of the entry's data (1.0). A map out of order, overlapping, past the file's size or
// not matching the data stored is damage.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/entry.h"
#include "engine/codec/stream.h"
#include "engine/tar/header.h"

namespace zip {

// The stretches one archive may map in all: a map is held whole until extraction.
inline constexpr std::size_t kMostExtents = std::size_t{1} << 20;

// An entry's "GNU.sparse." pax records.
struct SparsePax {
  std::optional<std::string> name;
  std::optional<std::uint64_t> realSize;  // GNU.sparse.realsize, or GNU.sparse.size before 1.0
  std::optional<std::uint64_t> major, minor;
  std::optional<std::string> map;      // 0.1: "offset,size,offset,size..."
  std::vector<std::uint64_t> pairs;    // 0.0: each GNU.sparse.offset and GNU.sparse.numbytes in turn
  bool numbered = false;               // GNU.sparse.numblocks given
  bool Sparse() const { return major || minor || map || numbered || !pairs.empty(); }
};

// One record whose key starts "GNU.sparse."; Damaged when a number is none.
Error ReadSparseRecord(std::string_view key, std::string_view value, SparsePax& sparse);

// Each reads the map of an entry whose data takes `stored` bytes of the stream (its padding
// aside), sets the entry's size, extents and dataOffset, and tells how many of the stored
// bytes it read (1.0's map). `budget` is what is left of kMostExtents.
Error ReadOldGnuSparse(std::span<const std::uint8_t> header, Stream& stream, std::uint64_t stored, Entry& entry,
                       std::size_t& budget);
Error ReadPaxSparse(const SparsePax& sparse, Stream& stream, std::uint64_t stored, Entry& entry,
                    std::size_t& budget, std::uint64_t& consumed);

}  // namespace zip

#pragma once
// xz streams, bzip2 streams, zstd frames and lzma files written with the system's own libraries,
// for the readers that take them member after member.
#include <cstddef>
#include <string>
#include <string_view>

namespace differential {

enum class Packer { Xz, Bzip2, Zstd, Lzma };

// One member holding `data`. `level` is the compression level (small ones: a large dictionary
// costs every run its memory); `variant` picks what else a writer may choose: xz's check, bzip2's
// block size, whether a zstd frame stores its size and checksum.
std::string PackedMember(Packer packer, std::string_view data, unsigned level, unsigned variant);

// Bytes near a member's end that a check guards, so that flipping one of them must be caught:
// xz's stream footer, bzip2's end-of-stream magic and combined CRC (the last byte, which may
// hold padding bits, left out), a zstd frame's checksum when `variant` has one; lzma has none.
struct Guarded {
  std::size_t bytes = 0;
  std::size_t beforeEnd = 0;  // how many last bytes come after them
};
Guarded GuardedTail(Packer packer, unsigned variant);

// A zstd skippable frame of `size` bytes in all (at least 8).
std::string SkippableFrame(std::size_t size);

}  // namespace differential

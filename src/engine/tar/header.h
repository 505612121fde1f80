#pragma once
// The tar formats' 512-byte header block (ustar, with the GNU and pax additions read elsewhere).
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "engine/sys/error.h"

namespace zip {

inline constexpr std::size_t kTarBlock = 512;

// A tar's first bytes: "ustar" at offset 257 (POSIX ustar and pax write "ustar\0", GNU tar
// "ustar  "), or GNU's volume label (tar -V), which has no magic of its own, before a header that has it.
bool StartsTar(std::span<const std::uint8_t> head);

struct TarHeader {
  std::string name;      // prefix and name joined, as stored
  std::string linkName;
  std::uint64_t size = 0;
  std::int64_t modified = 0;
  char type = '0';
};

// A header's number field, negative ones included (times before 1970); false when it is none.
bool TarNumber(std::span<const std::uint8_t> field, std::int64_t& value);

// Damaged when the checksum does not match or a number is not one.
Error ReadTarHeader(std::span<const std::uint8_t> block, TarHeader& header);

}  // namespace zip

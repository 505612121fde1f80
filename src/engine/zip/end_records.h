#pragma once
// The records after the central directory: the ZIP64 end of central directory record and its
// locator when a count, size or offset needs them, then the end of central directory record.
#include <cstdint>
#include <optional>
#include <span>

#include "engine/codec/bytes.h"

namespace zip {

inline constexpr std::uint32_t kEndOfCentralDirectorySignature = 0x06054b50;
inline constexpr std::uint32_t kZip64EndOfCentralDirectorySignature = 0x06064b50;
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
inline constexpr std::size_t kEndOfCentralDirectorySize = 22;
inline constexpr std::size_t kZip64EndOfCentralDirectorySize = 56;
inline constexpr std::size_t kZip64LocatorSize = 20;
inline constexpr std::size_t kMaxCommentSize = 0xFFFF;

struct CentralDirectoryPlace {
  std::uint64_t entries = 0;
  std::uint64_t size = 0;
  std::uint64_t offset = 0;  // as recorded: a prefix before the archive shifts it
};

// `offset` is where the central directory starts; the end records follow it directly.
void WriteEndRecords(Bytes& out, const CentralDirectoryPlace& place);

struct EndOfCentralDirectory {
  CentralDirectoryPlace place;
  std::uint64_t position = 0;  // of the record in the file
  bool wantsZip64 = false;     // a field holds its marker
  std::optional<std::uint64_t> zip64Position;  // from the locator, as recorded
};

// Searches the file's last bytes (`tail`, which starts at `tailStart`) for the record, last one
// first; takes one whose fields are consistent with a single-disk archive of that length.
std::optional<EndOfCentralDirectory> FindEndOfCentralDirectory(std::span<const std::uint8_t> tail,
                                                               std::uint64_t tailStart);
// Replaces the place by the ZIP64 record's; false when the bytes do not hold one that checks out.
bool ReadZip64EndOfCentralDirectory(std::span<const std::uint8_t> bytes, CentralDirectoryPlace& place);

}  // namespace zip

#include "engine/zip/end_records.h"

#include <algorithm>

#include "engine/zip/central_header.h"
#include "engine/zip/extra_fields.h"
#include "engine/zip/local_header.h"

namespace zip {

namespace {

std::optional<EndOfCentralDirectory> ReadAt(std::span<const std::uint8_t> tail, std::size_t at,
                                            std::uint64_t tailStart) {
  ByteReader reader(tail.subspan(at));
  if (reader.U32() != kEndOfCentralDirectorySignature) return std::nullopt;
  const std::uint16_t disk = reader.U16();
  const std::uint16_t centralDisk = reader.U16();
  const std::uint16_t entriesHere = reader.U16();
  EndOfCentralDirectory end;
  end.place.entries = reader.U16();
  end.place.size = reader.U32();
  end.place.offset = reader.U32();
  const std::size_t commentLength = reader.U16();
  reader.Take(commentLength);
  if (!reader.ok()) return std::nullopt;
  end.position = tailStart + at;
  end.wantsZip64 = disk == kMarker16 || centralDisk == kMarker16 || end.place.entries == kMarker16 ||
                   end.place.size == kMarker32 || end.place.offset == kMarker32;
  if (at >= kZip64LocatorSize) {
    ByteReader locator(tail.subspan(at - kZip64LocatorSize, kZip64LocatorSize));
    if (locator.U32() == kZip64LocatorSignature) {
      const std::uint32_t recordDisk = locator.U32();
      const std::uint64_t recordPosition = locator.U64();
      if (recordDisk == 0 && locator.U32() <= 1) end.zip64Position = recordPosition;
    }
  }
  if (end.wantsZip64 || end.zip64Position) return end;  // the ZIP64 record decides
  if (disk != 0 || centralDisk != 0 || entriesHere != end.place.entries) return std::nullopt;
  if (end.place.size > end.position || end.place.offset > end.position - end.place.size) return std::nullopt;
  return end;
}

}  // namespace

std::optional<EndOfCentralDirectory> FindEndOfCentralDirectory(std::span<const std::uint8_t> tail,
                                                               std::uint64_t tailStart) {
  if (tail.size() < kEndOfCentralDirectorySize) return std::nullopt;
  for (std::size_t at = tail.size() - kEndOfCentralDirectorySize + 1; at-- > 0;) {
    if (auto end = ReadAt(tail, at, tailStart)) return end;
  }
  return std::nullopt;
}

bool ReadZip64EndOfCentralDirectory(std::span<const std::uint8_t> bytes, CentralDirectoryPlace& place) {
  ByteReader reader(bytes);
  if (reader.U32() != kZip64EndOfCentralDirectorySignature) return false;
  reader.U64();  // record size
  reader.U16();  // version made by
  reader.U16();  // version needed
  const std::uint32_t disk = reader.U32();
  const std::uint32_t centralDisk = reader.U32();
  const std::uint64_t entriesHere = reader.U64();
  const std::uint64_t entries = reader.U64();
  const std::uint64_t size = reader.U64();
  const std::uint64_t offset = reader.U64();
  if (!reader.ok() || disk != 0 || centralDisk != 0 || entriesHere != entries) return false;
  place = {entries, size, offset};
  return true;
}

}  // namespace zip

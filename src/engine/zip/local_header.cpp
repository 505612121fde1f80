#include "engine/zip/local_header.h"

#include <algorithm>
#include <array>

#include "engine/zip/extra_fields.h"

namespace zip {

std::optional<std::size_t> LocalFileHeaderTail(std::span<const std::uint8_t> fixed) {
  ByteReader reader(fixed);
  if (reader.U32() != kLocalFileHeaderSignature) return std::nullopt;
  reader.Take(22);
  const std::size_t nameLength = reader.U16();
  const std::size_t extraLength = reader.U16();
  if (!reader.ok()) return std::nullopt;
  return nameLength + extraLength;
}

bool ReadLocalFileHeader(std::span<const std::uint8_t> bytes, LocalFileHeader& header) {
  ByteReader reader(bytes);
  if (reader.U32() != kLocalFileHeaderSignature) return false;
  header.versionNeeded = reader.U16();
  header.flags = reader.U16();
  header.method = reader.U16();
  header.dosTime = reader.U16();
  header.dosDate = reader.U16();
  header.crc = reader.U32();
  header.compressedSize = reader.U32();
  header.size = reader.U32();
  const std::size_t nameLength = reader.U16();
  const std::size_t extraLength = reader.U16();
  header.name = reader.Text(nameLength);
  const auto extra = reader.Take(extraLength);
  if (!reader.ok()) return false;
  header.extra.assign(extra.begin(), extra.end());
  header.zip64 = header.size == kMarker32 || header.compressedSize == kMarker32;
  if (!header.zip64) return true;
  // The field should hold both sizes, whichever overflowed; some writers give only the one.
  const auto field = FindExtraField(header.extra, kZip64Id);
  if (field && field->size() >= 16) header.size = header.compressedSize = kMarker32;
  return ReadZip64Field(header.extra, header.size, header.compressedSize, nullptr);
}

bool ReadDataDescriptor(std::span<const std::uint8_t> bytes, bool zip64, DataDescriptor& descriptor) {
  ByteReader reader(bytes);
  std::uint32_t first = reader.U32();
  if (first == kDataDescriptorSignature) first = reader.U32();
  descriptor.crc = first;
  descriptor.compressedSize = zip64 ? reader.U64() : reader.U32();
  descriptor.size = zip64 ? reader.U64() : reader.U32();
  return reader.ok();
}

}  // namespace zip

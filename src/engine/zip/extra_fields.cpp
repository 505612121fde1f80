#include "engine/zip/extra_fields.h"

#include <zlib.h>

#include <limits>

namespace zip {

std::optional<std::span<const std::uint8_t>> FindExtraField(std::span<const std::uint8_t> extra, std::uint16_t id) {
  ByteReader reader(extra);
  while (reader.left() >= 4) {
    const std::uint16_t fieldId = reader.U16();
    const std::uint16_t size = reader.U16();
    const auto data = reader.Take(size);
    if (!reader.ok()) return std::nullopt;
    if (fieldId == id) return data;
  }
  return std::nullopt;
}

bool ReadZip64Field(std::span<const std::uint8_t> extra, std::uint64_t& size, std::uint64_t& compressedSize,
                    std::uint64_t* localOffset) {
  const auto field = FindExtraField(extra, kZip64Id);
  ByteReader reader(field.value_or(std::span<const std::uint8_t>{}));
  for (std::uint64_t* value : {&size, &compressedSize, localOffset}) {
    if (value == nullptr || *value != kMarker32) continue;
    *value = reader.U64();
    if (!reader.ok()) return false;
  }
  return true;
}


std::optional<os::Times> ReadNtfsField(std::span<const std::uint8_t> extra) {
  const auto field = FindExtraField(extra, kNtfsId);
  if (!field) return std::nullopt;
  ByteReader reader(*field);
  reader.Take(4);  // reserved
  while (reader.ok() && reader.left() >= 4) {
    const std::uint16_t tag = reader.U16();
    const std::uint16_t size = reader.U16();
    if (tag != kNtfsTimesTag) {
      reader.Take(size);
      continue;
    }
    if (size != kNtfsTimesSize) return std::nullopt;
    const std::uint64_t modified = reader.U64();
    const std::uint64_t accessed = reader.U64();
    const std::uint64_t created = reader.U64();
    const auto times = os::FromFileTime(modified);
    if (!reader.ok() || !times) return std::nullopt;
    return os::Times{*times, os::FromFileTime(accessed), os::FromFileTime(created)};
  }
  return std::nullopt;
}

std::optional<std::int64_t> ReadTimestampField(std::span<const std::uint8_t> extra) {
  const auto field = FindExtraField(extra, kTimestampId);
  if (!field) return std::nullopt;
  ByteReader reader(*field);
  const auto flags = reader.Take(1);
  const auto modified = static_cast<std::int32_t>(reader.U32());
  if (!reader.ok() || (flags[0] & 1) == 0) return std::nullopt;
  return modified;
}

std::optional<os::Times> ReadExtraTimes(std::span<const std::uint8_t> extra) {
  if (auto times = ReadNtfsField(extra)) return times;
  if (auto seconds = ReadTimestampField(extra)) return os::Times{*seconds * os::kTicksPerSecond, {}, {}};
  return std::nullopt;
}

std::optional<std::string> ReadUnicodePathField(std::span<const std::uint8_t> extra, const std::string& storedName) {
  const auto field = FindExtraField(extra, kUnicodePathId);
  if (!field) return std::nullopt;
  ByteReader reader(*field);
  const auto version = reader.Take(1);
  const std::uint32_t nameCrc = reader.U32();
  if (!reader.ok() || version[0] != 1) return std::nullopt;
  const auto stored = reinterpret_cast<const Bytef*>(storedName.data());
  if (nameCrc != ::crc32(0, stored, static_cast<uInt>(storedName.size()))) return std::nullopt;
  return reader.Text(reader.left());
}

std::optional<AesField> ReadAesField(std::span<const std::uint8_t> extra) {
  const auto field = FindExtraField(extra, kAesId);
  if (!field || field->size() != 7 || (*field)[2] != 'A' || (*field)[3] != 'E') return std::nullopt;
  const AesField aes{static_cast<std::uint16_t>((*field)[0] | (*field)[1] << 8), (*field)[4],
                     static_cast<std::uint16_t>((*field)[5] | (*field)[6] << 8)};
  if (aes.version < 1 || aes.version > 2 || aes.strength < 1 || aes.strength > 3) return std::nullopt;
  return aes;
}

}  // namespace zip

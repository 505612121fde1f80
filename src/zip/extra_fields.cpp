#include "zip/extra_fields.h"

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

void WriteZip64Field(Bytes& out, std::span<const std::uint64_t> values) {
  ByteWriter writer(out);
  writer.U16(kZip64Id);
  writer.U16(values.size() * 8);
  for (const std::uint64_t value : values) writer.U64(value);
}

namespace {

constexpr std::uint16_t kNtfsTimesTag = 0x0001;
constexpr std::uint16_t kNtfsTimesSize = 24;
constexpr std::int64_t kFileTimeAt1970 = 116444736000000000;  // 100 ns ticks from 1601

}  // namespace

std::optional<std::int64_t> FromFileTime(std::uint64_t time) {
  if (time == 0 || time > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
  return static_cast<std::int64_t>(time) - kFileTimeAt1970;
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
    const auto times = FromFileTime(modified);
    if (!reader.ok() || !times) return std::nullopt;
    return os::Times{*times, FromFileTime(accessed), FromFileTime(created)};
  }
  return std::nullopt;
}

bool FitsNtfsField(const os::Times& times) {
  return times.modified >= -kFileTimeAt1970 && times.accessed.value_or(0) >= -kFileTimeAt1970 &&
         times.created.value_or(0) >= -kFileTimeAt1970;
}

void WriteNtfsField(Bytes& out, const os::Times& times) {
  ByteWriter writer(out);
  writer.U16(kNtfsId);
  writer.U16(4 + 4 + kNtfsTimesSize);
  writer.U32(0);  // reserved
  writer.U16(kNtfsTimesTag);
  writer.U16(kNtfsTimesSize);
  const std::int64_t modified = times.modified;
  for (const std::int64_t ticks : {modified, times.accessed.value_or(modified), times.created.value_or(modified)}) {
    writer.U64(static_cast<std::uint64_t>(ticks + kFileTimeAt1970));
  }
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

bool FitsTimestampField(std::int64_t seconds) {
  return seconds >= std::numeric_limits<std::int32_t>::min() && seconds <= std::numeric_limits<std::int32_t>::max();
}

void WriteTimestampField(Bytes& out, std::int64_t seconds) {
  ByteWriter writer(out);
  writer.U16(kTimestampId);
  writer.U16(5);
  out.push_back(1);  // modification time only
  writer.U32(static_cast<std::uint32_t>(static_cast<std::int32_t>(seconds)));
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

#pragma once
// Extra fields the engine reads and writes: 0x0001 ZIP64 extended information, 0x000A NTFS
// times, 0x5455 extended timestamp, 0x7075 Info-ZIP Unicode path,
// 0x9901 WinZip AES (read only).
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "engine/codec/bytes.h"
#include "engine/sys/os.h"

namespace zip {

inline constexpr std::uint32_t kMarker32 = 0xFFFFFFFF;  // "see the ZIP64 field"
inline constexpr std::uint16_t kMarker16 = 0xFFFF;

inline constexpr std::uint16_t kZip64Id = 0x0001;
inline constexpr std::uint16_t kNtfsId = 0x000A;
inline constexpr std::uint16_t kTimestampId = 0x5455;
// The NTFS field's one tag: the three times.
inline constexpr std::uint16_t kNtfsTimesTag = 0x0001;
inline constexpr std::uint16_t kNtfsTimesSize = 24;
inline constexpr std::uint16_t kUnicodePathId = 0x7075;
inline constexpr std::uint16_t kAesId = 0x9901;

// The data of the first field with this id in an extra block, if the block is well formed up to it.
std::optional<std::span<const std::uint8_t>> FindExtraField(std::span<const std::uint8_t> extra, std::uint16_t id);

// ZIP64: one 64-bit value for each header field that holds the marker, in header order
// (size, compressed size, local header offset). Each argument that holds the marker on entry is
// replaced by its 64-bit value; false when the field lacks one.
bool ReadZip64Field(std::span<const std::uint8_t> extra, std::uint64_t& size, std::uint64_t& compressedSize,
                    std::uint64_t* localOffset);
void WriteZip64Field(Bytes& out, std::span<const std::uint64_t> values);

// NTFS: the modification, access and creation times to 100 ns, any time from 1601 on. Read in
// ticks since 1970 (os.h); nullopt when the field is missing or not as it should be.
std::optional<os::Times> ReadNtfsField(std::span<const std::uint8_t> extra);
bool FitsNtfsField(const os::Times& times);
void WriteNtfsField(Bytes& out, const os::Times& times);

// Extended timestamp: the modification time in seconds since 1970 UTC (signed 32 bits).
std::optional<std::int64_t> ReadTimestampField(std::span<const std::uint8_t> extra);
bool FitsTimestampField(std::int64_t seconds);
void WriteTimestampField(Bytes& out, std::int64_t seconds);

// The finest times the extra block holds: NTFS, else the extended timestamp.
std::optional<os::Times> ReadExtraTimes(std::span<const std::uint8_t> extra);

// Unicode path: the UTF-8 name, only when its CRC-32 matches the header's name as stored.
std::optional<std::string> ReadUnicodePathField(std::span<const std::uint8_t> extra, const std::string& storedName);

// WinZip AES: the vendor version (1 or 2), the key's strength (1 to 3) and the real method.
struct AesField {
  std::uint16_t version = 0;
  std::uint8_t strength = 0;
  std::uint16_t method = 0;
};
std::optional<AesField> ReadAesField(std::span<const std::uint8_t> extra);

}  // namespace zip

#pragma once
// The local file header before each entry's data, and the data descriptor after it (bit 3).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "engine/codec/bytes.h"

namespace zip {

inline constexpr std::uint32_t kLocalFileHeaderSignature = 0x04034b50;
inline constexpr std::size_t kLocalFileHeaderSize = 30;  // before the name and extra field

inline constexpr std::uint16_t kFlagEncrypted = 1 << 0;
inline constexpr std::uint16_t kFlagDataDescriptor = 1 << 3;
inline constexpr std::uint16_t kFlagUtf8 = 1 << 11;

inline constexpr std::uint16_t kStored = 0;
inline constexpr std::uint16_t kDeflated = 8;
inline constexpr std::uint16_t kDeflate64 = 9;
inline constexpr std::uint16_t kBzip2 = 12;
inline constexpr std::uint16_t kLzma = 14;
inline constexpr std::uint16_t kZstd = 93;
inline constexpr std::uint16_t kXz = 95;
inline constexpr std::uint16_t kPpmd = 98;  // PPMd variant I, revision 1
inline constexpr std::uint16_t kAesMethod = 99;  // WinZip AES: the real method is in its extra field

inline constexpr std::uint16_t kVersionDeflate = 20;
inline constexpr std::uint16_t kVersionZip64 = 45;

struct LocalFileHeader {
  std::uint16_t versionNeeded = kVersionDeflate;
  std::uint16_t flags = 0;
  std::uint16_t method = kStored;
  std::uint16_t dosTime = 0;
  std::uint16_t dosDate = 0;
  std::uint32_t crc = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t size = 0;
  std::string name;  // as stored
  Bytes extra;       // without the ZIP64 field: writing adds it when the sizes need it
  bool zip64 = false;  // read: the sizes came from a ZIP64 field
};

// Writing: the length depends only on the name, the extra field and whether the size needs
// ZIP64, so a header written before its data can be rewritten in place afterwards.
void WriteLocalFileHeader(Bytes& out, const LocalFileHeader& header);

// The length of the name and extra field that follow the fixed part; nullopt when the fixed
// part is short or lacks the signature.
std::optional<std::size_t> LocalFileHeaderTail(std::span<const std::uint8_t> fixed);
// The whole header: the fixed part followed by its tail. False when it does not check out.
bool ReadLocalFileHeader(std::span<const std::uint8_t> bytes, LocalFileHeader& header);

inline constexpr std::uint32_t kDataDescriptorSignature = 0x08074b50;

// Written by streaming tools after the data; this engine writes to a file it can seek in, so it
// rewrites the local file header instead.
struct DataDescriptor {
  std::uint32_t crc = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t size = 0;
};
// The signature is optional; the sizes are 64-bit when the local file header had a ZIP64 field.
inline constexpr std::size_t kDataDescriptorMaxSize = 24;
bool ReadDataDescriptor(std::span<const std::uint8_t> bytes, bool zip64, DataDescriptor& descriptor);

}  // namespace zip

#pragma once
// The central directory header: one for each entry, after all the entries' data.
#include <cstdint>
#include <string>

#include "engine/codec/bytes.h"

namespace zip {

inline constexpr std::uint32_t kCentralDirectoryHeaderSignature = 0x02014b50;
inline constexpr std::size_t kCentralDirectoryHeaderSize = 46;  // before the name, extra field and comment

// The hosts whose external attributes are MS-DOS attributes (low byte).
inline constexpr std::uint8_t kHostDos = 0;
inline constexpr std::uint8_t kHostHpfs = 6;
inline constexpr std::uint8_t kHostNtfs = 10;
inline constexpr std::uint8_t kHostVfat = 14;
inline constexpr std::uint8_t kHostUnix = 3;
inline constexpr std::uint8_t kHostMacOs = 19;
inline constexpr std::uint16_t kVersionMadeBy = 63;  // APPNOTE 6.3

inline constexpr std::uint32_t kDosReadOnlyAttribute = 0x01;
inline constexpr std::uint32_t kDosHiddenAttribute = 0x02;
inline constexpr std::uint32_t kDosFolderAttribute = 0x10;
inline constexpr std::uint32_t kDosArchiveAttribute = 0x20;

struct CentralDirectoryHeader {
  std::uint16_t versionMadeBy = 0;  // host in the high byte
  std::uint16_t versionNeeded = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint16_t dosTime = 0;
  std::uint16_t dosDate = 0;
  std::uint32_t crc = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t size = 0;
  std::uint32_t diskNumber = 0;
  std::uint16_t internalAttributes = 0;
  std::uint32_t externalAttributes = 0;  // the host's: DOS attributes, or a Unix mode in the high half
  std::uint64_t localOffset = 0;
  std::string name;  // as stored
  Bytes extra;       // without the ZIP64 field: writing adds it when a value needs it
};

void WriteCentralDirectoryHeader(Bytes& out, const CentralDirectoryHeader& header);
// Reads one header from the reader; false when it does not check out.
bool ReadCentralDirectoryHeader(ByteReader& reader, CentralDirectoryHeader& header);

}  // namespace zip

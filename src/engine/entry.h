#pragma once
// What every archive's reader lists: its entries, each with where its data lies in the archive
// or in the stream the archive is read as.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/sys/os.h"

namespace zip {

// Where a stretch of a sparse file's data lies in the file.
struct Extent {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
};

// What only a zip's entries hold: its records' fields that the other formats have no word for.
struct ZipFields {
  std::uint16_t flags = 0;
  std::uint16_t method = 0;  // for WinZip AES, the real method from its extra field
  std::uint16_t dosTime = 0;  // its high byte checks the password when a data descriptor follows
  std::uint8_t aesStrength = 0;  // 1, 2, 3: a 128, 192, 256-bit key; 0: not AES
  bool aesCrc = true;            // AE-1 keeps the CRC-32, AE-2 writes 0 and relies on the MAC
  std::uint64_t localOffset = 0;  // in the file, a prefix before the archive counted
  bool ntfsTimes = false;                   // the times are NTFS times: nothing finer to look for
  std::optional<std::int64_t> dosModified;  // seconds: when the extra fields hold no time
};

struct Entry {
  std::string name;        // UTF-8, as the archive spells it
  std::string storedName;  // the header's bytes
  std::uint32_t crc = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t size = 0;
  std::uint64_t dataOffset = 0;   // in the file, or in the stream the archive is read as
  std::optional<os::Times> times;
  os::Attributes attributes;  // only from hosts that keep MS-DOS attributes
  bool folder = false;
  bool link = false;
  bool special = false;  // a device or a pipe
  // A sparse file (a tar's): compressedSize bytes from dataOffset fill these stretches in turn,
  // in order and apart; the rest of its size is zeros.
  bool sparse = false;
  std::vector<Extent> extents;
  ZipFields zipFields;
};

struct Catalog {
  std::vector<Entry> entries;
  std::uint64_t centralStart = 0;  // where the entries' data must end
};

}  // namespace zip

#pragma once
// Archives made byte by byte, apart from the engine, so that tests can bend any field.
#include <cstdint>
#include <string>
#include <vector>

struct Item {
  std::string name{};
  std::string data{};
  bool deflate = false;
  bool deflate64 = false;  // fixed codes, each run one match as long as Deflate64 allows
  std::uint16_t flags = 0;
  std::uint16_t madeBy = 0x0314;  // Unix, 2.0
  std::uint32_t external = 0;
  std::string extra{};
  bool zip64 = false;       // the sizes in a ZIP64 field of both headers, their fields the marker
  bool descriptor = false;  // flag bit 3, zeros in the local header, a signed data descriptor after the data
  // Faults: each applies to the central directory header unless it says otherwise.
  std::string localName{};        // when not empty
  std::string localExtra{};       // more extra fields in the local header alone
  std::int64_t size = -1;         // declared uncompressed size, both headers, when not -1
  std::int64_t centralSize = -1;  // the central directory header's alone
  std::int64_t compressedSize = -1;
  std::uint32_t crcFlip = 0;      // both headers
  std::int64_t crc = -1;          // the CRC-32 both headers give, when not -1: an encrypted entry's plain data's
  int localMethod = -1;
  int method = -1;        // both headers, the data stored as it is
  int sharesDataOf = -1;  // the central header points at an earlier item's local header
  std::int64_t descriptorSize = -1;  // the data descriptor's uncompressed size, when not -1
  // Traditional PKWARE encryption with this password, when not empty; its header made so that
  // `passes` passes the check byte too, when not empty.
  std::string password{};
  std::string passes{};
};

// The end records' own faults: a count other than the headers', and a ZIP64 record before them.
struct Ending {
  std::int64_t entries = -1;  // when not -1; the plain record keeps its low 16 bits, as old writers did
  bool zip64 = false;
};

std::string BuildArchive(const std::vector<Item>& items, const std::string& prefix = "", Ending ending = {});
// A ZIP64 field for a local header and a central header whose size holds the marker.
std::string Zip64SizesField(std::uint64_t size, std::uint64_t compressedSize);
// An extra field with this id around the data; values little-endian in that many bytes.
std::string ExtraField(std::uint16_t id, const std::string& data);
std::string Le(std::uint64_t value, int bytes);
std::string UnicodePathField(const std::string& storedName, const std::string& utf8, bool rightCrc = true);

// WinZip AES: the 0x9901 field's data as given, and an entry's data stored and encrypted with the
// password, its verifier derived from `verifierOf` (a wrong password may be made to pass it).
std::string AesField(std::uint16_t version, std::uint8_t strength, std::uint16_t method);
std::string AesData(const std::string& data, const std::string& password, int strength, const std::string& verifierOf,
                    bool flipMac = false);

// A tar entry as a ustar header block and its data; a pax record first when `pax` is not empty.
struct TarItem {
  std::string name{};
  std::string data{};
  char type = '0';
  std::string linkName{};
  std::string pax{};              // whole "LENGTH key=value\n" records, lengths as given
  std::int64_t size = -1;         // the declared size, when not -1
  bool badChecksum = false;
  // Bytes put over the header's own at these offsets before its checksum: base-256 numbers,
  // GNU's magic and sparse map.
  std::vector<std::pair<std::size_t, std::string>> fields{};
  std::string extension{};  // blocks between the header and its data (GNU's sparse map)
};

std::string BuildTar(const std::vector<TarItem>& items);
// An octal number field of that size, NUL-terminated.
std::string OctalField(std::uint64_t value, std::size_t size = 12);
// A 12-byte base-256 number field, as GNU tar writes numbers that octal cannot hold.
std::string Base256(std::int64_t value);
// A gzip stream of the data, FNAME stored when `name` is not empty.
std::string Gzip(const std::string& data, const std::string& name = "");

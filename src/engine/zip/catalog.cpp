#include "engine/zip/catalog.h"

#include <algorithm>
#include <cstdint>

#include "engine/zip/central_header.h"
#include "engine/zip/dos_time.h"
#include "engine/zip/end_records.h"
#include "engine/zip/extra_fields.h"
#include "engine/zip/local_header.h"
#include "engine/zip/zip_reader.h"
#include "engine/names/text.h"

namespace zip {
namespace {

constexpr std::uint32_t kUnixTypeMask = 0170000;
constexpr std::uint32_t kUnixLink = 0120000;
constexpr std::uint32_t kUnixFolder = 0040000;

Error Damaged(const std::string& detail, const std::string& entry = {}) {
  return Error{Failure::Damaged, {}, entry, detail};
}

Error ReadExactly(const os::File& file, std::uint64_t offset, Bytes& bytes) {
  std::size_t got = 0;
  if (Error error = file.ReadAt(offset, bytes.data(), bytes.size(), got)) return error;
  if (got != bytes.size()) return Damaged("the archive ends early");
  return {};
}

bool UnixLike(std::uint8_t host) { return host == kHostUnix || host == kHostMacOs; }
// Elsewhere the low byte of the external attributes is whatever that host's writer left there.
bool DosLike(std::uint8_t host) {
  return host == kHostDos || host == kHostHpfs || host == kHostNtfs || host == kHostVfat;
}

std::string DecodeName(const CentralDirectoryHeader& header) {
  const std::string& stored = header.name;
  if ((header.flags & kFlagUtf8) != 0 && IsUtf8(stored)) return stored;
  if (auto unicode = ReadUnicodePathField(header.extra, stored); unicode && IsUtf8(*unicode)) return *unicode;
  if (UnixLike(header.versionMadeBy >> 8) && IsUtf8(stored)) return stored;
  return Cp437ToUtf8(stored);
}

Entry EntryOf(const CentralDirectoryHeader& header) {
  Entry entry;
  entry.name = DecodeName(header);
  entry.storedName = header.name;
  entry.zipFields.flags = header.flags;
  entry.zipFields.method = header.method;
  entry.zipFields.dosTime = header.dosTime;
  if (const auto aes = header.method == kAesMethod ? ReadAesField(header.extra) : std::nullopt)  {
    entry.zipFields.method = aes->method;
    entry.zipFields.aesStrength = aes->strength;
    entry.zipFields.aesCrc = aes->version == 1;
  }
  entry.crc = header.crc;
  entry.compressedSize = header.compressedSize;
  entry.size = header.size;
  entry.zipFields.localOffset = header.localOffset;
  entry.times = ReadExtraTimes(header.extra);
  entry.zipFields.ntfsTimes = ReadNtfsField(header.extra).has_value();
  entry.zipFields.dosModified = FromDosTime(header.dosTime, header.dosDate);
  const std::uint8_t host = header.versionMadeBy >> 8;
  const std::uint32_t dos = DosLike(host) ? header.externalAttributes : 0;
  entry.attributes = {(dos & kDosReadOnlyAttribute) != 0, (dos & kDosHiddenAttribute) != 0};
  const std::uint32_t mode = UnixLike(host) ? header.externalAttributes >> 16 : 0;
  entry.link = (mode & kUnixTypeMask) == kUnixLink;
  entry.folder = (!entry.name.empty() && (entry.name.back() == '/' || entry.name.back() == '\\')) ||
                 (mode & kUnixTypeMask) == kUnixFolder ||
                 ((dos & kDosFolderAttribute) != 0 && header.size == 0);
  return entry;
}

// Where the central directory ends: at the ZIP64 end record when there is one, else at the end
// of central directory record. The recorded ZIP64 position may be shifted by a prefix, so the
// place right before the locator is tried too.
Error FindPlace(const os::File& archive, std::uint64_t fileSize, CentralDirectoryPlace& place,
                std::uint64_t& centralEnd) {
  const auto tailSize = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kEndOfCentralDirectorySize + kMaxCommentSize));
  Bytes tail(tailSize);
  if (Error error = ReadExactly(archive, fileSize - tailSize, tail)) return error;
  const auto end = FindEndOfCentralDirectory(tail, fileSize - tailSize);
  if (!end) return Damaged("no end of central directory record");
  place = end->place;
  centralEnd = end->position;
  if (!end->zip64Position && !end->wantsZip64) return {};
  const std::uint64_t beforeLocator = end->position - std::min<std::uint64_t>(end->position, kZip64LocatorSize);
  for (const std::uint64_t at : {end->zip64Position.value_or(fileSize), beforeLocator - kZip64EndOfCentralDirectorySize}) {
    if (at > beforeLocator || beforeLocator - at < kZip64EndOfCentralDirectorySize) continue;
    Bytes record(kZip64EndOfCentralDirectorySize);
    if (Error error = ReadExactly(archive, at, record)) return error;
    if (ReadZip64EndOfCentralDirectory(record, place)) {
      centralEnd = at;
      return {};
    }
  }
  return Damaged("no ZIP64 end of central directory record");
}

// Where the central directory starts, checked against the file before anything is read of it.
Error Locate(const os::File& archive, std::uint64_t fileSize, CentralDirectoryPlace& place, std::uint64_t& centralEnd,
             std::uint64_t& centralStart) {
  if (Error error = FindPlace(archive, fileSize, place, centralEnd)) return error;
  if (place.size > centralEnd) return Damaged("the central directory is larger than the archive");
  centralStart = centralEnd - place.size;
  if (place.offset > centralStart) return Damaged("the central directory is not where it is recorded");
  if (place.entries > place.size / kCentralDirectoryHeaderSize) return Damaged("too many entries for the central directory");
  return {};
}

// The central directory a window at a time; a window always holds the largest header there can be.
class DirectoryPieces {
 public:
  DirectoryPieces(const os::File& archive, std::uint64_t start, std::uint64_t size)
      : archive_(archive), next_(start), end_(start + size) {}

  bool Done() const { return used_ == window_.size() && next_ == end_; }

  // A reader over what is left of the window, topped up first.
  Error Next(ByteReader& reader) {
    if (window_.size() - used_ < kLargestHeader && next_ < end_) {
      window_.erase(window_.begin(), window_.begin() + static_cast<std::ptrdiff_t>(used_));
      used_ = 0;
      const std::size_t kept = window_.size();
      const auto more = static_cast<std::size_t>(std::min<std::uint64_t>(kWindow - kept, end_ - next_));
      window_.resize(kept + more);
      std::size_t got = 0;
      if (Error error = archive_.ReadAt(next_, window_.data() + kept, more, got)) return error;
      if (got != more) return Damaged("the archive ends early");
      next_ += more;
    }
    reader = ByteReader(std::span<const std::uint8_t>(window_).subspan(used_));
    return {};
  }

  void Consumed(const ByteReader& reader) { used_ = window_.size() - reader.left(); }

 private:
  static constexpr std::size_t kLargestHeader = kCentralDirectoryHeaderSize + 3 * std::size_t{0xFFFF};
  static constexpr std::size_t kWindow = 4 * kLargestHeader;

  const os::File& archive_;
  std::uint64_t next_;
  const std::uint64_t end_;
  Bytes window_;
  std::size_t used_ = 0;
};

}  // namespace

Error ReadCentralDirectory(const os::File& archive, Catalog& catalog) {
  std::uint64_t fileSize = 0;
  if (Error error = archive.Size(fileSize)) return error;
  CentralDirectoryPlace place;
  std::uint64_t centralEnd = 0;
  if (Error error = Locate(archive, fileSize, place, centralEnd, catalog.centralStart)) return error;
  const std::uint64_t shift = catalog.centralStart - place.offset;  // a self-extractor's program, say

  // Read by its size, as every reader does: an old writer's 16-bit count wraps past 65,535
  // entries. Read in pieces, so that only headers that check out take memory.
  DirectoryPieces pieces(archive, catalog.centralStart, place.size);
  while (!pieces.Done()) {
    ByteReader reader({});
    if (Error error = pieces.Next(reader)) return error;
    CentralDirectoryHeader header;
    if (!ReadCentralDirectoryHeader(reader, header)) return Damaged("a central directory header does not check out");
    pieces.Consumed(reader);
    Entry entry = EntryOf(header);
    if (header.localOffset > catalog.centralStart - shift) {
      return Damaged("the local file header is outside the archive", entry.name);
    }
    entry.zipFields.localOffset += shift;
    catalog.entries.push_back(std::move(entry));
  }
  return {};
}

bool LooksLikeArchive(const os::File& archive) {
  std::uint64_t fileSize = 0;
  CentralDirectoryPlace place;
  std::uint64_t centralEnd = 0;
  std::uint64_t centralStart = 0;
  if (archive.Size(fileSize) || Locate(archive, fileSize, place, centralEnd, centralStart)) return false;
  if (place.size == 0) return true;
  Bytes signature(4);
  return !ReadExactly(archive, centralStart, signature) && ByteReader(signature).U32() == kCentralDirectoryHeaderSignature;
}

}  // namespace zip

// Every entry's local file header read and held against its central directory header.
#include <algorithm>
#include <numeric>

#include "engine/zip/catalog.h"
#include "engine/zip/extra_fields.h"
#include "engine/zip/local_header.h"

namespace zip {
namespace {

Error Damaged(const Entry& entry, const std::string& detail) {
  return Error{Failure::Damaged, {}, entry.name, detail};
}

Error Read(const os::File& archive, std::uint64_t offset, Bytes& bytes, const Entry& entry) {
  std::size_t got = 0;
  if (Error error = archive.ReadAt(offset, bytes.data(), bytes.size(), got)) return error;
  if (got != bytes.size()) return Damaged(entry, "the archive ends early");
  return {};
}

// Writers differ on when a descriptor's sizes are 64-bit, so either reading may be the one.
bool DescriptorAgrees(std::span<const std::uint8_t> bytes, const Entry& entry) {
  for (const bool zip64 : {false, true}) {
    DataDescriptor descriptor;
    if (ReadDataDescriptor(bytes, zip64, descriptor) && descriptor.crc == entry.crc &&
        descriptor.compressedSize == entry.compressedSize && descriptor.size == entry.size) {
      return true;
    }
  }
  return false;
}

Error CheckEntry(const os::File& archive, std::uint64_t limit, Entry& entry) {
  if (entry.zipFields.localOffset > limit || limit - entry.zipFields.localOffset < kLocalFileHeaderSize) {
    return Damaged(entry, "the local file header is outside the archive");
  }
  Bytes header(kLocalFileHeaderSize);
  if (Error error = Read(archive, entry.zipFields.localOffset, header, entry)) return error;
  const auto tail = LocalFileHeaderTail(header);
  if (!tail) return Damaged(entry, "no local file header where the central directory points");
  if (limit - entry.zipFields.localOffset - kLocalFileHeaderSize < *tail) {
    return Damaged(entry, "the local file header runs into the central directory");
  }
  header.resize(kLocalFileHeaderSize + *tail);
  if (Error error = Read(archive, entry.zipFields.localOffset, header, entry)) return error;
  LocalFileHeader local;
  if (!ReadLocalFileHeader(header, local)) return Damaged(entry, "the local file header does not check out");

  if (local.name != entry.storedName) return Damaged(entry, "the local file header has another name");
  if (local.method != (entry.zipFields.aesStrength != 0 ? kAesMethod : entry.zipFields.method)) return Damaged(entry, "the local file header has another method");
  if ((local.flags & kFlagEncrypted) != (entry.zipFields.flags & kFlagEncrypted)) {
    return Damaged(entry, "the local file header disagrees on encryption");
  }
  const bool described = (local.flags & kFlagDataDescriptor) != 0;
  if (!described && (local.crc != entry.crc || local.compressedSize != entry.compressedSize || local.size != entry.size)) {
    return Damaged(entry, "the local file header has other sizes or another CRC-32");
  }
  // The local header may hold NTFS times the central one lacks.
  if (auto ntfs = entry.zipFields.ntfsTimes ? std::nullopt : ReadNtfsField(local.extra)) entry.times = ntfs;
  if (!entry.times) entry.times = ReadExtraTimes(local.extra);
  if (!entry.times && entry.zipFields.dosModified) entry.times = os::Times{*entry.zipFields.dosModified * os::kTicksPerSecond, {}, {}};

  entry.dataOffset = entry.zipFields.localOffset + header.size();
  if (entry.compressedSize > limit - entry.dataOffset) return Damaged(entry, "the data runs into the central directory");
  if (!described) return {};
  const std::uint64_t descriptorOffset = entry.dataOffset + entry.compressedSize;
  Bytes descriptorBytes(static_cast<std::size_t>(std::min<std::uint64_t>(kDataDescriptorMaxSize, limit - descriptorOffset)));
  if (Error error = Read(archive, descriptorOffset, descriptorBytes, entry)) return error;
  if (!DescriptorAgrees(descriptorBytes, entry)) return Damaged(entry, "the data descriptor disagrees with the central directory");
  return {};
}

}  // namespace

Error ReadLocalHeaders(const os::File& archive, Catalog& catalog) {
  for (Entry& entry : catalog.entries) {
    if (Error error = CheckEntry(archive, catalog.centralStart, entry)) return error;
  }
  // Entries that share data are how the smallest bombs multiply their output.
  std::vector<const Entry*> byOffset;
  for (const Entry& entry : catalog.entries) byOffset.push_back(&entry);
  std::sort(byOffset.begin(), byOffset.end(),
            [](const Entry* a, const Entry* b) { return a->zipFields.localOffset < b->zipFields.localOffset; });
  for (std::size_t i = 1; i < byOffset.size(); ++i) {
    if (byOffset[i - 1]->dataOffset + byOffset[i - 1]->compressedSize > byOffset[i]->zipFields.localOffset) {
      return Error{Failure::TooLarge, {}, byOffset[i]->name, "its data overlaps another entry's"};
    }
  }
  return {};
}

}  // namespace zip

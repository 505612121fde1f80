// The records as the writer writes them, apart from their reading: each tool keeps all of what
// it links, and Cramlet reads no archive, Spillet writes none.
#include <algorithm>
#include <array>
#include <limits>
#include <vector>

#include "engine/zip/central_header.h"
#include "engine/zip/end_records.h"
#include "engine/zip/extra_fields.h"
#include "engine/zip/local_header.h"

namespace zip {

void WriteLocalFileHeader(Bytes& out, const LocalFileHeader& header) {
  const bool zip64 = header.size >= kMarker32 || header.compressedSize >= kMarker32;
  Bytes extra;
  if (zip64) {
    const std::array<std::uint64_t, 2> sizes = {header.size, header.compressedSize};
    WriteZip64Field(extra, sizes);
  }
  extra.insert(extra.end(), header.extra.begin(), header.extra.end());
  ByteWriter writer(out);
  writer.U32(kLocalFileHeaderSignature);
  writer.U16(zip64 ? std::max(header.versionNeeded, kVersionZip64) : header.versionNeeded);
  writer.U16(header.flags);
  writer.U16(header.method);
  writer.U16(header.dosTime);
  writer.U16(header.dosDate);
  writer.U32(header.crc);
  writer.U32(zip64 ? kMarker32 : header.compressedSize);
  writer.U32(zip64 ? kMarker32 : header.size);
  writer.U16(header.name.size());
  writer.U16(extra.size());
  writer.Put(header.name);
  writer.Put(extra);
}

void WriteCentralDirectoryHeader(Bytes& out, const CentralDirectoryHeader& header) {
  std::vector<std::uint64_t> wide;
  for (const std::uint64_t value : {header.size, header.compressedSize, header.localOffset}) {
    if (value >= kMarker32) wide.push_back(value);
  }
  Bytes extra;
  if (!wide.empty()) WriteZip64Field(extra, wide);
  extra.insert(extra.end(), header.extra.begin(), header.extra.end());
  const auto narrow = [](std::uint64_t value) { return std::min<std::uint64_t>(value, kMarker32); };
  ByteWriter writer(out);
  writer.U32(kCentralDirectoryHeaderSignature);
  writer.U16(header.versionMadeBy);
  writer.U16(wide.empty() ? header.versionNeeded : std::max(header.versionNeeded, kVersionZip64));
  writer.U16(header.flags);
  writer.U16(header.method);
  writer.U16(header.dosTime);
  writer.U16(header.dosDate);
  writer.U32(header.crc);
  writer.U32(narrow(header.compressedSize));
  writer.U32(narrow(header.size));
  writer.U16(header.name.size());
  writer.U16(extra.size());
  writer.U16(0);  // comment length
  writer.U16(header.diskNumber);
  writer.U16(header.internalAttributes);
  writer.U32(header.externalAttributes);
  writer.U32(narrow(header.localOffset));
  writer.Put(header.name);
  writer.Put(extra);
}

void WriteEndRecords(Bytes& out, const CentralDirectoryPlace& place) {
  const bool zip64 = place.entries >= kMarker16 || place.size >= kMarker32 || place.offset >= kMarker32;
  ByteWriter writer(out);
  if (zip64) {
    const std::uint64_t recordPosition = place.offset + place.size;
    writer.U32(kZip64EndOfCentralDirectorySignature);
    writer.U64(kZip64EndOfCentralDirectorySize - 12);  // the record's size after this field
    writer.U16(kVersionMadeBy);
    writer.U16(kVersionZip64);
    writer.U32(0);  // this disk
    writer.U32(0);  // the disk where the central directory starts
    writer.U64(place.entries);
    writer.U64(place.entries);
    writer.U64(place.size);
    writer.U64(place.offset);
    writer.U32(kZip64LocatorSignature);
    writer.U32(0);
    writer.U64(recordPosition);
    writer.U32(1);  // disks in all
  }
  writer.U32(kEndOfCentralDirectorySignature);
  writer.U16(0);
  writer.U16(0);
  writer.U16(std::min<std::uint64_t>(place.entries, kMarker16));
  writer.U16(std::min<std::uint64_t>(place.entries, kMarker16));
  writer.U32(std::min<std::uint64_t>(place.size, kMarker32));
  writer.U32(std::min<std::uint64_t>(place.offset, kMarker32));
  writer.U16(0);  // comment length
}

void WriteZip64Field(Bytes& out, std::span<const std::uint64_t> values) {
  ByteWriter writer(out);
  writer.U16(kZip64Id);
  writer.U16(values.size() * 8);
  for (const std::uint64_t value : values) writer.U64(value);
}

bool FitsNtfsField(const os::Times& times) {
  return times.modified >= -os::kFileTimeAt1970 && times.accessed.value_or(0) >= -os::kFileTimeAt1970 &&
         times.created.value_or(0) >= -os::kFileTimeAt1970;
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
    writer.U64(static_cast<std::uint64_t>(ticks + os::kFileTimeAt1970));
  }
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

}  // namespace zip

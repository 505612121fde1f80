#include "engine/zip/central_header.h"

#include <algorithm>
#include <vector>

#include "engine/zip/extra_fields.h"
#include "engine/zip/local_header.h"

namespace zip {

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

bool ReadCentralDirectoryHeader(ByteReader& reader, CentralDirectoryHeader& header) {
  if (reader.U32() != kCentralDirectoryHeaderSignature) return false;
  header.versionMadeBy = reader.U16();
  header.versionNeeded = reader.U16();
  header.flags = reader.U16();
  header.method = reader.U16();
  header.dosTime = reader.U16();
  header.dosDate = reader.U16();
  header.crc = reader.U32();
  header.compressedSize = reader.U32();
  header.size = reader.U32();
  const std::size_t nameLength = reader.U16();
  const std::size_t extraLength = reader.U16();
  const std::size_t commentLength = reader.U16();
  header.diskNumber = reader.U16();
  header.internalAttributes = reader.U16();
  header.externalAttributes = reader.U32();
  header.localOffset = reader.U32();
  header.name = reader.Text(nameLength);
  const auto extra = reader.Take(extraLength);
  reader.Take(commentLength);
  if (!reader.ok()) return false;
  header.extra.assign(extra.begin(), extra.end());
  return ReadZip64Field(header.extra, header.size, header.compressedSize, &header.localOffset);
}

}  // namespace zip

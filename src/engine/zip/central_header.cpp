#include "engine/zip/central_header.h"

#include <algorithm>
#include <vector>

#include "engine/zip/extra_fields.h"
#include "engine/zip/local_header.h"

namespace zip {

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

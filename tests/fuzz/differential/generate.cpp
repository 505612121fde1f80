#include "generate.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <string_view>

#include "../../engine/builder.h"
#include "draw.h"
#include "zip_methods.h"

namespace differential {
namespace {

constexpr std::uint16_t kMadeByDos = 0x0014;
constexpr std::uint16_t kFlagUtf8 = 1 << 11;

void Put(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i));
}

std::uint64_t Get(std::string_view in, std::size_t at, int bytes) {
  std::uint64_t value = 0;
  for (int i = bytes; i-- > 0;) value = (value << 8) | static_cast<std::uint8_t>(in[at + i]);
  return value;
}

std::string TimestampField(std::uint32_t seconds) {
  std::string field;
  Put(field, 0x5455, 2);
  Put(field, 5, 2);
  field += '\1';
  Put(field, seconds, 4);
  return field;
}

std::int64_t Crc(const std::string& data) {
  return static_cast<std::int64_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if ((static_cast<std::uint8_t>(c) & 0x80) != 0) return false;
  }
  return true;
}

Item MakeItem(Draw& draw, std::size_t index, Generated& out) {
  Item item;
  item.name = Name(draw);
  const bool folder = !item.name.empty() && IsSlash(item.name.back());
  if (!folder) item.data = Content(draw);
  item.deflate = draw.OneIn(2);
  if (draw.OneIn(3)) item.flags |= kFlagUtf8;
  if (draw.OneIn(4)) item.madeBy = kMadeByDos;
  if (!IsAscii(item.name) && item.madeBy == kMadeByDos) {
    if (draw.OneIn(2)) {
      item.extra += UnicodePathField("u" + std::to_string(index), item.name);
      item.name = "u" + std::to_string(index);
      item.flags &= ~kFlagUtf8;
    } else {
      item.flags |= kFlagUtf8;
    }
  }
  if (draw.OneIn(4)) item.extra += TimestampField(1600000000 + draw.Below(100000));
  item.zip64 = draw.OneIn(5);
  item.descriptor = draw.OneIn(4);
  if (!folder && item.madeBy != kMadeByDos && draw.OneIn(12)) {
    item.external = 0120777U << 16;
    item.data = "target";
    item.deflate = false;
  }
  std::string plain = item.data;
  if (!folder && item.external == 0 && draw.BelowFromEnd(4) == 3) {
    Packed packed = Pack(draw.BelowFromEnd(kPackings), item.data);
    plain = std::move(packed.plain);
    item.data = std::move(packed.data);
    item.method = packed.method;
    item.flags |= packed.flags;
    item.crc = Crc(plain);
    item.size = static_cast<std::int64_t>(plain.size());
  }
  if (!folder && item.external == 0 && !Lands(item.name).empty()) out.contents.push_back(plain);
  if (LeavesTarget(item.name)) out.faults |= kTraversal;

  if (draw.OneIn(24)) {
    item.localName = item.name + "x";
    out.faults |= kLocalName;
  }
  switch (draw.OneIn(12) ? draw.Below(3) : 3) {
    case 0: item.size = static_cast<std::int64_t>(plain.size()) + 1 - 2 * static_cast<std::int64_t>(draw.Below(2)); out.faults |= kSizes; break;
    case 1: item.centralSize = draw.Below(300); out.faults |= kSizes; break;
    case 2: item.compressedSize = draw.Below(300); out.faults |= kSizes; break;
    default: break;
  }
  if (draw.OneIn(24)) {
    item.crcFlip = 1U << draw.Below(32);
    out.faults |= kCrc;
  }
  if (draw.OneIn(24)) {
    item.localMethod = item.deflate ? 0 : 8;
    out.faults |= kLocalMethod;
  }
  if (draw.OneIn(32)) {
    // Methods neither decodes, the engine refusing them before any data. Deflate64 is left out:
    // the engine decodes it, libarchive does not.
    item.method = std::array{1, 6, 97, 99}[draw.Below(4)];
    out.faults |= kMethod;
  }
  if (draw.OneIn(32)) {
    item.flags |= 1;
    out.faults |= kEncrypted;
  }
  if (index > 0 && draw.OneIn(24)) {
    item.sharesDataOf = static_cast<int>(draw.Below(static_cast<unsigned>(index)));
    out.faults |= kOverlap;
  }
  return item;
}

// The builder's end of central directory record replaced: counts, size and offset as drawn,
// with a ZIP64 end record and locator before it when drawn.
void Ending(Draw& draw, std::size_t headers, std::size_t prefix, Generated& out) {
  std::string& archive = out.archive;
  const std::size_t endAt = archive.size() - 22;
  std::uint64_t centralSize = Get(archive, endAt + 12, 4);
  std::uint64_t centralOffset = Get(archive, endAt + 16, 4);
  archive.resize(endAt);
  std::uint64_t count = headers;
  switch (draw.OneIn(6) ? draw.Below(4) : 4) {
    case 0: count = (headers + 0x10000 - 1 - draw.Below(3)) & 0xFFFF; break;  // a wrapped count, too small
    case 1: count = headers + 1 + draw.Below(3); break;
    case 2: centralSize += draw.Below(2) == 0 ? 1 : -1; out.faults |= kCentralSize; break;
    case 3: centralOffset += draw.Below(2) == 0 ? 1 : -1; out.faults |= kCentralOffset; break;
    default: break;
  }
  if (count != headers) out.faults |= kCount;
  if (draw.OneIn(5)) {
    std::uint64_t count64 = count;
    if (draw.OneIn(3)) {
      count64 = headers - std::min<std::size_t>(headers, 1 + draw.Below(2));
      out.faults |= kZip64Count;
    }
    out.faults |= kZip64End;
    const std::uint64_t recordAt = archive.size() - prefix;
    Put(archive, 0x06064b50, 4);
    Put(archive, 44, 8);
    Put(archive, 45, 2);
    Put(archive, 45, 2);
    Put(archive, 0, 8);  // this disk, the central directory's disk
    Put(archive, count64, 8);
    Put(archive, count64, 8);
    Put(archive, centralSize, 8);
    Put(archive, centralOffset, 8);
    Put(archive, 0x07064b50, 4);
    Put(archive, 0, 4);
    Put(archive, recordAt, 8);
    Put(archive, 1, 4);
    count = 0xFFFF;
    centralSize = centralOffset = 0xFFFFFFFF;
  }
  const std::string comment = draw.OneIn(6) ? draw.Bytes(8) : "";
  Put(archive, 0x06054b50, 4);
  Put(archive, 0, 4);
  Put(archive, count, 2);
  Put(archive, count, 2);
  Put(archive, centralSize, 4);
  Put(archive, centralOffset, 4);
  Put(archive, comment.size(), 2);
  archive += comment;
}

}  // namespace

Generated Generate(const std::uint8_t* data, std::size_t size) {
  Draw draw(data, size);
  Generated out;
  std::vector<Item> items;
  for (std::size_t n = 1 + draw.Below(5), i = 0; i < n; ++i) items.push_back(MakeItem(draw, i, out));
  const std::string prefix = draw.OneIn(5) ? "MZ" + draw.Bytes(16) : "";
  if (!prefix.empty()) out.faults |= kPrefix;
  out.archive = BuildArchive(items, prefix);
  Ending(draw, items.size(), prefix.size(), out);
  if (draw.OneIn(16)) {
    out.archive.resize(out.archive.size() - 1 - draw.Below(static_cast<unsigned>(std::min<std::size_t>(out.archive.size() - 1, 255))));
    out.faults |= kTruncated;
  }
  return out;
}

std::string FaultNames(unsigned faults) {
  static constexpr std::array<std::string_view, 15> kNames = {
      "traversal", "count", "zip64-count", "central-size", "central-offset", "local-name", "sizes",
      "crc", "local-method", "overlap", "truncated", "method", "encrypted", "prefix", "zip64-end"};
  std::string names;
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if ((faults & (1U << i)) != 0) names += (names.empty() ? "" : ",") + std::string(kNames[i]);
  }
  return names.empty() ? "none" : names;
}

}  // namespace differential

#include "engine/sevenzip/sevenzip_header.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

#include "engine/names/text.h"

namespace zip::sevenzip {
namespace {

enum : std::uint8_t {
  kEnd = 0x00,
  kHeader = 0x01,
  kArchiveProperties = 0x02,
  kAdditionalStreams = 0x03,
  kMainStreams = 0x04,
  kFilesInfo = 0x05,
  kPackInfo = 0x06,
  kUnpackInfo = 0x07,
  kSubStreamsInfo = 0x08,
  kSize = 0x09,
  kCrc = 0x0A,
  kFolder = 0x0B,
  kCodersUnpackSize = 0x0C,
  kNumUnpackStream = 0x0D,
  kEmptyStream = 0x0E,
  kEmptyFile = 0x0F,
  kAnti = 0x10,
  kNames = 0x11,
  kCTime = 0x12,
  kATime = 0x13,
  kMTime = 0x14,
  kAttributes = 0x15,
};

constexpr std::uint32_t kMostCoders = 64;    // 7-Zip itself writes at most four
constexpr std::uint32_t kMostInputs = 64;

Error Bad(const char* what) { return Error{Failure::Damaged, {}, {}, std::string("its 7z header ") + what}; }

// The header's bytes with the format's numbers; once a read would pass the end, every later
// read fails, so a record is checked once at its end.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint8_t Byte() {
    if (at_ >= bytes_.size()) return Fail(), 0;
    return bytes_[at_++];
  }
  // The first byte's leading ones tell how many bytes follow; its rest is the value's top.
  std::uint64_t Number() {
    const std::uint8_t first = Byte();
    std::uint64_t value = 0;
    int extra = 0;
    for (std::uint8_t mask = 0x80; extra < 8 && (first & mask) != 0; mask >>= 1) ++extra;
    for (int i = 0; i < extra; ++i) value |= std::uint64_t{Byte()} << (8 * i);
    if (extra < 8) value |= std::uint64_t(first & ((1U << (7 - extra)) - 1)) << (8 * extra);
    return value;
  }
  // A count of things that each take at least `each` bytes of what is left (or bits, each = 0).
  std::uint32_t Count(std::size_t each, std::uint64_t most = std::numeric_limits<std::uint32_t>::max()) {
    const std::uint64_t count = Number();
    const std::uint64_t room = each == 0 ? left() * 8 : left() / each;
    if (count > most || count > room) return Fail(), 0;
    return static_cast<std::uint32_t>(count);
  }
  std::uint32_t U32() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= std::uint32_t{Byte()} << (8 * i);
    return value;
  }
  std::uint64_t U64() {
    const std::uint64_t low = U32();
    return low | std::uint64_t{U32()} << 32;
  }
  std::span<const std::uint8_t> Take(std::uint64_t size) {
    if (size > left()) return Fail(), std::span<const std::uint8_t>();
    const auto part = bytes_.subspan(at_, static_cast<std::size_t>(size));
    at_ += static_cast<std::size_t>(size);
    return part;
  }
  std::vector<bool> Bits(std::size_t count) {
    std::vector<bool> bits(count);
    std::uint8_t byte = 0;
    for (std::size_t i = 0; i < count; ++i) {
      if (i % 8 == 0) byte = Byte();
      bits[i] = (byte & (0x80 >> (i % 8))) != 0;
    }
    return bits;
  }
  // "All defined" as one byte, or a bit each.
  std::vector<bool> Defined(std::size_t count) {
    return Byte() != 0 ? std::vector<bool>(count, true) : Bits(count);
  }
  std::size_t left() const { return ok_ ? bytes_.size() - at_ : 0; }
  bool ok() const { return ok_; }
  void Fail() { ok_ = false; at_ = bytes_.size(); }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

void ReadCrcs(Reader& reader, std::size_t count, std::vector<std::optional<std::uint32_t>>& crcs) {
  const std::vector<bool> defined = reader.Defined(count);
  crcs.assign(count, std::nullopt);
  for (std::size_t i = 0; i < count && reader.ok(); ++i) {
    if (defined[i]) crcs[i] = reader.U32();
  }
}

Error ReadPackInfo(Reader& reader, Streams& streams) {
  streams.packPosition = reader.Number();
  const std::uint32_t count = reader.Count(1);
  for (std::uint8_t id = reader.Byte(); id != kEnd && reader.ok(); id = reader.Byte()) {
    if (id == kSize) {
      streams.packSizes.resize(count);
      for (std::uint64_t& size : streams.packSizes) size = reader.Number();
    } else if (id == kCrc) {
      std::vector<std::optional<std::uint32_t>> ignored;  // the files' own CRCs check the data
      ReadCrcs(reader, count, ignored);
    } else {
      return Bad("has a record where none belongs");
    }
  }
  if (!reader.ok() || streams.packSizes.size() != count) return Bad("has pack sizes that do not check out");
  return {};
}

// Every coder's output feeds one input, but the folder's own; every input is fed by one output or
// one packed stream; and the graph leads from the packed streams to the output without a cycle.
Error CheckGraph(Folder& folder, std::uint32_t inputs) {
  const auto coders = static_cast<std::uint32_t>(folder.coders.size());
  std::vector<int> fedBy(inputs, -1);  // -1: not yet; -2: a packed stream
  std::vector<bool> feeds(coders, false);
  for (const auto& [input, coder] : folder.bonds) {
    if (input >= inputs || coder >= coders || fedBy[input] != -1 || feeds[coder]) return Bad("binds a stream twice");
    fedBy[input] = static_cast<int>(coder);
    feeds[coder] = true;
  }
  for (const std::uint32_t input : folder.packed) {
    if (input >= inputs || fedBy[input] != -1) return Bad("binds a stream twice");
    fedBy[input] = -2;
  }
  if (std::count(feeds.begin(), feeds.end(), false) != 1) return Bad("has no single output");
  folder.output = static_cast<std::uint32_t>(std::find(feeds.begin(), feeds.end(), false) - feeds.begin());
  // Each coder once, from the output down: a cycle would come back to one already seen.
  std::vector<bool> seen(coders, false);
  std::vector<std::uint32_t> todo{folder.output};
  while (!todo.empty()) {
    const std::uint32_t coder = todo.back();
    todo.pop_back();
    if (seen[coder]) return Bad("has coders in a cycle");
    seen[coder] = true;
    const std::uint32_t first = folder.FirstInput(coder);
    for (std::uint32_t i = first; i < first + folder.coders[coder].inputs; ++i) {
      if (fedBy[i] >= 0) todo.push_back(static_cast<std::uint32_t>(fedBy[i]));
    }
  }
  if (std::count(seen.begin(), seen.end(), false) != 0) return Bad("has a coder that leads nowhere");
  return {};
}

Error ReadFolder(Reader& reader, Folder& folder) {
  const std::uint32_t coders = reader.Count(1, kMostCoders);
  if (coders == 0) return Bad("has a folder without coders");
  std::uint32_t inputs = 0;
  for (std::uint32_t i = 0; i < coders && reader.ok(); ++i) {
    Coder coder;
    const std::uint8_t flags = reader.Byte();
    if ((flags & 0xC0) != 0) return Bad("has coder flags no writer sets");
    for (const std::uint8_t byte : reader.Take(flags & 0x0F)) coder.method = coder.method << 8 | byte;
    if ((flags & 0x0F) > 8) return Bad("has a method id longer than any");
    if ((flags & 0x10) != 0) {
      coder.inputs = static_cast<std::uint32_t>(std::min<std::uint64_t>(reader.Number(), kMostInputs + 1));
      if (reader.Number() != 1) return Bad("has a coder of several outputs");
      if (coder.inputs == 0 || coder.inputs > kMostInputs) return Bad("has a coder of too many inputs");
    }
    if ((flags & 0x20) != 0) {
      const auto properties = reader.Take(reader.Number());
      coder.properties.assign(properties.begin(), properties.end());
    }
    inputs += coder.inputs;
    folder.coders.push_back(std::move(coder));
  }
  for (std::uint32_t i = 0; i + 1 < coders && reader.ok(); ++i) {
    const std::uint64_t input = reader.Number(), coder = reader.Number();
    folder.bonds.emplace_back(static_cast<std::uint32_t>(std::min<std::uint64_t>(input, UINT32_MAX)),
                              static_cast<std::uint32_t>(std::min<std::uint64_t>(coder, UINT32_MAX)));
  }
  if (!reader.ok() || inputs < coders) return Bad("has a folder that does not check out");
  const std::uint32_t packed = inputs - (coders - 1);
  if (packed == 1) {
    for (std::uint32_t i = 0; i < inputs; ++i) {
      const bool bound = std::any_of(folder.bonds.begin(), folder.bonds.end(), [&](const auto& b) { return b.first == i; });
      if (!bound) {
        folder.packed.push_back(i);
        break;
      }
    }
  } else {
    for (std::uint32_t i = 0; i < packed; ++i) {
      folder.packed.push_back(static_cast<std::uint32_t>(std::min<std::uint64_t>(reader.Number(), UINT32_MAX)));
    }
  }
  if (!reader.ok() || folder.packed.size() != packed) return Bad("has a folder that does not check out");
  return CheckGraph(folder, inputs);
}

Error ReadUnpackInfo(Reader& reader, Streams& streams) {
  if (reader.Byte() != kFolder) return Bad("has no folders where they belong");
  const std::uint32_t count = reader.Count(2);
  if (reader.Byte() != 0) return Bad("keeps its folders elsewhere");
  streams.folders.resize(count);
  std::uint32_t packed = 0;
  for (Folder& folder : streams.folders) {
    if (Error error = ReadFolder(reader, folder)) return error;
    folder.firstPacked = packed;
    packed += static_cast<std::uint32_t>(folder.packed.size());
  }
  if (packed != streams.packSizes.size()) return Bad("has folders that do not match its packed streams");
  if (reader.Byte() != kCodersUnpackSize) return Bad("has no sizes where they belong");
  for (Folder& folder : streams.folders) {
    folder.sizes.resize(folder.coders.size());
    for (std::uint64_t& size : folder.sizes) size = reader.Number();
  }
  for (std::uint8_t id = reader.Byte(); id != kEnd && reader.ok(); id = reader.Byte()) {
    if (id != kCrc) return Bad("has a record where none belongs");
    std::vector<std::optional<std::uint32_t>> crcs;
    ReadCrcs(reader, count, crcs);
    for (std::size_t i = 0; i < crcs.size(); ++i) streams.folders[i].crc = crcs[i];
  }
  return reader.ok() ? Error{} : Bad("is cut short");
}

Error ReadSubStreams(Reader& reader, Streams& streams) {
  const std::size_t folders = streams.folders.size();
  streams.perFolder.assign(folders, 1);
  std::uint8_t id = reader.Byte();
  if (id == kNumUnpackStream) {
    std::uint64_t total = 0;
    for (std::uint32_t& count : streams.perFolder) {
      // Each file needs at least a bit of the files' records after this.
      count = reader.Count(0);
      total += count;
      if (total > reader.left() * 8 + folders) return Bad("counts more files than it can hold");
    }
    id = reader.Byte();
  }
  streams.sizes.clear();
  for (std::size_t f = 0; f < folders; ++f) {
    const std::uint32_t count = streams.perFolder[f];
    if (count == 0) continue;
    std::uint64_t sum = 0;
    for (std::uint32_t i = 0; i + 1 < count; ++i) {
      const std::uint64_t size = id == kSize ? reader.Number() : 0;
      if (id != kSize || size > streams.folders[f].size() - sum) return Bad("has sizes past their folder's");
      sum += size;
      streams.sizes.push_back(size);
    }
    streams.sizes.push_back(streams.folders[f].size() - sum);
  }
  if (id == kSize) id = reader.Byte();
  // CRCs: a folder of one file has its folder's, when stored; the rest come here.
  std::size_t unknown = 0;
  for (std::size_t f = 0; f < folders; ++f) {
    if (!(streams.perFolder[f] == 1 && streams.folders[f].crc)) unknown += streams.perFolder[f];
  }
  std::vector<std::optional<std::uint32_t>> digests(unknown);
  for (; id != kEnd && reader.ok(); id = reader.Byte()) {
    if (id != kCrc) return Bad("has a record where none belongs");
    ReadCrcs(reader, unknown, digests);
  }
  streams.crcs.clear();
  std::size_t next = 0;
  for (std::size_t f = 0; f < folders; ++f) {
    if (streams.perFolder[f] == 1 && streams.folders[f].crc) {
      streams.crcs.push_back(streams.folders[f].crc);
      continue;
    }
    for (std::uint32_t i = 0; i < streams.perFolder[f]; ++i) streams.crcs.push_back(digests[next++]);
  }
  return reader.ok() ? Error{} : Bad("is cut short");
}

Error ReadStreams(Reader& reader, Streams& streams) {
  bool subStreams = false;
  for (std::uint8_t id = reader.Byte(); id != kEnd; id = reader.Byte()) {
    if (!reader.ok()) return Bad("is cut short");
    Error error;
    if (id == kPackInfo && streams.packSizes.empty()) {
      error = ReadPackInfo(reader, streams);
    } else if (id == kUnpackInfo && streams.folders.empty()) {
      error = ReadUnpackInfo(reader, streams);
    } else if (id == kSubStreamsInfo && !subStreams) {
      subStreams = true;
      error = ReadSubStreams(reader, streams);
    } else {
      error = Bad("has a record where none belongs");
    }
    if (error) return error;
  }
  if (!subStreams) {  // a file a folder
    streams.perFolder.assign(streams.folders.size(), 1);
    for (const Folder& folder : streams.folders) {
      streams.sizes.push_back(folder.size());
      streams.crcs.push_back(folder.crc);
    }
  }
  return reader.ok() ? Error{} : Bad("is cut short");
}

std::string Utf16Name(std::span<const std::uint8_t> bytes) {
  std::string name;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t unit = bytes[i] | bytes[i + 1] << 8;
    if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
      const char32_t low = bytes[i + 2] | bytes[i + 3] << 8;
      if (low >= 0xDC00 && low < 0xE000) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    if (unit >= 0xD800 && unit < 0xE000) unit = 0xFFFD;  // a lone surrogate
    AppendUtf8(name, unit);
  }
  return name;
}

Error ReadNames(Reader& reader, std::vector<Item>& items) {
  if (reader.Byte() != 0) return Bad("keeps its names elsewhere");
  for (Item& item : items) {
    std::size_t length = 0;
    const std::size_t left = reader.left();
    auto rest = reader.Take(left);
    while (length + 1 < rest.size() && (rest[length] != 0 || rest[length + 1] != 0)) length += 2;
    if (length + 1 >= rest.size()) return Bad("has a name without its end");
    item.name = Utf16Name(rest.first(length));
    reader = Reader(rest.subspan(length + 2));
  }
  return reader.left() == 0 ? Error{} : Bad("has more names than files");
}

void ReadTimes(Reader& reader, std::vector<Item>& items, std::optional<std::uint64_t> Item::*time) {
  const std::vector<bool> defined = reader.Defined(items.size());
  if (reader.Byte() != 0) return reader.Fail();  // kept elsewhere
  for (std::size_t i = 0; i < items.size() && reader.ok(); ++i) {
    if (defined[i]) items[i].*time = reader.U64();
  }
}

Error ReadFiles(Reader& reader, Header& header) {
  // Each file takes at least a byte of what follows (its name's end alone takes two), so that a
  // count that lies allocates no more than the header could describe.
  const std::uint32_t count = reader.Count(1);
  header.items.resize(count);
  std::vector<bool> empty(count, false), emptyFile, anti;
  std::size_t empties = 0;
  for (std::uint8_t type = reader.Byte(); type != kEnd; type = reader.Byte()) {
    Reader record(reader.Take(reader.Number()));
    if (!reader.ok()) return Bad("is cut short");
    switch (type) {
      case kEmptyStream:
        empty = record.Bits(count);
        empties = static_cast<std::size_t>(std::count(empty.begin(), empty.end(), true));
        break;
      case kEmptyFile:
        emptyFile = record.Bits(empties);
        break;
      case kAnti:
        anti = record.Bits(empties);
        break;
      case kNames:
        if (Error error = ReadNames(record, header.items)) return error;
        break;
      case kCTime:
        ReadTimes(record, header.items, &Item::created);
        break;
      case kATime:
        ReadTimes(record, header.items, &Item::accessed);
        break;
      case kMTime:
        ReadTimes(record, header.items, &Item::modified);
        break;
      case kAttributes: {
        const std::vector<bool> defined = record.Defined(count);
        if (record.Byte() != 0) return Bad("keeps its attributes elsewhere");
        for (std::size_t i = 0; i < count && record.ok(); ++i) {
          if (defined[i]) header.items[i].attributes = record.U32();
        }
        break;
      }
      default:
        break;  // start positions, padding and what later writers add: nothing to extract
    }
    if (!record.ok()) return Bad("has a file record that does not check out");
  }
  std::size_t e = 0, streams = 0;
  for (std::size_t i = 0; i < count; ++i) {
    Item& item = header.items[i];
    item.hasData = !empty[i];
    if (empty[i]) {
      item.folder = !(e < emptyFile.size() && emptyFile[e]);
      item.anti = e < anti.size() && anti[e];
      ++e;
    } else {
      ++streams;
    }
  }
  if (streams != header.streams.sizes.size()) return Bad("has files that do not match its streams");
  return reader.ok() ? Error{} : Bad("is cut short");
}

}  // namespace

std::uint32_t Folder::FirstInput(std::uint32_t coder) const {
  std::uint32_t first = 0;
  for (std::uint32_t i = 0; i < coder; ++i) first += coders[i].inputs;
  return first;
}

Error ReadStart(std::span<const std::uint8_t> bytes, Start& start) {
  static constexpr std::uint8_t kMagic[] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
  if (bytes.size() < kSignatureHeaderSize || !std::equal(std::begin(kMagic), std::end(kMagic), bytes.begin())) {
    return Bad("is missing");
  }
  if (bytes[6] != 0) return Error{Failure::UnsupportedMethod, {}, {}, "a later 7z format"};
  Reader reader(bytes.subspan(8));
  const std::uint32_t crc = reader.U32();
  const auto rest = bytes.subspan(12, 20);
  if (crc32(0, rest.data(), static_cast<uInt>(rest.size())) != crc) return Bad("fails its check");
  start.offset = reader.U64();
  start.size = reader.U64();
  start.crc = reader.U32();
  return {};
}

Error ReadHeader(std::span<const std::uint8_t> bytes, Header& header) {
  Reader reader(bytes);
  if (reader.Byte() != kHeader) return Bad("is not one");
  std::uint8_t id = reader.Byte();
  if (id == kArchiveProperties) {
    while (reader.ok() && reader.Byte() != 0) reader.Take(reader.Number());
    id = reader.Byte();
  }
  if (id == kAdditionalStreams) {
    Streams unused;  // only for data kept outside the header, which no reader here follows
    if (Error error = ReadStreams(reader, unused)) return error;
    id = reader.Byte();
  }
  if (id == kMainStreams) {
    if (Error error = ReadStreams(reader, header.streams)) return error;
    id = reader.Byte();
  }
  if (id == kFilesInfo) {
    if (Error error = ReadFiles(reader, header)) return error;
    id = reader.Byte();
  } else if (!header.streams.sizes.empty()) {
    return Bad("has data but no files");
  }
  if (!reader.ok() || id != kEnd) return Bad("does not end as it should");
  return {};
}

Error ReadEncodedHeader(std::span<const std::uint8_t> bytes, Streams& streams) {
  Reader reader(bytes);
  if (reader.Byte() != kEncodedHeader) return Bad("is not one");
  if (Error error = ReadStreams(reader, streams)) return error;
  if (streams.folders.size() != 1) return Bad("is encoded in other than one folder");
  return {};
}

}  // namespace zip::sevenzip

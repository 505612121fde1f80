#include "engine/tar/sparse.h"

#include <array>
#include <charconv>

namespace zip {
namespace {

Error Damaged(const Entry& entry, const char* detail) { return Error{Failure::Damaged, {}, entry.name, detail}; }

bool Decimal(std::string_view text, std::uint64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// The stretches as a map gives them, each checked against those before and the file's size;
// empty ones dropped and adjoining ones joined, so what is held is no more than the file needs.
class Map {
 public:
  Map(Entry& entry, std::uint64_t size, std::size_t& budget) : entry_(entry), size_(size), budget_(budget) {
    entry_.sparse = true;
    entry_.size = size;
    entry_.extents.clear();
  }

  Error Add(std::uint64_t offset, std::uint64_t size) {
    if (offset < end_ || size > size_ || offset > size_ - size) {
      return Damaged(entry_, "its sparse map is out of order, overlaps or reaches past the file's end");
    }
    end_ = offset + size;
    stored_ += size;
    if (size == 0) return {};
    if (!entry_.extents.empty() && entry_.extents.back().offset + entry_.extents.back().size == offset) {
      entry_.extents.back().size += size;
      return {};
    }
    if (budget_ == 0) return Damaged(entry_, "its sparse map is longer than any file's");
    --budget_;
    entry_.extents.push_back({offset, size});
    return {};
  }

  // The data the stream holds for it, from where the stream is now.
  Error Finish(std::uint64_t data, std::uint64_t dataOffset) {
    if (stored_ != data) return Damaged(entry_, "its sparse map does not match its data");
    entry_.compressedSize = data;
    entry_.dataOffset = dataOffset;
    return {};
  }

 private:
  Entry& entry_;
  const std::uint64_t size_;
  std::size_t& budget_;
  std::uint64_t end_ = 0;     // of the last stretch
  std::uint64_t stored_ = 0;  // the stretches' bytes
};

// Old GNU: four stretches in the header, 21 in each extension block; an empty size ends them.
constexpr std::size_t kStretchSize = 24, kNumberSize = 12;
constexpr std::size_t kHeaderMapAt = 386, kHeaderStretches = 4, kHeaderExtendedAt = 482, kRealSizeAt = 483;
constexpr std::size_t kBlockStretches = 21, kBlockExtendedAt = 504;

Error AddStretches(std::span<const std::uint8_t> stretches, std::size_t count, Map& map, const Entry& entry) {
  for (std::size_t i = 0; i < count; ++i) {
    const auto stretch = stretches.subspan(i * kStretchSize, kStretchSize);
    if (stretch[kNumberSize] == 0) break;
    std::int64_t offset = 0, size = 0;
    if (!TarNumber(stretch.first(kNumberSize), offset) || !TarNumber(stretch.subspan(kNumberSize), size) ||
        offset < 0 || size < 0) {
      return Damaged(entry, "its sparse map holds a number that is none");
    }
    if (Error error = map.Add(static_cast<std::uint64_t>(offset), static_cast<std::uint64_t>(size))) return error;
  }
  return {};
}

// 1.0: decimal numbers a line each, in whole blocks at the data's start, never past the data.
class MapText {
 public:
  MapText(Stream& stream, std::uint64_t stored, const Entry& entry)
      : stream_(stream), blocks_((stored + kTarBlock - 1) / kTarBlock), entry_(entry) {}

  Error Next(std::uint64_t& value) {
    std::string digits;
    for (;;) {
      if (at_ == kTarBlock) {
        if (read_ == blocks_) return Damaged(entry_, "its sparse map runs past its data");
        std::size_t got = 0;
        if (Error error = stream_.Read(block_.data(), block_.size(), got)) return error;
        if (got != block_.size()) return Error{Failure::Damaged, {}, entry_.name, "the archive ends early"};
        ++read_;
        at_ = 0;
      }
      const char c = static_cast<char>(block_[at_++]);
      if (c == '\n') break;
      if (c < '0' || c > '9' || digits.size() == 20) return Damaged(entry_, "its sparse map holds a number that is none");
      digits += c;
    }
    if (!Decimal(digits, value)) return Damaged(entry_, "its sparse map holds a number that is none");
    return {};
  }

  std::uint64_t consumed() const { return read_ * kTarBlock; }

 private:
  Stream& stream_;
  const std::uint64_t blocks_;  // the stored data's
  const Entry& entry_;
  std::array<std::uint8_t, kTarBlock> block_{};
  std::size_t at_ = kTarBlock;
  std::uint64_t read_ = 0;
};

}  // namespace

Error ReadSparseRecord(std::string_view key, std::string_view value, SparsePax& sparse) {
  const auto number = [&](std::optional<std::uint64_t>& field) {
    std::uint64_t parsed = 0;
    if (!Decimal(value, parsed)) return Error{Failure::Damaged, {}, {}, "a pax sparse record is no number"};
    field = parsed;
    return Error{};
  };
  if (key == "GNU.sparse.name") sparse.name = std::string(value);
  if (key == "GNU.sparse.realsize" || key == "GNU.sparse.size") return number(sparse.realSize);
  if (key == "GNU.sparse.major") return number(sparse.major);
  if (key == "GNU.sparse.minor") return number(sparse.minor);
  if (key == "GNU.sparse.map") sparse.map = std::string(value);
  if (key == "GNU.sparse.numblocks") sparse.numbered = true;
  if (key == "GNU.sparse.offset" || key == "GNU.sparse.numbytes") {
    // 0.0 repeats the two in turn, against pax's rule that the last record of a key counts.
    std::optional<std::uint64_t> parsed;
    if (Error error = number(parsed)) return error;
    if ((sparse.pairs.size() % 2 == 0) != (key == "GNU.sparse.offset") || sparse.pairs.size() >= 2 * kMostExtents) {
      return Error{Failure::Damaged, {}, {}, "a pax sparse map is out of order"};
    }
    sparse.pairs.push_back(*parsed);
  }
  return {};
}

Error ReadOldGnuSparse(std::span<const std::uint8_t> header, Stream& stream, std::uint64_t stored, Entry& entry,
                       std::size_t& budget) {
  std::int64_t size = 0;
  if (!TarNumber(header.subspan(kRealSizeAt, kNumberSize), size) || size < 0) {
    return Damaged(entry, "its sparse size is no number");
  }
  Map map(entry, static_cast<std::uint64_t>(size), budget);
  if (Error error = AddStretches(header.subspan(kHeaderMapAt), kHeaderStretches, map, entry)) return error;
  std::array<std::uint8_t, kTarBlock> block{};
  for (bool extended = header[kHeaderExtendedAt] != 0; extended; extended = block[kBlockExtendedAt] != 0) {
    std::size_t got = 0;
    if (Error error = stream.Read(block.data(), block.size(), got)) return error;
    if (got != block.size()) return Damaged(entry, "the archive ends early");
    if (Error error = AddStretches(block, kBlockStretches, map, entry)) return error;
  }
  return map.Finish(stored, stream.position());
}

Error ReadPaxSparse(const SparsePax& sparse, Stream& stream, std::uint64_t stored, Entry& entry,
                    std::size_t& budget, std::uint64_t& consumed) {
  consumed = 0;
  const std::uint64_t major = sparse.major.value_or(0), minor = sparse.minor.value_or(0);
  if (major > 1 || (major == 1 && minor != 0) || (major == 0 && minor > 1)) {
    return Error{Failure::UnsupportedMethod, {}, entry.name,
                 "GNU tar's sparse format " + std::to_string(major) + "." + std::to_string(minor)};
  }
  Map map(entry, sparse.realSize.value_or(stored), budget);
  if (major == 1) {
    MapText text(stream, stored, entry);
    std::uint64_t count = 0;
    if (Error error = text.Next(count)) return error;
    for (std::uint64_t i = 0; i < count; ++i) {
      std::uint64_t offset = 0, size = 0;
      if (Error error = text.Next(offset)) return error;
      if (Error error = text.Next(size)) return error;
      if (Error error = map.Add(offset, size)) return error;
    }
    consumed = text.consumed();
    if (consumed > stored) return Damaged(entry, "its sparse map runs past its data");
    return map.Finish(stored - consumed, stream.position());
  }
  if (sparse.map) {
    std::optional<std::uint64_t> offset;  // waiting for its size
    for (std::string_view rest = *sparse.map; !rest.empty();) {
      const std::size_t comma = rest.find(',');
      std::uint64_t number = 0;
      if (!Decimal(rest.substr(0, comma), number)) return Damaged(entry, "its sparse map holds a number that is none");
      if (offset) {
        if (Error error = map.Add(*offset, number)) return error;
        offset.reset();
      } else {
        offset = number;
      }
      rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    if (offset) return Damaged(entry, "its sparse map holds an offset without a size");
  } else {
    if (sparse.pairs.size() % 2 != 0) return Damaged(entry, "its sparse map holds an offset without a size");
    for (std::size_t i = 0; i < sparse.pairs.size(); i += 2) {
      if (Error error = map.Add(sparse.pairs[i], sparse.pairs[i + 1])) return error;
    }
  }
  return map.Finish(stored, stream.position());
}

}  // namespace zip

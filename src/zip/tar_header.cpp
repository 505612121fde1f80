#include "zip/tar_header.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace zip {
namespace {

constexpr std::size_t kNameAt = 0, kNameSize = 100;
constexpr std::size_t kSizeAt = 124, kNumberSize = 12;
constexpr std::size_t kModifiedAt = 136;
constexpr std::size_t kChecksumAt = 148, kChecksumSize = 8;
constexpr std::size_t kTypeAt = 156;
constexpr std::size_t kLinkAt = 157;
constexpr std::size_t kMagicAt = 257;
constexpr std::size_t kPrefixAt = 345, kPrefixSize = 155;

std::string Field(std::span<const std::uint8_t> block, std::size_t at, std::size_t size) {
  const auto field = block.subspan(at, size);
  const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
  return std::string(field.begin(), end);
}

}  // namespace

// Octal digits between optional blanks and NULs, or GNU's base-256: the top bit set, the rest
// of the field a two's complement number whose sign is the first byte's next bit.
bool TarNumber(std::span<const std::uint8_t> field, std::int64_t& value) {
  value = 0;
  if ((field[0] & 0x80) != 0) {
    value = (field[0] & 0x40) != 0 ? static_cast<std::int64_t>(field[0] & 0x3F) - 0x40 : field[0] & 0x3F;
    for (std::size_t i = 1; i < field.size(); ++i) {
      if (value > (INT64_MAX >> 8) || value < (INT64_MIN >> 8)) return false;
      value = value * 256 + field[i];
    }
    return true;
  }
  std::size_t i = 0;
  while (i < field.size() && field[i] == ' ') ++i;
  bool digits = false;
  for (; i < field.size() && field[i] >= '0' && field[i] <= '7'; ++i) {
    if (value > (INT64_MAX >> 3)) return false;
    value = value * 8 + (field[i] - '0');
    digits = true;
  }
  for (; i < field.size(); ++i) {
    if (field[i] != ' ' && field[i] != 0) return false;
  }
  return digits || field[0] == 0;
}

bool StartsTar(std::span<const std::uint8_t> head) {
  const auto magicAt = [&](std::size_t block) {
    return head.size() >= block + kTarBlock && std::memcmp(head.data() + block + kMagicAt, "ustar", 5) == 0;
  };
  if (magicAt(0)) return true;
  TarHeader label;
  return magicAt(kTarBlock) && head[kTypeAt] == 'V' && !ReadTarHeader(head.first(kTarBlock), label);
}

Error ReadTarHeader(std::span<const std::uint8_t> block, TarHeader& header) {
  const auto damaged = [](const char* detail) { return Error{Failure::Damaged, {}, {}, detail}; };
  std::int64_t stored = 0;
  if (!TarNumber(block.subspan(kChecksumAt, kChecksumSize), stored)) return damaged("a tar header's checksum is no number");
  // The checksum field counts as blanks; old writers summed signed bytes.
  std::int64_t sum = 0, signedSum = 0;
  for (std::size_t i = 0; i < kTarBlock; ++i) {
    const bool inField = i >= kChecksumAt && i < kChecksumAt + kChecksumSize;
    sum += inField ? ' ' : block[i];
    signedSum += inField ? ' ' : static_cast<std::int8_t>(block[i]);
  }
  if (stored != sum && stored != signedSum) {
    return damaged("a tar header's checksum does not match");
  }
  std::int64_t size = 0;
  if (!TarNumber(block.subspan(kSizeAt, kNumberSize), size) ||
      !TarNumber(block.subspan(kModifiedAt, kNumberSize), header.modified)) {
    return damaged("a tar header holds a number that is none");
  }
  if (size < 0) return damaged("a tar header gives a size below zero");
  header.size = static_cast<std::uint64_t>(size);
  header.type = static_cast<char>(block[kTypeAt]);
  header.name = Field(block, kNameAt, kNameSize);
  header.linkName = Field(block, kLinkAt, kNameSize);
  // Only POSIX ustar has a prefix there; GNU tar keeps other fields in its place.
  if (std::memcmp(block.data() + kMagicAt, "ustar\0", 6) == 0) {
    const std::string prefix = Field(block, kPrefixAt, kPrefixSize);
    if (!prefix.empty()) header.name = prefix + "/" + header.name;
  }
  return {};
}

Error FileTarStream::Read(std::uint8_t* data, std::size_t size, std::size_t& got) {
  if (Error error = CheckCancelled()) return error;
  if (Error error = file_.ReadAt(position_, data, size, got)) return error;
  position_ += got;
  return {};
}

Error FileTarStream::Skip(std::uint64_t size) {
  if (!fileSize_) {
    std::uint64_t fileSize = 0;
    if (Error error = file_.Size(fileSize)) return error;
    fileSize_ = fileSize;
  }
  if (position_ > *fileSize_ || size > *fileSize_ - position_) {
    return Error{Failure::Damaged, {}, {}, "the archive ends early"};
  }
  position_ += size;
  return {};
}

struct GzipTarStream::State {
  z_stream stream{};
  gz_header header{};
  std::array<Bytef, 1024> name{};
  bool begun = false;
  bool ended = false;  // the last member's end read, and nothing but zeros after it
};

GzipTarStream::GzipTarStream(const os::File& file) : file_(file), state_(std::make_unique<State>()) {
  if (inflateInit2(&state_->stream, 16 + MAX_WBITS) != Z_OK) throw std::bad_alloc();
  state_->header.name = state_->name.data();
  state_->header.name_max = static_cast<uInt>(state_->name.size() - 1);
  inflateGetHeader(&state_->stream, &state_->header);
}

GzipTarStream::~GzipTarStream() { inflateEnd(&state_->stream); }

std::string GzipTarStream::StoredName() const {
  return state_->begun ? std::string(reinterpret_cast<const char*>(state_->name.data())) : std::string();
}

std::optional<std::int64_t> GzipTarStream::StoredTime() const {
  if (!state_->begun || state_->header.time == 0) return std::nullopt;  // 0: no time stored
  return static_cast<std::int64_t>(state_->header.time);
}

Error GzipTarStream::Read(std::uint8_t* data, std::size_t size, std::size_t& got) {
  const auto damaged = [](const char* detail) { return Error{Failure::Damaged, {}, {}, detail}; };
  z_stream& stream = state_->stream;
  got = 0;
  while (got < size && !state_->ended) {
    if (pending_.empty()) {
      if (Error error = Refill()) return error;
      if (pending_.empty()) return damaged("its gzip stream ends early");
    }
    stream.next_in = const_cast<Bytef*>(pending_.data());  // zlib's interface is not const
    stream.avail_in = static_cast<uInt>(pending_.size());
    stream.next_out = data + got;
    stream.avail_out = static_cast<uInt>(std::min<std::size_t>(size - got, UINT32_MAX));
    const int status = inflate(&stream, Z_NO_FLUSH);
    got += static_cast<std::size_t>(stream.next_out - (data + got));
    pending_ = pending_.subspan(pending_.size() - stream.avail_in);
    state_->begun = true;
    if (status == Z_STREAM_END) {
      if (Error error = NextMember()) return error;
    } else if (status == Z_MEM_ERROR) {
      return Error{Failure::NoMemory, {}, {}, {}};
    } else if (status != Z_OK && status != Z_BUF_ERROR) {
      return damaged("its gzip stream is damaged");
    }
  }
  position_ += got;
  return {};
}

Error GzipTarStream::Refill() {
  if (Error error = CheckCancelled()) return error;
  if (!pending_.empty()) std::memmove(input_.data(), pending_.data(), pending_.size());
  std::size_t read = 0;
  if (Error error = file_.ReadAt(fileOffset_, input_.data() + pending_.size(), input_.size() - pending_.size(), read)) {
    return error;
  }
  fileOffset_ += read;
  pending_ = std::span<const std::uint8_t>(input_.data(), pending_.size() + read);
  return {};
}

// Another member follows (its magic may have been cut by the window's end), or only zeros, which
// tape blocking adds, up to the file's end. Anything else may be a member whose header is damaged:
// gzip itself warns, and the data would be lost unsaid.
Error GzipTarStream::NextMember() {
  if (pending_.size() < 2) {
    if (Error error = Refill()) return error;
  }
  if (pending_.size() >= 2 && pending_[0] == 0x1F && pending_[1] == 0x8B) {
    if (inflateReset(&state_->stream) != Z_OK) return Error{Failure::Damaged, {}, {}, "its gzip stream is damaged"};
    return {};
  }
  while (!pending_.empty()) {
    if (std::any_of(pending_.begin(), pending_.end(), [](std::uint8_t b) { return b != 0; })) {
      return Error{Failure::Damaged, {}, {}, "its gzip stream is followed by bytes that are not gzip"};
    }
    pending_ = {};
    if (Error error = Refill()) return error;
  }
  state_->ended = true;
  return {};
}

Error GzipTarStream::Skip(std::uint64_t size) {
  while (size > 0) {
    std::size_t got = 0;
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(size, scratch_.size()));
    if (Error error = Read(scratch_.data(), want, got)) return error;
    if (got != want) return Error{Failure::Damaged, {}, {}, "the archive ends early"};
    size -= got;
  }
  return {};
}

Error GzipTarStream::Finish() {
  for (std::size_t got = scratch_.size(); got > 0;) {
    if (Error error = Read(scratch_.data(), scratch_.size(), got)) return error;
  }
  return {};
}

}  // namespace zip

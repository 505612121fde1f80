#include "engine/codec/stream.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace zip {

Error FileStream::Read(std::uint8_t* data, std::size_t size, std::size_t& got) {
  if (Error error = CheckCancelled()) return error;
  if (Error error = file_.ReadAt(position_, data, size, got)) return error;
  position_ += got;
  return {};
}

Error FileStream::Skip(std::uint64_t size) {
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


bool StartsGzip(std::span<const std::uint8_t> head) {
  return head.size() >= 3 && head[0] == 0x1F && head[1] == 0x8B && head[2] == 0x08;
}

struct GzipStream::State {
  z_stream stream{};
  gz_header header{};
  std::array<Bytef, 1024> name{};
  bool begun = false;
  bool ended = false;  // the last member's end read, and nothing but zeros after it
};

GzipStream::GzipStream(const os::File& file) : file_(file), state_(std::make_unique<State>()) {
  if (inflateInit2(&state_->stream, 16 + MAX_WBITS) != Z_OK) throw std::bad_alloc();
  state_->header.name = state_->name.data();
  state_->header.name_max = static_cast<uInt>(state_->name.size() - 1);
  inflateGetHeader(&state_->stream, &state_->header);
}

GzipStream::~GzipStream() { inflateEnd(&state_->stream); }

std::string GzipStream::StoredName() const {
  return state_->begun ? std::string(reinterpret_cast<const char*>(state_->name.data())) : std::string();
}

std::optional<std::int64_t> GzipStream::StoredTime() const {
  if (!state_->begun || state_->header.time == 0) return std::nullopt;  // 0: no time stored
  return static_cast<std::int64_t>(state_->header.time);
}

Error GzipStream::Read(std::uint8_t* data, std::size_t size, std::size_t& got) {
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

Error GzipStream::Refill() {
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
Error GzipStream::NextMember() {
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

Error Stream::SkipByReading(std::uint64_t size, std::span<std::uint8_t> scratch) {
  while (size > 0) {
    std::size_t got = 0;
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(size, scratch.size()));
    if (Error error = Read(scratch.data(), want, got)) return error;
    if (got != want) return Error{Failure::Damaged, {}, {}, "the archive ends early"};
    size -= got;
  }
  return {};
}

Error GzipStream::Skip(std::uint64_t size) { return SkipByReading(size, scratch_); }

Error GzipStream::Finish() {
  for (std::size_t got = scratch_.size(); got > 0;) {
    if (Error error = Read(scratch_.data(), scratch_.size(), got)) return error;
  }
  return {};
}

}  // namespace zip

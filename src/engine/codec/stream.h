#pragma once
// The byte streams archives come in, read front to back: the file itself, or what its gzip
// members inflate to.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "engine/codec/bytes.h"
#include "engine/sys/error.h"
#include "engine/sys/os.h"

namespace zip {

// An archive's bytes front to back, as a format reads them.
class Stream {
 public:
  virtual ~Stream() = default;
  // Fills `size` bytes unless the data ends first; `got` tells how many.
  virtual Error Read(std::uint8_t* data, std::size_t size, std::size_t& got) = 0;
  // Passes over `size` bytes; Damaged when the data ends first.
  virtual Error Skip(std::uint64_t size) = 0;
  // Reads what follows the archive's end as far as it must be checked.
  virtual Error Finish() = 0;
  std::uint64_t position() const { return position_; }
  // Asked between stretches read: a long stream stops within a fraction of a second of a cancel.
  void StopWhen(std::function<bool()> cancelled) { cancelled_ = std::move(cancelled); }

 protected:
  // For a stream that decodes what it passes over: read into `scratch` and dropped.
  Error SkipByReading(std::uint64_t size, std::span<std::uint8_t> scratch);
  Error CheckCancelled() const {
    return cancelled_ && cancelled_() ? Error{Failure::Cancelled, {}, {}, {}} : Error{};
  }
  std::uint64_t position_ = 0;
  std::function<bool()> cancelled_;
};

// The archive file as it is, read by position.
class FileStream final : public Stream {
 public:
  explicit FileStream(const os::File& file) : file_(file) {}
  Error Read(std::uint8_t* data, std::size_t size, std::size_t& got) override;
  Error Skip(std::uint64_t size) override;
  Error Finish() override { return {}; }

 private:
  const os::File& file_;
  std::optional<std::uint64_t> fileSize_;
};

// A gzip member's magic and deflate's method byte.
bool StartsGzip(std::span<const std::uint8_t> head);

// What the file's gzip members inflate to, one after the other, each one's CRC-32 and length
// checked at its end; after the last, nothing but zeros.
class GzipStream final : public Stream {
 public:
  explicit GzipStream(const os::File& file);
  ~GzipStream() override;
  GzipStream(const GzipStream&) = delete;
  GzipStream& operator=(const GzipStream&) = delete;
  Error Read(std::uint8_t* data, std::size_t size, std::size_t& got) override;
  Error Skip(std::uint64_t size) override;
  // To the last member's end, so that its CRC-32 is checked.
  Error Finish() override;
  // The first member's stored name (FNAME), once the stream has begun; empty without one.
  std::string StoredName() const;
  // The first member's stored time (MTIME), when it has one.
  std::optional<std::int64_t> StoredTime() const;

 private:
  // Keeps what is left of the input at the buffer's start and reads after it.
  Error Refill();
  Error NextMember();

  const os::File& file_;
  std::uint64_t fileOffset_ = 0;
  Bytes input_ = Bytes(std::size_t{256} * 1024);
  Bytes scratch_ = Bytes(std::size_t{256} * 1024);
  std::span<const std::uint8_t> pending_;
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zip

#pragma once
// A gzip stream's members inflated one after the other.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "engine/codec/bytes.h"
#include "engine/codec/stream.h"

namespace zip {

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

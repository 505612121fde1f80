#pragma once
// The tar formats' 512-byte header block (ustar, with the GNU and pax additions read elsewhere)
// and the data streams tar archives come in: the file itself, or a gzip stream of it.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "zip/bytes.h"
#include "zip/os.h"
#include "zip/zip.h"

namespace zip {

inline constexpr std::size_t kTarBlock = 512;

// A tar's first bytes: "ustar" at offset 257 (POSIX ustar and pax write "ustar\0", GNU tar
// "ustar  "), or GNU's volume label (tar -V), which has no magic of its own, before a header that has it.
bool StartsTar(std::span<const std::uint8_t> head);

struct TarHeader {
  std::string name;      // prefix and name joined, as stored
  std::string linkName;
  std::uint64_t size = 0;
  std::int64_t modified = 0;
  char type = '0';
};

// A header's number field, negative ones included (times before 1970); false when it is none.
bool TarNumber(std::span<const std::uint8_t> field, std::int64_t& value);

// Damaged when the checksum does not match or a number is not one.
Error ReadTarHeader(std::span<const std::uint8_t> block, TarHeader& header);

// A tar's bytes front to back.
class TarStream {
 public:
  virtual ~TarStream() = default;
  // Fills `size` bytes unless the data ends first; `got` tells how many.
  virtual Error Read(std::uint8_t* data, std::size_t size, std::size_t& got) = 0;
  // Passes over `size` bytes; Damaged when the data ends first.
  virtual Error Skip(std::uint64_t size) = 0;
  // Reads what follows the tar's end as far as it must be checked.
  virtual Error Finish() = 0;
  std::uint64_t position() const { return position_; }
  // Asked between stretches read: a long stream stops within a fraction of a second of a cancel.
  void StopWhen(std::function<bool()> cancelled) { cancelled_ = std::move(cancelled); }

 protected:
  Error CheckCancelled() const {
    return cancelled_ && cancelled_() ? Error{Failure::Cancelled, {}, {}, {}} : Error{};
  }
  std::uint64_t position_ = 0;
  std::function<bool()> cancelled_;
};

// The archive file as it is, read by position.
class FileTarStream final : public TarStream {
 public:
  explicit FileTarStream(const os::File& file) : file_(file) {}
  Error Read(std::uint8_t* data, std::size_t size, std::size_t& got) override;
  Error Skip(std::uint64_t size) override;
  Error Finish() override { return {}; }

 private:
  const os::File& file_;
  std::optional<std::uint64_t> fileSize_;
};

// What the file's gzip members inflate to, one after the other, each one's CRC-32 and length
// checked at its end; after the last, nothing but zeros.
class GzipTarStream final : public TarStream {
 public:
  explicit GzipTarStream(const os::File& file);
  ~GzipTarStream() override;
  GzipTarStream(const GzipTarStream&) = delete;
  GzipTarStream& operator=(const GzipTarStream&) = delete;
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

#pragma once
// The byte streams archives come in, read front to back: the file itself, or (gzip_stream.h)
// what it inflates to.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

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

}  // namespace zip

#pragma once
// A stream decoded on a thread of its own, a few buffers ahead of its reader, so that decoding
// and writing what it gives overlap: the reader waits only when the decoder is slower.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/codec/bytes.h"
#include "engine/codec/stream.h"
#include "engine/sys/os.h"

namespace zip {

class ReadAheadStream final : public Stream {
 public:
  // The inner stream is read front to back to its end, then finished; a cancel is its own to ask.
  explicit ReadAheadStream(std::unique_ptr<Stream> inner);
  ~ReadAheadStream() override;  // stops the decoding thread
  ReadAheadStream(const ReadAheadStream&) = delete;
  ReadAheadStream& operator=(const ReadAheadStream&) = delete;

  Error Read(std::uint8_t* data, std::size_t size, std::size_t& got) override;
  Error Skip(std::uint64_t size) override;
  // To the inner stream's end, all of it read and checked.
  Error Finish() override;
  // Read by this thread only once a read has returned data: the inner stream's fields (a gzip
  // member's stored name) are set by then.
  const Stream& inner() const { return *inner_; }

 private:
  static constexpr std::size_t kBuffers = 4;
  static constexpr std::size_t kBufferSize = std::size_t{1} << 20;

  // Into `data` when given, else passed over: at most `size` bytes, fewer only at the end.
  Error Take(std::uint8_t* data, std::uint64_t size, std::uint64_t& got);
  void Produce();

  const std::unique_ptr<Stream> inner_;
  std::array<Bytes, kBuffers> ring_;
  std::array<std::size_t, kBuffers> filled_{};
  std::size_t head_ = 0;   // the buffer being read, while count_ > 0
  std::size_t offset_ = 0;  // into it
  std::size_t count_ = 0;   // buffers filled and not yet read through
  bool ended_ = false;      // the inner stream at its end; end_ says how it ended
  Error end_;
  bool stop_ = false;
  os::Mutex mutex_;  // over the fields above; a buffer is the decoder's until filled, then the reader's
  os::Condition changed_;
  std::unique_ptr<os::Thread> thread_;  // last: started once all it uses is made
};

}  // namespace zip

#pragma once
// A stream decoded on a thread of its own, a few buffers ahead of its reader, so that decoding
// and writing what it gives overlap: the reader waits only when the decoder is slower.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "engine/codec/bytes.h"
#include "engine/codec/stream.h"
#include "engine/sys/os.h"

namespace zip {

class ReadAheadStream final : public Stream {
 public:
  // What the decoding thread fills the stream through.
  class Sink {
   public:
    // Room to write the next bytes into; empty once the reader has gone.
    std::span<std::uint8_t> Room();
    // `size` bytes of the room written.
    void Fill(std::size_t size);

   private:
    friend class ReadAheadStream;
    explicit Sink(ReadAheadStream& stream) : stream_(stream) {}
    ReadAheadStream& stream_;
  };
  // Run on the thread: the stream's bytes, in order, then how the stream ended.
  using Produce = std::function<Error(Sink& sink)>;

  explicit ReadAheadStream(Produce produce);
  // The inner stream read front to back to its end, then finished, its positions kept; a cancel
  // is its own to ask.
  explicit ReadAheadStream(std::unique_ptr<Stream> inner);
  ~ReadAheadStream() override;  // stops the decoding thread
  ReadAheadStream(const ReadAheadStream&) = delete;
  ReadAheadStream& operator=(const ReadAheadStream&) = delete;

  Error Read(std::uint8_t* data, std::size_t size, std::size_t& got) override;
  Error Skip(std::uint64_t size) override;
  // To the stream's end, all of it read and checked.
  Error Finish() override;

 private:
  static constexpr std::size_t kBuffers = 4;
  static constexpr std::size_t kBufferSize = std::size_t{1} << 20;

  // Into `data` when given, else passed over: at most `size` bytes, fewer only at the end.
  Error Take(std::uint8_t* data, std::uint64_t size, std::uint64_t& got);
  void Start();
  void Run();

  Produce produce_;
  std::array<Bytes, kBuffers> ring_;
  std::array<std::size_t, kBuffers> filled_{};
  std::size_t head_ = 0;    // the buffer being read, while count_ > 0
  std::size_t offset_ = 0;  // into it
  std::size_t tail_ = 0;    // the buffer being filled
  std::size_t count_ = 0;   // buffers filled and not yet read through
  bool ended_ = false;      // the stream at its end; end_ says how it ended
  Error end_;
  bool stop_ = false;
  os::Mutex mutex_;  // over the fields above; a buffer is the decoder's until handed over
  os::Condition changed_;
  std::unique_ptr<os::Thread> thread_;  // last: started once all it uses is made
};

}  // namespace zip

// bzip2 through its own library: a file may hold several streams (pbzip2 writes one per block
// range), each with its combined CRC checked at its end.
#include <bzlib.h>

#include <algorithm>
#include <climits>
#include <iterator>
#include <cstdlib>
#include <new>

#include "engine/codec/stream_decoder.h"

// The library's assertions: in decoding, reached only past a switch's last case, never by input.
extern "C" void bz_internal_error(int) { std::abort(); }

namespace zip {
namespace {

class Bzip2Decoder final : public StreamDecoder {
 public:
  Bzip2Decoder() {
    if (Start()) throw std::bad_alloc();
  }
  ~Bzip2Decoder() override { BZ2_bzDecompressEnd(&stream_); }
  Bzip2Decoder(const Bzip2Decoder&) = delete;
  Bzip2Decoder& operator=(const Bzip2Decoder&) = delete;

  Error Decode(std::span<const std::uint8_t>& in, std::span<std::uint8_t>& out, bool& ended) override {
    ended = false;
    stream_.next_in = const_cast<char*>(reinterpret_cast<const char*>(in.data()));  // the library's interface is not const
    stream_.avail_in = static_cast<unsigned>(std::min<std::size_t>(in.size(), UINT_MAX));
    stream_.next_out = reinterpret_cast<char*>(out.data());
    stream_.avail_out = static_cast<unsigned>(std::min<std::size_t>(out.size(), UINT_MAX));
    const int status = BZ2_bzDecompress(&stream_);
    in = in.subspan(reinterpret_cast<const std::uint8_t*>(stream_.next_in) - in.data());
    out = out.subspan(reinterpret_cast<std::uint8_t*>(stream_.next_out) - out.data());
    if (status == BZ_STREAM_END) {
      ended = true;
      return {};
    }
    if (status == BZ_OK) return {};
    if (status == BZ_MEM_ERROR) return Error{Failure::NoMemory, {}, {}, {}};
    if (status == BZ_DATA_ERROR) return Error{Failure::Damaged, {}, {}, "its bzip2 stream fails its check"};
    return Error{Failure::Damaged, {}, {}, "its bzip2 stream is damaged"};
  }
  std::size_t MagicSize() const override { return 4; }
  // A stream's header: the block size, whatever follows (a block, or the end of an empty stream).
  bool StartsMember(std::span<const std::uint8_t> head) const override {
    return head.size() >= 4 && head[0] == 'B' && head[1] == 'Z' && head[2] == 'h' && head[3] >= '1' && head[3] <= '9';
  }
  Error Restart() override {
    BZ2_bzDecompressEnd(&stream_);
    return Start();
  }
  const char* Name() const override { return "bzip2"; }

 private:
  Error Start() {
    stream_ = bz_stream{};
    if (BZ2_bzDecompressInit(&stream_, 0, 0) != BZ_OK) return Error{Failure::NoMemory, {}, {}, {}};
    return {};
  }
  bz_stream stream_{};
};

}  // namespace

std::unique_ptr<StreamDecoder> MakeBzip2Decoder() { return std::make_unique<Bzip2Decoder>(); }

// "BZh", the block size as a digit, then the first block's magic (or the end-of-stream one, empty).
bool StartsBzip2(std::span<const std::uint8_t> head) {
  static constexpr std::uint8_t kBlock[] = {0x31, 0x41, 0x59, 0x26, 0x53, 0x59};
  static constexpr std::uint8_t kEnd[] = {0x17, 0x72, 0x45, 0x38, 0x50, 0x90};
  if (head.size() < 10 || head[0] != 'B' || head[1] != 'Z' || head[2] != 'h' || head[3] < '1' || head[3] > '9') return false;
  return std::equal(std::begin(kBlock), std::end(kBlock), head.begin() + 4) ||
         std::equal(std::begin(kEnd), std::end(kEnd), head.begin() + 4);
}

}  // namespace zip

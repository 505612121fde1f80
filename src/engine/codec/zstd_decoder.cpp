// zstd through its own decoder: frames one after another (zstd -T and pzstd write several), the
// skippable ones passed over, each frame's checksum checked when it has one.
#define ZSTD_STATIC_LINKING_ONLY  // ZSTD_getFrameHeader: a window's size before it is allocated
#include <zstd.h>
#include <zstd_errors.h>

#include <algorithm>
#include <bit>
#include <new>

#include "engine/codec/stream_decoder.h"

namespace zip {
namespace {

class ZstdDecoder final : public StreamDecoder {
 public:
  ZstdDecoder() : context_(ZSTD_createDCtx()) {
    if (context_ == nullptr) throw std::bad_alloc();
    ZSTD_DCtx_setParameter(context_, ZSTD_d_windowLogMax, std::min(static_cast<int>(std::bit_width(kMaxWindow)) - 1, ZSTD_WINDOWLOG_MAX));
  }
  ~ZstdDecoder() override { ZSTD_freeDCtx(context_); }
  ZstdDecoder(const ZstdDecoder&) = delete;
  ZstdDecoder& operator=(const ZstdDecoder&) = delete;

  Error Decode(std::span<const std::uint8_t>& in, std::span<std::uint8_t>& out, bool& ended) override {
    ended = false;
    if (frameStart_) {
      ZSTD_frameHeader header{};
      if (ZSTD_getFrameHeader(&header, in.data(), in.size()) == 0) {
        frameStart_ = false;
        if (header.frameType == ZSTD_frame && header.windowSize > kMaxWindow) return WindowTooLarge(header.windowSize);
      }
    }
    ZSTD_inBuffer input{in.data(), in.size(), 0};
    ZSTD_outBuffer output{out.data(), out.size(), 0};
    const std::size_t result = ZSTD_decompressStream(context_, &output, &input);
    in = in.subspan(input.pos);
    out = out.subspan(output.pos);
    if (ZSTD_isError(result)) {
      switch (ZSTD_getErrorCode(result)) {
        case ZSTD_error_memory_allocation:
          return Error{Failure::NoMemory, {}, {}, {}};
        case ZSTD_error_frameParameter_windowTooLarge:
          return WindowTooLarge(kMaxWindow * 2);
        case ZSTD_error_checksum_wrong:
          return Error{Failure::Damaged, {}, {}, "its zstd stream fails its checksum"};
        case ZSTD_error_dictionary_wrong:
          return Error{Failure::UnsupportedMethod, {}, {}, "a zstd dictionary"};
        default:
          return Error{Failure::Damaged, {}, {}, "its zstd stream is damaged"};
      }
    }
    if (result == 0) ended = true;
    return {};
  }
  std::size_t MagicSize() const override { return 4; }
  bool StartsMember(std::span<const std::uint8_t> head) const override { return StartsZstd(head); }
  Error Restart() override {
    frameStart_ = true;
    return {};
  }
  const char* Name() const override { return "zstd"; }

 private:
  ZSTD_DCtx* context_;
  bool frameStart_ = true;
};

}  // namespace

std::unique_ptr<StreamDecoder> MakeZstdDecoder() { return std::make_unique<ZstdDecoder>(); }

// A zstd frame, or a skippable frame before one.
bool StartsZstd(std::span<const std::uint8_t> head) {
  if (head.size() < 4) return false;
  const std::uint32_t magic = head[0] | head[1] << 8 | head[2] << 16 | std::uint32_t{head[3]} << 24;
  return magic == ZSTD_MAGICNUMBER || (magic & ZSTD_MAGIC_SKIPPABLE_MASK) == ZSTD_MAGIC_SKIPPABLE_START;
}

}  // namespace zip

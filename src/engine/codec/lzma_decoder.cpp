// The old .lzma format (lzma_alone): five bytes of properties, the size or all ones when an end
// mark ends the data instead, then one LZMA stream. No check of its own: the tar inside, or the
// size, is what tells damage.
#include <LzmaDec.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "engine/codec/bytes.h"
#include "engine/codec/sdk_alloc.h"
#include "engine/codec/stream_decoder.h"

namespace zip {
namespace {

constexpr std::size_t kHeaderSize = LZMA_PROPS_SIZE + 8;
constexpr std::uint64_t kUnknownSize = ~std::uint64_t{0};

class LzmaDecoder final : public StreamDecoder {
 public:
  LzmaDecoder() { LzmaDec_CONSTRUCT(&decoder_) }
  ~LzmaDecoder() override { LzmaDec_Free(&decoder_, &alloc_); }
  LzmaDecoder(const LzmaDecoder&) = delete;
  LzmaDecoder& operator=(const LzmaDecoder&) = delete;

  Error Decode(std::span<const std::uint8_t>& in, std::span<std::uint8_t>& out, bool& ended) override {
    ended = false;
    if (headerHeld_ < kHeaderSize) return ReadHeader(in);
    const std::size_t room = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), left_));
    SizeT made = room;
    SizeT used = in.size();
    ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
    const SRes result = LzmaDec_DecodeToBuf(&decoder_, out.data(), &made, in.data(), &used, LZMA_FINISH_ANY, &status);
    in = in.subspan(used);
    out = out.subspan(made);
    if (left_ != kUnknownSize) left_ -= made;
    if (result != SZ_OK) return Error{Failure::Damaged, {}, {}, "its lzma stream is damaged"};
    if (status == LZMA_STATUS_FINISHED_WITH_MARK) {
      if (left_ != kUnknownSize && left_ != 0) return Error{Failure::Damaged, {}, {}, "its lzma stream ends early"};
      ended = true;
    } else if (left_ == 0) {
      ended = true;  // the size reached; an end mark after it is allowed too, and read here
      SizeT none = 0;
      SizeT rest = in.size();
      if (LzmaDec_DecodeToBuf(&decoder_, nullptr, &none, in.data(), &rest, LZMA_FINISH_END, &status) == SZ_OK &&
          status == LZMA_STATUS_FINISHED_WITH_MARK) {
        in = in.subspan(rest);
      }
    }
    return {};
  }
  std::size_t MagicSize() const override { return 1; }
  bool StartsMember(std::span<const std::uint8_t>) const override { return false; }  // one stream only
  Error Restart() override { return {}; }
  const char* Name() const override { return "lzma"; }

 private:
  Error ReadHeader(std::span<const std::uint8_t>& in) {
    const std::size_t take = std::min(in.size(), kHeaderSize - headerHeld_);
    std::copy_n(in.data(), take, header_.data() + headerHeld_);  // an empty `in` may have no data at all
    headerHeld_ += take;
    in = in.subspan(take);
    if (headerHeld_ < kHeaderSize) return {};
    ByteReader size(std::span<const std::uint8_t>(header_).subspan(LZMA_PROPS_SIZE));
    left_ = size.U64();
    const SRes result = LzmaDec_Allocate(&decoder_, header_.data(), LZMA_PROPS_SIZE, &alloc_);
    if (result == SZ_ERROR_MEM) return alloc_.OutOfMemory();
    if (result != SZ_OK) return Error{Failure::Damaged, {}, {}, "its lzma header is damaged"};
    LzmaDec_Init(&decoder_);
    return {};
  }

  LimitedAlloc alloc_;
  CLzmaDec decoder_{};
  std::array<std::uint8_t, kHeaderSize> header_{};
  std::size_t headerHeld_ = 0;
  std::uint64_t left_ = kUnknownSize;
};

}  // namespace

std::unique_ptr<StreamDecoder> MakeLzmaDecoder() { return std::make_unique<LzmaDecoder>(); }

// The old .lzma format has no magic: its properties byte in range, a dictionary size of the
// forms the encoders write, a size unknown or plausible, and the range coder's first byte, which
// is always zero; as xz's own tools tell it.
bool StartsLzma(std::span<const std::uint8_t> head) {
  if (head.size() < 14 || head[0] >= 9 * 5 * 5 || head[13] != 0) return false;
  ByteReader reader(head.subspan(1));
  const std::uint32_t dictionary = reader.U32();
  const std::uint64_t size = reader.U64();
  const bool dictionaryOk = dictionary == UINT32_MAX || (dictionary >= 4096 && [&] {
    const std::uint32_t top = std::uint32_t{1} << (31 - std::countl_zero(dictionary));
    return dictionary == top || dictionary == top + top / 2;
  }());
  return dictionaryOk && (size == UINT64_MAX || size < (std::uint64_t{1} << 38));
}

}  // namespace zip

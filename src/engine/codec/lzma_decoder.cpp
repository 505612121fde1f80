// The old .lzma format (lzma_alone): five bytes of properties, the size or all ones when an end
// mark ends the data instead, then one LZMA stream. No check of its own: the tar inside, or the
// size, is what tells damage. A zip entry's LZMA has a header of its own (the version that wrote
// it, the properties' size, then them) and its size in the entry; an end mark may follow.
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
constexpr std::size_t kZipHeaderSize = 4 + LZMA_PROPS_SIZE;
constexpr std::uint64_t kUnknownSize = ~std::uint64_t{0};

class LzmaDecoder final : public StreamDecoder {
 public:
  LzmaDecoder(std::size_t headerSize, std::uint64_t size) : headerSize_(headerSize), left_(size) {
    LzmaDec_CONSTRUCT(&decoder_)
  }
  ~LzmaDecoder() override { LzmaDec_Free(&decoder_, &alloc_); }
  LzmaDecoder(const LzmaDecoder&) = delete;
  LzmaDecoder& operator=(const LzmaDecoder&) = delete;

  Error Decode(std::span<const std::uint8_t>& in, std::span<std::uint8_t>& out, bool& ended) override {
    ended = false;
    if (headerHeld_ < headerSize_) return ReadHeader(in);
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
      // The size reached; an end mark after it is allowed too, and read here.
      SizeT none = 0;
      SizeT rest = in.size();
      const SRes mark = LzmaDec_DecodeToBuf(&decoder_, nullptr, &none, in.data(), &rest, LZMA_FINISH_END, &status);
      if (mark == SZ_OK && status == LZMA_STATUS_FINISHED_WITH_MARK) {
        in = in.subspan(rest);
      } else if (headerSize_ == kZipHeaderSize) {
        // An entry's data ends there too: AES without a CRC-32 would otherwise be cut short unnoticed
        // by a size that lies. The mark may go on in the next input.
        if (mark == SZ_OK && status == LZMA_STATUS_NEEDS_MORE_INPUT) {
          in = in.subspan(rest);
          return {};
        }
        if (mark != SZ_OK || status != LZMA_STATUS_MAYBE_FINISHED_WITHOUT_MARK) {
          return Error{Failure::TooLarge, {}, {}, "it inflates past its declared size"};
        }
      }
      ended = true;
    }
    return {};
  }
  std::size_t MagicSize() const override { return 1; }
  bool StartsMember(std::span<const std::uint8_t>) const override { return false; }  // one stream only
  Error Restart() override { return {}; }
  const char* Name() const override { return "lzma"; }

 private:
  Error ReadHeader(std::span<const std::uint8_t>& in) {
    const std::size_t take = std::min(in.size(), headerSize_ - headerHeld_);
    // Not memcpy: `in` may be empty, its data null.
    std::copy_n(in.begin(), take, header_.begin() + static_cast<std::ptrdiff_t>(headerHeld_));
    headerHeld_ += take;
    in = in.subspan(take);
    if (headerHeld_ < headerSize_) return {};
    std::uint8_t* properties = header_.data();
    if (headerSize_ == kZipHeaderSize) {
      if (header_[2] != LZMA_PROPS_SIZE || header_[3] != 0) {
        return Error{Failure::Damaged, {}, {}, "its lzma header is damaged"};
      }
      properties += 4;
    } else {
      ByteReader size(std::span<const std::uint8_t>(header_).subspan(LZMA_PROPS_SIZE));
      left_ = size.U64();
    }
    // The dictionary need hold no more than the data, when its size is known, so that a small
    // file never takes much.
    const std::uint32_t dictionary = properties[1] | properties[2] << 8 | properties[3] << 16 |
                                     std::uint32_t{properties[4]} << 24;
    const auto needed = static_cast<std::uint32_t>(std::min<std::uint64_t>(dictionary, std::max<std::uint64_t>(left_, 4096)));
    for (int i = 0; i < 4; ++i) properties[1 + i] = static_cast<std::uint8_t>(needed >> (8 * i));
    const SRes result = LzmaDec_Allocate(&decoder_, properties, LZMA_PROPS_SIZE, &alloc_);
    if (result == SZ_ERROR_MEM) return alloc_.OutOfMemory();
    if (result != SZ_OK) return Error{Failure::Damaged, {}, {}, "its lzma header is damaged"};
    LzmaDec_Init(&decoder_);
    return {};
  }

  LimitedAlloc alloc_;
  CLzmaDec decoder_{};
  std::array<std::uint8_t, kHeaderSize> header_{};
  std::size_t headerSize_;
  std::size_t headerHeld_ = 0;
  std::uint64_t left_;
};

}  // namespace

std::unique_ptr<StreamDecoder> MakeLzmaDecoder() { return std::make_unique<LzmaDecoder>(kHeaderSize, kUnknownSize); }

std::unique_ptr<StreamDecoder> MakeZipLzmaDecoder(std::uint64_t size) {
  return std::make_unique<LzmaDecoder>(kZipHeaderSize, size);
}

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

#pragma once
// Raw deflate compression (no zlib or gzip wrapper), one per worker, reused from block to block.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/codec/bytes.h"

namespace zip {

inline constexpr int kDeflateLevel = 6;
inline constexpr std::size_t kDictionarySize = std::size_t{32} * 1024;

class Deflater {
 public:
  Deflater();
  ~Deflater();
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // Compresses one block of a stream into `out`, primed with the data before it (at most 32 KiB),
  // so that blocks compressed apart concatenate into one stream: a block that is not the last
  // ends on a byte boundary with a sync flush.
  void Block(std::span<const std::uint8_t> dictionary, std::span<const std::uint8_t> data, bool last, Bytes& out);

 private:
  z_stream stream_{};
};

}  // namespace zip

#pragma once
// Raw deflate decompression (no zlib or gzip wrapper), one per worker, reused from entry to entry.
// Apart from deflate.h so that a program that only extracts does not carry zlib's compressor.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <span>

namespace zip {

class Inflater {
 public:
  enum class Status { More, End, Damaged };

  Inflater();
  ~Inflater();
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  void Reset();
  // Consumes from `input` and fills `output` from its start; `produced` tells how far.
  Status Run(std::span<const std::uint8_t>& input, std::span<std::uint8_t> output, std::size_t& produced);

 private:
  z_stream stream_{};
};

}  // namespace zip

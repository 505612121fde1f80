#pragma once
// Deflate64 (zip method 9): deflate with a 64 KiB window, length code 285 taking 16 extra bits
// (lengths up to 65538) and distance codes 30 and 31. zlib has no decoder for it; this is ours.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "engine/codec/bytes.h"

namespace zip {

class Inflater64 {
 public:
  enum class Status { End, Damaged, EndsEarly, Stopped };
  // Hands over the next input, empty once there is none; false stops the decoding.
  using Read = std::function<bool(std::span<const std::uint8_t>&)>;
  // Takes the next stretch of output; false stops the decoding.
  using Write = std::function<bool(std::span<const std::uint8_t>)>;

  // One Huffman table entry: a literal, a length or distance base with its extra bits, the end of
  // a block, a link to a second-level table, or a code the lengths left unused.
  struct Code {
    std::uint16_t value = 0;
    std::uint8_t bits = 0;   // the code's length; for a link, the first level's
    std::uint8_t kind = 0;   // the extra bits count, or one of the kinds below
  };
  using Table = std::vector<Code>;

  Inflater64();

  // Decodes one whole stream, reading and writing as it goes.
  Status Run(const Read& read, const Write& write);

 private:
  bool Fill(const Read& read);
  Status Stored(const Read& read, const Write& write);
  Status Dynamic(const Read& read);
  Status Codes(const Table& lengths, const Table& distances, const Read& read, const Write& write);
  bool Flush(const Write& write);

  Table fixedLengths_;
  Table fixedDistances_;
  Table lengths_;
  Table distances_;
  Table codeLengths_;
  // The last 64 KiB written (the history distances reach into) and room for the next stretch.
  Bytes window_;
  std::uint8_t* out_ = nullptr;
  std::uint8_t* written_ = nullptr;  // output before this has been handed to the writer
  std::uint8_t* start_ = nullptr;    // the earliest byte a distance may reach
  const std::uint8_t* in_ = nullptr;
  const std::uint8_t* inEnd_ = nullptr;
  std::uint64_t bits_ = 0;
  unsigned count_ = 0;
  unsigned padding_ = 0;  // zero bits added past the input's end, so that a cut stream is noticed
};

}  // namespace zip

#include "engine/codec/inflate64.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace zip {
namespace {

using Code = Inflater64::Code;
using Table = Inflater64::Table;

constexpr std::size_t kWindow = std::size_t{64} * 1024;
constexpr std::size_t kMaxMatch = 65538;
constexpr std::size_t kStretch = std::size_t{256} * 1024;
constexpr std::size_t kSlack = 8;  // a match is copied 8 bytes at a time, overshooting its end

// Code kinds beside the extra bits counts (0 to 16).
constexpr std::uint8_t kLiteral = 0x20;
constexpr std::uint8_t kEndOfBlock = 0x40;
constexpr std::uint8_t kUnused = 0x60;
constexpr std::uint8_t kLink = 0x80;

constexpr unsigned kMaxCodeBits = 15;
constexpr unsigned kLengthBits = 10;  // first-level table bits; longer codes go through a link
constexpr unsigned kDistanceBits = 8;
constexpr unsigned kCodeLengthBits = 7;

constexpr std::array<Code, 288> kLengthSymbols = [] {
  std::array<Code, 288> symbols{};
  for (unsigned s = 0; s < 256; ++s) symbols[s] = {static_cast<std::uint16_t>(s), 0, kLiteral};
  symbols[256] = {0, 0, kEndOfBlock};
  unsigned base = 3;
  for (unsigned i = 0; i < 28; ++i) {
    const unsigned extra = i < 8 ? 0 : i / 4 - 1;
    symbols[257 + i] = {static_cast<std::uint16_t>(base), 0, static_cast<std::uint8_t>(extra)};
    base += 1U << extra;
  }
  symbols[285] = {3, 0, 16};  // deflate's 258 with no extra bits
  symbols[286] = symbols[287] = {0, 0, kUnused};
  return symbols;
}();

constexpr std::array<Code, 32> kDistanceSymbols = [] {
  std::array<Code, 32> symbols{};
  unsigned base = 1;
  for (unsigned d = 0; d < 32; ++d) {
    const unsigned extra = d < 4 ? 0 : d / 2 - 1;
    symbols[d] = {static_cast<std::uint16_t>(base), 0, static_cast<std::uint8_t>(extra)};
    base += 1U << extra;
  }
  return symbols;
}();

constexpr std::array<Code, 19> kCodeLengthSymbols = [] {
  std::array<Code, 19> symbols{};
  for (unsigned s = 0; s < 19; ++s) symbols[s] = {static_cast<std::uint16_t>(s), 0, 0};
  return symbols;
}();

constexpr std::array<std::uint8_t, 19> kCodeLengthOrder = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// The canonical code the lengths give, as a table indexed by the next bits of the stream (codes
// are read from the low bit up). False when the lengths oversubscribe the code, or leave it
// incomplete other than with a single one-bit code.
bool Build(std::span<const std::uint8_t> lengths, const Code* symbols, unsigned primary, bool singleAllowed,
           Table& table) {
  std::array<unsigned, kMaxCodeBits + 1> counts{};
  for (const std::uint8_t length : lengths) ++counts[length];
  counts[0] = 0;
  int left = 1;
  unsigned longest = 0;
  for (unsigned length = 1; length <= kMaxCodeBits; ++length) {
    left = 2 * left - static_cast<int>(counts[length]);
    if (left < 0) return false;
    if (counts[length] != 0) longest = length;
  }
  if (left > 0 && longest > 0 && !(singleAllowed && longest == 1)) return false;

  std::array<unsigned, kMaxCodeBits + 2> next{};
  for (unsigned length = 1; length <= kMaxCodeBits; ++length) next[length + 1] = (next[length] + counts[length]) << 1;
  table.assign(std::size_t{1} << primary, Code{0, 0, kUnused});
  const unsigned secondary = kMaxCodeBits - primary;
  for (std::size_t s = 0; s < lengths.size(); ++s) {
    const unsigned length = lengths[s];
    if (length == 0) continue;
    unsigned code = next[length]++;
    unsigned reversed = 0;
    for (unsigned i = 0; i < length; ++i, code >>= 1) reversed = (reversed << 1) | (code & 1);
    Code entry = symbols[s];
    entry.bits = static_cast<std::uint8_t>(length);
    if (length <= primary) {
      for (unsigned i = reversed; i < (1U << primary); i += 1U << length) table[i] = entry;
      continue;
    }
    Code& link = table[reversed & ((1U << primary) - 1)];
    if (link.kind != kLink) {
      link = {static_cast<std::uint16_t>(table.size()), static_cast<std::uint8_t>(primary), kLink};
      table.resize(table.size() + (std::size_t{1} << secondary), Code{0, 0, kUnused});
    }
    const std::size_t sub = table[reversed & ((1U << primary) - 1)].value;
    for (unsigned i = reversed >> primary; i < (1U << secondary); i += 1U << (length - primary)) table[sub + i] = entry;
  }
  return true;
}

template <unsigned Primary>
Code Decode(const Table& table, std::uint64_t bits) {
  const Code code = table[bits & ((1U << Primary) - 1)];
  if (code.kind != kLink) return code;
  return table[code.value + ((bits >> Primary) & ((1U << (kMaxCodeBits - Primary)) - 1))];
}

unsigned Low(std::uint64_t bits, unsigned count) {
  return static_cast<unsigned>(bits & ((std::uint64_t{1} << count) - 1));
}

void CopyMatch(std::uint8_t* out, std::size_t distance, std::size_t length) {
  const std::uint8_t* from = out - distance;
  if (distance >= 8) {
    for (std::uint8_t* const end = out + length; out < end; out += 8, from += 8) std::memcpy(out, from, 8);
  } else if (distance == 1) {
    std::memset(out, *from, length);
  } else {
    for (std::size_t i = 0; i < length; ++i) out[i] = from[i];
  }
}

}  // namespace

Inflater64::Inflater64() : window_(kWindow + kStretch + kMaxMatch + kSlack) {
  std::array<std::uint8_t, 288> lengths{};
  std::fill(lengths.begin(), lengths.begin() + 144, 8);
  std::fill(lengths.begin() + 144, lengths.begin() + 256, 9);
  std::fill(lengths.begin() + 256, lengths.begin() + 280, 7);
  std::fill(lengths.begin() + 280, lengths.end(), 8);
  Build(lengths, kLengthSymbols.data(), kLengthBits, false, fixedLengths_);
  const std::array<std::uint8_t, 32> distances = [] {
    std::array<std::uint8_t, 32> all{};
    all.fill(5);
    return all;
  }();
  Build(distances, kDistanceSymbols.data(), kDistanceBits, false, fixedDistances_);
}

Inflater64::Status Inflater64::Run(const Read& read, const Write& write) {
  out_ = written_ = start_ = window_.data();
  in_ = inEnd_ = nullptr;
  bits_ = 0;
  count_ = 0;
  padding_ = 0;
  for (bool last = false; !last;) {
    if (!Fill(read)) return Status::Stopped;
    last = (bits_ & 1) != 0;
    const unsigned type = (bits_ >> 1) & 3;
    bits_ >>= 3;
    count_ -= 3;
    Status status = Status::Damaged;
    if (type == 0) status = Stored(read, write);
    if (type == 1) status = Codes(fixedLengths_, fixedDistances_, read, write);
    if (type == 2) {
      status = Dynamic(read);
      if (status == Status::End) status = Codes(lengths_, distances_, read, write);
    }
    if (status == Status::Stopped) return status;
    // Zeros read past the end decode as anything; what they gave is the cut, not damage.
    if (count_ < padding_) return Status::EndsEarly;
    if (status != Status::End) return status;
  }
  return Flush(write) ? Status::End : Status::Stopped;
}

// At least 56 bits in the buffer, zeros past the input's end.
bool Inflater64::Fill(const Read& read) {
  if (inEnd_ - in_ >= 8) {
    std::uint64_t word;
    std::memcpy(&word, in_, 8);
    bits_ |= word << count_;
    in_ += (63 - count_) >> 3;
    count_ |= 56;
    return true;
  }
  while (count_ < 56) {
    if (in_ == inEnd_) {
      std::span<const std::uint8_t> input;
      if (!read(input)) return false;
      if (input.empty()) {
        padding_ += 8;
        count_ += 8;
        continue;
      }
      in_ = input.data();
      inEnd_ = in_ + input.size();
    }
    bits_ |= std::uint64_t{*in_++} << count_;
    count_ += 8;
  }
  return true;
}

bool Inflater64::Flush(const Write& write) {
  if (out_ != written_ && !write({written_, static_cast<std::size_t>(out_ - written_)})) return false;
  const std::size_t keep = std::min(static_cast<std::size_t>(out_ - start_), kWindow);
  std::memmove(window_.data(), out_ - keep, keep);
  start_ = window_.data();
  out_ = written_ = start_ + keep;
  return true;
}

Inflater64::Status Inflater64::Stored(const Read& read, const Write& write) {
  bits_ >>= count_ & 7;
  count_ -= count_ & 7;
  if (!Fill(read)) return Status::Stopped;
  std::size_t length = Low(bits_, 16);
  const std::size_t complement = Low(bits_ >> 16, 16);
  bits_ >>= 32;
  count_ -= 32;
  if (count_ < padding_) return Status::EndsEarly;
  if (length != (~complement & 0xFFFF)) return Status::Damaged;
  if (out_ > window_.data() + window_.size() - kMaxMatch - kSlack && !Flush(write)) return Status::Stopped;
  for (; length > 0 && count_ > 0; --length, bits_ >>= 8, count_ -= 8) *out_++ = static_cast<std::uint8_t>(bits_);
  if (count_ < padding_) return Status::EndsEarly;
  if (count_ == 0) bits_ = 0;  // what stood above the buffer's bits is copied from the input now
  while (length > 0) {
    if (in_ == inEnd_) {
      std::span<const std::uint8_t> input;
      if (!read(input)) return Status::Stopped;
      if (input.empty()) return Status::EndsEarly;
      in_ = input.data();
      inEnd_ = in_ + input.size();
    }
    const std::size_t take = std::min(length, static_cast<std::size_t>(inEnd_ - in_));
    std::memcpy(out_, in_, take);
    out_ += take;
    in_ += take;
    length -= take;
  }
  return Status::End;
}

Inflater64::Status Inflater64::Dynamic(const Read& read) {
  if (!Fill(read)) return Status::Stopped;
  const unsigned lengthCount = Low(bits_, 5) + 257;
  const unsigned distanceCount = Low(bits_ >> 5, 5) + 1;
  const unsigned codeLengthCount = Low(bits_ >> 10, 4) + 4;
  bits_ >>= 14;
  count_ -= 14;
  if (lengthCount > 286) return Status::Damaged;

  std::array<std::uint8_t, 19> codeLengthLengths{};
  for (unsigned i = 0; i < codeLengthCount; ++i) {
    if (!Fill(read)) return Status::Stopped;
    codeLengthLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(Low(bits_, 3));
    bits_ >>= 3;
    count_ -= 3;
  }
  if (!Build(codeLengthLengths, kCodeLengthSymbols.data(), kCodeLengthBits, false, codeLengths_)) {
    return Status::Damaged;
  }

  std::array<std::uint8_t, 286 + 32> lengths{};
  for (unsigned i = 0; i < lengthCount + distanceCount;) {
    if (!Fill(read)) return Status::Stopped;
    const Code code = Decode<kCodeLengthBits>(codeLengths_, bits_);
    if (code.kind == kUnused) return Status::Damaged;
    bits_ >>= code.bits;
    count_ -= code.bits;
    if (code.value < 16) {
      lengths[i++] = static_cast<std::uint8_t>(code.value);
      continue;
    }
    std::uint8_t repeated = 0;
    unsigned times = 0;
    if (code.value == 16) {
      if (i == 0) return Status::Damaged;
      repeated = lengths[i - 1];
      times = 3 + Low(bits_, 2);
      bits_ >>= 2;
      count_ -= 2;
    } else {
      const unsigned extra = code.value == 17 ? 3 : 7;
      times = (code.value == 17 ? 3 : 11) + Low(bits_, extra);
      bits_ >>= extra;
      count_ -= extra;
    }
    if (i + times > lengthCount + distanceCount) return Status::Damaged;
    std::fill_n(lengths.begin() + i, times, repeated);
    i += times;
  }
  if (lengths[256] == 0) return Status::Damaged;  // no end of block
  const std::span<const std::uint8_t> all(lengths);
  if (!Build(all.first(lengthCount), kLengthSymbols.data(), kLengthBits, true, lengths_) ||
      !Build(all.subspan(lengthCount, distanceCount), kDistanceSymbols.data(), kDistanceBits, true, distances_)) {
    return Status::Damaged;
  }
  return Status::End;
}

// The block's literals and matches up to its end of block. The hot state is held in locals, as
// stores through the output would otherwise make the compiler reload the members.
Inflater64::Status Inflater64::Codes(const Table& lengths, const Table& distances, const Read& read,
                                     const Write& write) {
  const std::uint8_t* const full = window_.data() + window_.size() - kMaxMatch - kSlack;
  std::uint64_t bits = bits_;
  unsigned count = count_;
  const std::uint8_t* in = in_;
  const std::uint8_t* inEnd = inEnd_;
  std::uint8_t* out = out_;
  const auto save = [&] {
    bits_ = bits, count_ = count, in_ = in, out_ = out;
  };
  const auto load = [&] {
    bits = bits_, count = count_, in = in_, inEnd = inEnd_, out = out_;
  };
  const auto fill = [&] {
    if (inEnd - in >= 8) {
      std::uint64_t word;
      std::memcpy(&word, in, 8);
      bits |= word << count;
      in += (63 - count) >> 3;
      count |= 56;
      return true;
    }
    // Past the input's end: zeros the last symbol read into are a cut, caught before a flush.
    save();
    if (count_ < padding_ || !Fill(read)) return false;
    load();
    return true;
  };
  const auto stop = [&] { return count_ < padding_ ? Status::EndsEarly : Status::Stopped; };

  for (;;) {
    if (!fill()) return stop();
    if (out > full) {
      save();
      if (!Flush(write)) return Status::Stopped;
      load();
    }
    Code code = Decode<kLengthBits>(lengths, bits);
    bits >>= code.bits;
    count -= code.bits;
    if (code.kind == kLiteral) {
      *out++ = static_cast<std::uint8_t>(code.value);
      // A second literal fits in what the buffer still holds.
      code = Decode<kLengthBits>(lengths, bits);
      if (code.kind != kLiteral) continue;
      bits >>= code.bits;
      count -= code.bits;
      *out++ = static_cast<std::uint8_t>(code.value);
      continue;
    }
    if (code.kind == kEndOfBlock) {
      save();
      return Status::End;
    }
    if (code.kind >= kUnused) {
      save();
      return Status::Damaged;
    }
    const std::size_t length = code.value + Low(bits, code.kind);
    bits >>= code.kind;
    count -= code.kind;
    if (!fill()) return stop();
    code = Decode<kDistanceBits>(distances, bits);
    if (code.kind >= kLiteral) {
      save();
      return Status::Damaged;
    }
    bits >>= code.bits;
    count -= code.bits;
    const std::size_t distance = code.value + Low(bits, code.kind);
    bits >>= code.kind;
    count -= code.kind;
    if (count < padding_) {
      save();
      return Status::EndsEarly;
    }
    if (distance > static_cast<std::size_t>(out - start_)) {
      save();
      return Status::Damaged;
    }
    CopyMatch(out, distance, length);
    out += length;
  }
}

}  // namespace zip

#include "engine/sevenzip/sevenzip_folder.h"

#include <Aes.h>
#include <Bcj2.h>
#include <Bra.h>
#include <Delta.h>
#include <Lzma2Dec.h>
#include <LzmaDec.h>
#include <Ppmd7.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "engine/codec/inflate.h"
#include "engine/codec/sdk_alloc.h"
#include "engine/codec/stream_decoder.h"

namespace zip::sevenzip {
namespace {

constexpr std::size_t kBuffer = std::size_t{1} << 16;

enum : std::uint64_t {
  kCopy = 0x00,
  kDelta = 0x03,
  kX86 = 0x04,
  kPpc = 0x05,
  kIa64 = 0x06,
  kArm = 0x07,
  kArmt = 0x08,
  kSparc = 0x09,
  kArm64 = 0x0A,
  kRiscv = 0x0B,
  kLzma2 = 0x21,
  kLzma = 0x030101,
  kX86Old = 0x03030103,
  kBcj2 = 0x0303011B,
  kPpcOld = 0x03030205,
  kIa64Old = 0x03030401,
  kArmOld = 0x03030501,
  kArmtOld = 0x03030701,
  kSparcOld = 0x03030805,
  kPpmd = 0x030401,
  kBzip2 = 0x040202,
  kDeflate = 0x040108,
  kAes = 0x06F10701,
};

Error Damaged(const char* what) { return Error{Failure::Damaged, {}, {}, std::string("its 7z data ") + what}; }

// A packed stream: a stretch of the archive file.
class Packed final : public Source {
 public:
  Packed(const os::File& file, std::uint64_t offset, std::uint64_t size) : file_(file), offset_(offset), left_(size) {}
  Error Read(std::span<std::uint8_t> out, std::size_t& got) override {
    got = 0;
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), left_));
    if (Error error = file_.ReadAt(offset_, out.data(), want, got)) return error;
    if (got != want) return Damaged("ends before its packed streams do");
    offset_ += got;
    left_ -= got;
    return {};
  }

 private:
  const os::File& file_;
  std::uint64_t offset_;
  std::uint64_t left_;
};

// What a coder has read of one input and not yet used.
class Input {
 public:
  explicit Input(std::unique_ptr<Source> source) : source_(std::move(source)) {}
  std::span<const std::uint8_t> pending;
  // Keeps what is pending at the buffer's front and reads after it; `ended` once nothing comes.
  Error Fill(bool& ended) {
    if (!pending.empty() && pending.data() != buffer_.data()) std::memmove(buffer_.data(), pending.data(), pending.size());
    std::size_t got = 0;
    if (Error error = source_->Read(std::span(buffer_).subspan(pending.size()), got)) return error;
    pending = std::span<const std::uint8_t>(buffer_.data(), pending.size() + got);
    ended = got == 0;
    return {};
  }

 private:
  std::unique_ptr<Source> source_;
  Bytes buffer_ = Bytes(kBuffer);
};

// A coder's output, exactly as long as the header says.
class Decoding : public Source {
 public:
  explicit Decoding(std::uint64_t size) : left_(size) {}
  Error Read(std::span<std::uint8_t> out, std::size_t& got) final {
    out = out.first(static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), left_)));
    got = 0;
    while (got < out.size()) {
      std::size_t made = 0;
      if (Error error = Produce(out.subspan(got), made)) return error;
      if (made == 0) return Damaged("ends before its size");
      got += made;
    }
    left_ -= got;
    return {};
  }

 protected:
  // Makes at least one byte into `out`, unless the data ends.
  virtual Error Produce(std::span<std::uint8_t> out, std::size_t& made) = 0;

 private:
  std::uint64_t left_;
};

class Copy final : public Decoding {
 public:
  Copy(std::uint64_t size, std::unique_ptr<Source> input) : Decoding(size), input_(std::move(input)) {}
  Error Produce(std::span<std::uint8_t> out, std::size_t& made) override { return input_->Read(out, made); }

 private:
  std::unique_ptr<Source> input_;
};

// LZMA and LZMA2: the SDK's decoders, each on its dictionary.
template <typename Decoder>
class Lzma final : public Decoding {
 public:
  Lzma(std::uint64_t size, std::unique_ptr<Source> input) : Decoding(size), input_(std::move(input)), size_(size) {
    if constexpr (std::is_same_v<Decoder, CLzma2Dec>) {
      Lzma2Dec_CONSTRUCT(&decoder_)
    } else {
      LzmaDec_CONSTRUCT(&decoder_)
    }
  }
  ~Lzma() override {
    if constexpr (std::is_same_v<Decoder, CLzma2Dec>) {
      Lzma2Dec_Free(&decoder_, &alloc_);
    } else {
      LzmaDec_Free(&decoder_, &alloc_);
    }
  }
  Lzma(const Lzma&) = delete;
  Lzma& operator=(const Lzma&) = delete;

  // A dictionary larger than all the output is never filled: only as much as the output is
  // allocated, so that a small archive made with a large dictionary opens in a 32-bit program.
  Error Start(Bytes properties) {
    SRes result = SZ_ERROR_UNSUPPORTED;
    if constexpr (std::is_same_v<Decoder, CLzma2Dec>) {
      if (properties.size() == 1 && properties[0] <= 40) {
        while (properties[0] > 0 && Lzma2Dictionary(properties[0] - 1) >= size_) --properties[0];
        result = Lzma2Dec_Allocate(&decoder_, properties[0], &alloc_);
      }
      if (result == SZ_OK) Lzma2Dec_Init(&decoder_);
    } else {
      if (properties.size() == LZMA_PROPS_SIZE) {
        const std::uint64_t dictionary = properties[1] | properties[2] << 8 | properties[3] << 16 | std::uint64_t{properties[4]} << 24;
        const auto needed = static_cast<std::uint32_t>(std::max<std::uint64_t>(std::min(dictionary, size_), 4096));
        for (int i = 0; i < 4; ++i) properties[1 + i] = static_cast<std::uint8_t>(needed >> (8 * i));
        result = LzmaDec_Allocate(&decoder_, properties.data(), LZMA_PROPS_SIZE, &alloc_);
      }
      if (result == SZ_OK) LzmaDec_Init(&decoder_);
    }
    if (result == SZ_ERROR_MEM) return alloc_.OutOfMemory();
    return result == SZ_OK ? Error{} : Damaged("has coder properties that do not check out");
  }

  Error Produce(std::span<std::uint8_t> out, std::size_t& made) override {
    for (bool ended = false;;) {
      if (input_.pending.empty() && !ended) {
        if (Error error = input_.Fill(ended)) return error;
      }
      SizeT outSize = out.size(), inSize = input_.pending.size();
      ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
      SRes result;
      if constexpr (std::is_same_v<Decoder, CLzma2Dec>) {
        result = Lzma2Dec_DecodeToBuf(&decoder_, out.data(), &outSize, input_.pending.data(), &inSize, LZMA_FINISH_ANY, &status);
      } else {
        result = LzmaDec_DecodeToBuf(&decoder_, out.data(), &outSize, input_.pending.data(), &inSize, LZMA_FINISH_ANY, &status);
      }
      input_.pending = input_.pending.subspan(inSize);
      made = outSize;
      if (result != SZ_OK) return Damaged("does not decode");
      if (made > 0 || status == LZMA_STATUS_FINISHED_WITH_MARK || (ended && inSize == 0)) return {};
    }
  }

 private:
  // LZMA2's dictionary property: 2 or 3 times a power of two, from 4 KiB.
  static std::uint64_t Lzma2Dictionary(unsigned property) { return std::uint64_t(2 | (property & 1)) << (property / 2 + 11); }

  Input input_;
  std::uint64_t size_;
  LimitedAlloc alloc_;
  Decoder decoder_{};
};

// PPMd (variant H with 7z's range coder): a symbol at a time, its bytes pulled one by one.
class Ppmd final : public Decoding {
 public:
  Ppmd(std::uint64_t size, std::unique_ptr<Source> input) : Decoding(size), byteIn_(this), input_(std::move(input)) {
    Ppmd7_Construct(&model_);
  }
  ~Ppmd() override { Ppmd7_Free(&model_, &alloc_); }
  Ppmd(const Ppmd&) = delete;
  Ppmd& operator=(const Ppmd&) = delete;

  Error Start(const Bytes& properties) {
    if (properties.size() != 5) return Damaged("has coder properties that do not check out");
    const unsigned order = properties[0];
    const std::uint32_t memory = properties[1] | properties[2] << 8 | properties[3] << 16 | std::uint32_t{properties[4]} << 24;
    if (order < PPMD7_MIN_ORDER || order > PPMD7_MAX_ORDER || memory < PPMD7_MIN_MEM_SIZE || memory > PPMD7_MAX_MEM_SIZE) {
      return Damaged("has coder properties that do not check out");
    }
    if (!Ppmd7_Alloc(&model_, memory, &alloc_)) return alloc_.OutOfMemory();
    model_.rc.dec.Stream = &byteIn_;
    if (!Ppmd7z_RangeDec_Init(&model_.rc.dec) || overrun_) return Damaged("does not decode");
    Ppmd7_Init(&model_, order);
    return {};
  }

  Error Produce(std::span<std::uint8_t> out, std::size_t& made) override {
    for (made = 0; made < out.size(); ++made) {
      const int symbol = Ppmd7z_DecodeSymbol(&model_);
      if (symbol < 0 || overrun_) return Damaged("does not decode");
      if (error_) return error_;
      out[made] = static_cast<std::uint8_t>(symbol);
    }
    return {};
  }

 private:
  struct ByteIn : IByteIn {
    explicit ByteIn(Ppmd* owner) : IByteIn{&Next}, owner(owner) {}
    static Byte Next(IByteInPtr self) { return static_cast<const ByteIn*>(self)->owner->Next(); }
    Ppmd* owner;
  };
  std::uint8_t Next() {
    if (input_.pending.empty()) {
      bool ended = false;
      if (Error error = input_.Fill(ended)) error_ = std::move(error);
      if (input_.pending.empty()) {
        overrun_ = true;
        return 0;
      }
    }
    const std::uint8_t byte = input_.pending[0];
    input_.pending = input_.pending.subspan(1);
    return byte;
  }

  ByteIn byteIn_;
  Input input_;
  LimitedAlloc alloc_;
  CPpmd7 model_{};
  bool overrun_ = false;
  Error error_;
};

// The branch converters and Delta: the input converted in place, a few bytes of an instruction
// that may go on held back until more comes.
class Filter final : public Decoding {
 public:
  using Convert = std::function<std::size_t(std::uint8_t* data, std::size_t size, std::uint32_t position)>;
  Filter(std::uint64_t size, std::unique_ptr<Source> input, Convert convert)
      : Decoding(size), input_(std::move(input)), convert_(std::move(convert)) {}

  Error Produce(std::span<std::uint8_t> out, std::size_t& made) override {
    while (start_ == converted_) {
      std::memmove(buffer_.data(), buffer_.data() + converted_, have_ - converted_);
      have_ -= converted_;
      start_ = converted_ = 0;
      std::size_t got = 0;
      if (Error error = input_->Read(std::span(buffer_).subspan(have_), got)) return error;
      have_ += got;
      if (got == 0) {
        converted_ = have_;  // the end: what is held is no instruction
        if (have_ == 0) return made = 0, Error{};
        break;
      }
      converted_ = convert_(buffer_.data(), have_, position_);
      position_ += static_cast<std::uint32_t>(converted_);
    }
    made = std::min(out.size(), converted_ - start_);
    std::memcpy(out.data(), buffer_.data() + start_, made);
    start_ += made;
    return {};
  }

 private:
  std::unique_ptr<Source> input_;
  Convert convert_;
  Bytes buffer_ = Bytes(kBuffer);
  std::size_t start_ = 0, converted_ = 0, have_ = 0;
  std::uint32_t position_ = 0;
};

// BCJ2: x86 code with its calls' and jumps' targets in two streams of their own, and a range
// coder's stream saying which is which.
class Bcj2 final : public Decoding {
 public:
  Bcj2(std::uint64_t size, std::array<std::unique_ptr<Source>, BCJ2_NUM_STREAMS> inputs) : Decoding(size) {
    for (std::size_t i = 0; i < inputs.size(); ++i) inputs_[i] = std::make_unique<Input>(std::move(inputs[i]));
    Bcj2Dec_Init(&decoder_);
    Point();
  }

  Error Produce(std::span<std::uint8_t> out, std::size_t& made) override {
    decoder_.dest = out.data();
    decoder_.destLim = out.data() + out.size();
    for (;;) {
      if (Bcj2Dec_Decode(&decoder_) != SZ_OK) return Damaged("does not decode");
      made = static_cast<std::size_t>(decoder_.dest - out.data());
      if (made > 0 || decoder_.state >= BCJ2_NUM_STREAMS) return {};
      // A stream ran out: more of it, each keeping what the decoder has not taken.
      for (std::size_t i = 0; i < BCJ2_NUM_STREAMS; ++i) {
        Input& input = *inputs_[i];
        input.pending = std::span<const std::uint8_t>(decoder_.bufs[i], input.pending.data() + input.pending.size());
      }
      bool ended = false;
      if (Error error = inputs_[decoder_.state]->Fill(ended)) return error;
      if (ended) return {};
      Point();
    }
  }

 private:
  // The decoder reads the calls' and jumps' targets four bytes at a time: only whole ones.
  void Point() {
    for (std::size_t i = 0; i < BCJ2_NUM_STREAMS; ++i) {
      std::span<const std::uint8_t> pending = inputs_[i]->pending;
      if (BCJ2_IS_32BIT_STREAM(i)) pending = pending.first(pending.size() & ~std::size_t{3});
      decoder_.bufs[i] = pending.data();
      decoder_.lims[i] = pending.data() + pending.size();
    }
  }

  std::array<std::unique_ptr<Input>, BCJ2_NUM_STREAMS> inputs_;
  CBcj2Dec decoder_{};
};

// 7-Zip's AES-256 in CBC mode, the key derived elsewhere from the password and these properties.
class Aes final : public Decoding {
 public:
  Aes(std::uint64_t size, std::unique_ptr<Source> input) : Decoding(size), input_(std::move(input)) {
    static std::once_flag tables;
    std::call_once(tables, [] { AesGenTables(); });
  }

  Error Start(const Bytes& properties, const AesKey& key) {
    std::array<std::uint8_t, AES_BLOCK_SIZE> iv{};
    if (properties.size() >= 2) {
      const std::size_t salt = (properties[0] >> 7 & 1) + (properties[1] >> 4);
      const std::size_t ivSize = (properties[0] >> 6 & 1) + (properties[1] & 0x0F);
      if (properties.size() != 2 + salt + ivSize) return Damaged("has coder properties that do not check out");
      std::memcpy(iv.data(), properties.data() + 2 + salt, ivSize);
    }
    // The SDK's AES wants its state 16-byte aligned: the first aligned word of the array.
    state_ = ivAes_.data() + (16 - reinterpret_cast<std::uintptr_t>(ivAes_.data()) % 16) % 16 / sizeof(UInt32);
    AesCbc_Init(state_, iv.data());
    Aes_SetKey_Dec(state_ + 4, key.bytes, sizeof key.bytes);
    return {};
  }

  Error Produce(std::span<std::uint8_t> out, std::size_t& made) override {
    if (start_ == have_) {
      std::size_t got = 0;
      if (Error error = input_->Read(buffer_, got)) return error;
      if (got % AES_BLOCK_SIZE != 0) return Damaged("ends inside an encrypted block");
      g_AesCbc_Decode(state_, buffer_.data(), got / AES_BLOCK_SIZE);
      start_ = 0;
      have_ = got;
    }
    made = std::min(out.size(), have_ - start_);
    std::memcpy(out.data(), buffer_.data() + start_, made);
    start_ += made;
    return {};
  }

 private:
  std::unique_ptr<Source> input_;
  std::array<UInt32, AES_NUM_IVMRK_WORDS + 4> ivAes_{};
  UInt32* state_ = nullptr;
  Bytes buffer_ = Bytes(kBuffer);
  std::size_t start_ = 0, have_ = 0;
};

// A compressed stream of its own (bzip2), through the decoder the lone files use.
class Stream final : public Decoding {
 public:
  Stream(std::uint64_t size, std::unique_ptr<Source> input, std::unique_ptr<StreamDecoder> decoder)
      : Decoding(size), input_(std::move(input)), decoder_(std::move(decoder)) {}
  Error Produce(std::span<std::uint8_t> out, std::size_t& made) override {
    for (bool ended = false;;) {
      if (input_.pending.empty() && !ended) {
        if (Error error = input_.Fill(ended)) return error;
      }
      std::span<std::uint8_t> room = out;
      const std::size_t held = input_.pending.size();
      bool over = false;
      if (!done_) {
        if (Error error = decoder_->Decode(input_.pending, room, over)) return error;
      }
      done_ = done_ || over;
      made = out.size() - room.size();
      if (made > 0 || done_ || (ended && input_.pending.size() == held)) return {};
    }
  }

 private:
  Input input_;
  std::unique_ptr<StreamDecoder> decoder_;
  bool done_ = false;
};

// Deflate as 7-Zip writes it on request: raw, through zlib.
class Deflate final : public Decoding {
 public:
  Deflate(std::uint64_t size, std::unique_ptr<Source> input) : Decoding(size), input_(std::move(input)) {}
  Error Produce(std::span<std::uint8_t> out, std::size_t& made) override {
    made = 0;
    for (bool ended = false; !done_;) {
      if (input_.pending.empty() && !ended) {
        if (Error error = input_.Fill(ended)) return error;
      }
      const std::size_t held = input_.pending.size();
      const Inflater::Status status = inflater_.Run(input_.pending, out, made);
      if (status == Inflater::Status::Damaged) return Damaged("does not decode");
      done_ = status == Inflater::Status::End;
      if (made > 0 || (ended && input_.pending.size() == held)) return {};
    }
    return {};
  }

 private:
  Input input_;
  Inflater inflater_;
  bool done_ = false;
};

std::uint32_t StartPosition(const Bytes& properties) {
  if (properties.size() != 4) return 0;
  return properties[0] | properties[1] << 8 | properties[2] << 16 | std::uint32_t{properties[3]} << 24;
}

template <Byte* (*Convert)(Byte*, SizeT, UInt32)>
Filter::Convert Branch() {
  return [](std::uint8_t* data, std::size_t size, std::uint32_t position) {
    return static_cast<std::size_t>(Convert(data, size, position) - data);
  };
}

class Graph {
 public:
  Graph(const os::File& file, std::uint64_t offset, const Streams& streams, const Folder& folder, const KeyFor& keyFor)
      : file_(file), streams_(streams), folder_(folder), keyFor_(keyFor) {
    // Where each packed stream starts: after those of the folders before.
    std::uint64_t at = offset + streams.packPosition;
    for (std::uint32_t i = 0; i < folder.firstPacked; ++i) at += streams.packSizes[i];
    packedAt_ = at;
  }

  Error Open(std::uint32_t coder, std::unique_ptr<Source>& source, int depth = 0) {
    if (depth > 64) return Damaged("has coders in a cycle");
    const Coder7& c = folder_.coders[coder];
    const std::uint64_t size = folder_.sizes[coder];
    std::vector<std::unique_ptr<Source>> inputs(c.inputs);
    const std::uint32_t first = folder_.FirstInput(coder);
    for (std::uint32_t i = 0; i < c.inputs; ++i) {
      if (Error error = OpenInput(first + i, inputs[i], depth)) return error;
    }
    const auto one = [&]() -> Error {
      return c.inputs == 1 ? Error{} : Damaged("has a coder with the wrong number of inputs");
    };
    switch (c.method) {
      case kCopy:
        if (Error error = one()) return error;
        source = std::make_unique<Copy>(size, std::move(inputs[0]));
        return {};
      case kLzma:
      case kLzma2: {
        if (Error error = one()) return error;
        if (c.method == kLzma) return Made<Lzma<CLzmaDec>>(source, size, std::move(inputs[0]), c.properties);
        return Made<Lzma<CLzma2Dec>>(source, size, std::move(inputs[0]), c.properties);
      }
      case kPpmd:
        if (Error error = one()) return error;
        return Made<Ppmd>(source, size, std::move(inputs[0]), c.properties);
      case kBzip2:
        if (Error error = one()) return error;
        source = std::make_unique<Stream>(size, std::move(inputs[0]), MakeBzip2Decoder());
        return {};
      case kDeflate:
        if (Error error = one()) return error;
        source = std::make_unique<Deflate>(size, std::move(inputs[0]));
        return {};
      case kAes: {
        if (Error error = one()) return error;
        const std::optional<AesKey> key = keyFor_(c.properties);
        if (!key) return Error{Failure::Encrypted, {}, {}, "no password was given"};
        auto aes = std::make_unique<Aes>(size, std::move(inputs[0]));
        if (Error error = aes->Start(c.properties, *key)) return error;
        source = std::move(aes);
        return {};
      }
      case kBcj2: {
        if (c.inputs != BCJ2_NUM_STREAMS) return Damaged("has a coder with the wrong number of inputs");
        std::array<std::unique_ptr<Source>, BCJ2_NUM_STREAMS> four;
        std::move(inputs.begin(), inputs.end(), four.begin());
        source = std::make_unique<Bcj2>(size, std::move(four));
        return {};
      }
      case kDelta: {
        if (Error error = one()) return error;
        if (c.properties.size() != 1) return Damaged("has coder properties that do not check out");
        auto state = std::make_shared<std::array<Byte, DELTA_STATE_SIZE>>();
        Delta_Init(state->data());
        const unsigned distance = c.properties[0] + 1U;
        source = std::make_unique<Filter>(size, std::move(inputs[0]),
                                          [state, distance](std::uint8_t* data, std::size_t n, std::uint32_t) {
                                            Delta_Decode(state->data(), distance, data, n);
                                            return n;
                                          });
        return {};
      }
      case kX86:
      case kX86Old: {
        if (Error error = one()) return error;
        auto state = std::make_shared<UInt32>(Z7_BRANCH_CONV_ST_X86_STATE_INIT_VAL);
        source = std::make_unique<Filter>(size, std::move(inputs[0]),
                                          [state](std::uint8_t* data, std::size_t n, std::uint32_t position) {
                                            return static_cast<std::size_t>(
                                                z7_BranchConvSt_X86_Dec(data, n, position, state.get()) - data);
                                          });
        return {};
      }
      default:
        break;
    }
    Filter::Convert convert;
    switch (c.method) {
      case kPpc:
      case kPpcOld:
        convert = Branch<Z7_BRANCH_CONV_DEC(PPC)>();
        break;
      case kIa64:
      case kIa64Old:
        convert = Branch<Z7_BRANCH_CONV_DEC(IA64)>();
        break;
      case kArm:
      case kArmOld:
        convert = Branch<Z7_BRANCH_CONV_DEC(ARM)>();
        break;
      case kArmt:
      case kArmtOld:
        convert = Branch<Z7_BRANCH_CONV_DEC(ARMT)>();
        break;
      case kSparc:
      case kSparcOld:
        convert = Branch<Z7_BRANCH_CONV_DEC(SPARC)>();
        break;
      case kArm64:
        convert = Branch<Z7_BRANCH_CONV_DEC(ARM64)>();
        break;
      case kRiscv:
        convert = Branch<Z7_BRANCH_CONV_DEC(RISCV)>();
        break;
      default:
        return Error{Failure::UnsupportedMethod, {}, {}, MethodName(c.method)};
    }
    if (Error error = one()) return error;
    const std::uint32_t start = StartPosition(c.properties);
    source = std::make_unique<Filter>(size, std::move(inputs[0]),
                                      [convert, start](std::uint8_t* data, std::size_t n, std::uint32_t position) {
                                        return convert(data, n, position + start);
                                      });
    return {};
  }

  static std::string MethodName(std::uint64_t method) {
    char hex[24];
    std::snprintf(hex, sizeof hex, "%llX", static_cast<unsigned long long>(method));
    switch (method) {
      case 0x040109:
        return "Deflate64 (in 7z)";
      default:
        return std::string("the 7z method ") + hex;
    }
  }

 private:
  using Coder7 = sevenzip::Coder;

  template <typename Made_>
  static Error Made(std::unique_ptr<Source>& source, std::uint64_t size, std::unique_ptr<Source> input,
                    const Bytes& properties) {
    auto coder = std::make_unique<Made_>(size, std::move(input));
    if (Error error = coder->Start(properties)) return error;
    source = std::move(coder);
    return {};
  }

  Error OpenInput(std::uint32_t input, std::unique_ptr<Source>& source, int depth) {
    for (const auto& [bound, coder] : folder_.bonds) {
      if (bound == input) return Open(coder, source, depth + 1);
    }
    std::uint64_t at = packedAt_;
    for (std::size_t i = 0; i < folder_.packed.size(); ++i) {
      const std::uint64_t size = streams_.packSizes[folder_.firstPacked + i];
      if (folder_.packed[i] == input) {
        source = std::make_unique<Packed>(file_, at, size);
        return {};
      }
      at += size;
    }
    return Damaged("has an input fed by nothing");
  }

  const os::File& file_;
  const Streams& streams_;
  const Folder& folder_;
  const KeyFor& keyFor_;
  std::uint64_t packedAt_ = 0;
};

}  // namespace

bool Encrypted(const Folder& folder) {
  return std::any_of(folder.coders.begin(), folder.coders.end(), [](const Coder& c) { return c.method == kAes; });
}

Error OpenFolder(const os::File& file, std::uint64_t offset, const Streams& streams, std::size_t folder,
                 const KeyFor& keyFor, std::unique_ptr<Source>& source) {
  const Folder& f = streams.folders[folder];
  return Graph(file, offset, streams, f, keyFor).Open(f.output, source);
}

}  // namespace zip::sevenzip

#include "engine/codec/ppmd_decoder.h"

#include <Ppmd8.h>

#include <algorithm>
#include <memory>
#include <string>

#include "engine/codec/sdk_alloc.h"

namespace zip {
namespace {

constexpr unsigned kFreeze = 2;  // the third way on when the model is full

Error Damaged(const char* what) { return Error{Failure::Damaged, {}, {}, std::string("its PPMd data ") + what}; }

// The model's byte source: zeros past the data's end, as the model cannot be told to stop, with
// that noted so that output decoded from them is never trusted.
struct Input : IByteIn {
  explicit Input(const Fetch& source) : IByteIn{&Next}, fetch(source) {}
  const Fetch& fetch;
  std::span<const std::uint8_t> held;
  Error error;
  bool past = false;

 private:
  static Byte Next(IByteInPtr self) {
    auto& input = *const_cast<Input*>(static_cast<const Input*>(self));
    if (input.held.empty() && !input.error && !input.past) {
      input.error = input.fetch(input.held);
      input.past = !input.error && input.held.empty();
    }
    if (input.held.empty()) return 0;
    const Byte next = input.held.front();
    input.held = input.held.subspan(1);
    return next;
  }
};

struct Model {
  Model() { Ppmd8_Construct(&ppmd); }
  ~Model() { Ppmd8_Free(&ppmd, &alloc); }
  Model(const Model&) = delete;
  Model& operator=(const Model&) = delete;
  LimitedAlloc alloc;
  CPpmd8 ppmd{};
};

}  // namespace

Error DecodePpmd(std::uint64_t size, const Fetch& fetch, std::span<std::uint8_t> buffer, const Emit& emit) {
  Input input(fetch);
  // One read after the other: in one expression their order would be the compiler's.
  const unsigned low = input.Read(&input);
  const unsigned parameters = low | unsigned{input.Read(&input)} << 8;
  if (input.error) return input.error;
  if (input.past) return Damaged("ends early");
  const unsigned order = (parameters & 0xF) + 1;
  const std::uint32_t megabytes = ((parameters >> 4) & 0xFF) + 1;
  const unsigned restore = parameters >> 12;
  if (order < 2 || restore > kFreeze) return Damaged("has parameters out of range");
  // The SDK's decoder leaves freezing out, as its two revisions disagree on it; 7-Zip never writes it.
  if (restore == kFreeze) {
    return Error{Failure::UnsupportedMethod, {}, {}, "PPMd with its model frozen when full"};
  }
  const auto model = std::make_unique<Model>();
  if (!Ppmd8_Alloc(&model->ppmd, megabytes << 20, &model->alloc)) return model->alloc.OutOfMemory();
  model->ppmd.Stream.In = &input;
  if (!Ppmd8_Init_RangeDec(&model->ppmd)) return Damaged("is damaged");
  Ppmd8_Init(&model->ppmd, order, restore);
  for (std::uint64_t left = size; left > 0;) {
    const auto stretch = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), left));
    for (std::size_t at = 0; at < stretch; ++at) {
      const int symbol = Ppmd8_DecodeSymbol(&model->ppmd);
      if (input.error) return input.error;
      if (input.past || symbol == PPMD8_SYM_END) return Damaged("ends early");
      if (symbol < 0) return Damaged("is damaged");
      buffer[at] = static_cast<std::uint8_t>(symbol);
    }
    if (Error error = emit(buffer.first(stretch))) return error;
    left -= stretch;
  }
  // The data ends with the size, in an end mark or in no more of it: an AES entry without its
  // CRC-32 would otherwise be cut short unnoticed by a size that lies.
  if (Ppmd8_DecodeSymbol(&model->ppmd) == PPMD8_SYM_END || input.past) return input.error;
  if (input.held.empty() && !input.error) input.error = fetch(input.held);
  if (input.error) return input.error;
  if (!input.held.empty()) return Error{Failure::TooLarge, {}, {}, "it inflates past its declared size"};
  return {};
}

}  // namespace zip

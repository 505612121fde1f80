#include "engine/codec/inflate.h"

#include <new>

namespace zip {
namespace {

constexpr int kRawWindowBits = -15;

}  // namespace

Inflater::Inflater() {
  if (inflateInit2(&stream_, kRawWindowBits) != Z_OK) throw std::bad_alloc();
}

Inflater::~Inflater() { inflateEnd(&stream_); }

void Inflater::Reset() { inflateReset(&stream_); }

Inflater::Status Inflater::Run(std::span<const std::uint8_t>& input, std::span<std::uint8_t> output,
                               std::size_t& produced) {
  stream_.next_in = const_cast<Bytef*>(input.data());
  stream_.avail_in = static_cast<uInt>(input.size());
  stream_.next_out = output.data();
  stream_.avail_out = static_cast<uInt>(output.size());
  const int result = inflate(&stream_, Z_NO_FLUSH);
  input = input.subspan(input.size() - stream_.avail_in);
  produced = output.size() - stream_.avail_out;
  if (result == Z_STREAM_END) return Status::End;
  if (result == Z_OK || (result == Z_BUF_ERROR && produced == 0 && input.empty())) return Status::More;
  return Status::Damaged;
}

}  // namespace zip

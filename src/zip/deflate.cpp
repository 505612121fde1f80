#include "zip/deflate.h"

#include <new>

namespace zip {
namespace {

constexpr int kRawWindowBits = -15;
constexpr int kMemoryLevel = 8;

}  // namespace

Deflater::Deflater() {
  if (deflateInit2(&stream_, kDeflateLevel, Z_DEFLATED, kRawWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::bad_alloc();
  }
}

Deflater::~Deflater() { deflateEnd(&stream_); }

void Deflater::Block(std::span<const std::uint8_t> dictionary, std::span<const std::uint8_t> data, bool last,
                     Bytes& out) {
  deflateReset(&stream_);
  if (!dictionary.empty()) {
    deflateSetDictionary(&stream_, dictionary.data(), static_cast<uInt>(dictionary.size()));
  }
  // The bound covers Z_FINISH; a sync flush adds its empty stored block.
  const std::size_t start = out.size();
  out.resize(start + deflateBound(&stream_, static_cast<uLong>(data.size())) + 16);
  stream_.next_in = const_cast<Bytef*>(data.data());
  stream_.avail_in = static_cast<uInt>(data.size());
  stream_.next_out = out.data() + start;
  stream_.avail_out = static_cast<uInt>(out.size() - start);
  deflate(&stream_, last ? Z_FINISH : Z_SYNC_FLUSH);
  out.resize(out.size() - stream_.avail_out);
}

}  // namespace zip

#include "packed_members.h"

#include <bzlib.h>
#include <lzma.h>
#include <zstd.h>

#include <memory>

namespace differential {
namespace {

constexpr lzma_check kChecks[] = {LZMA_CHECK_CRC64, LZMA_CHECK_CRC32, LZMA_CHECK_SHA256, LZMA_CHECK_NONE};

struct EndLzma {
  void operator()(lzma_stream* stream) const { lzma_end(stream); }
};

// All of the data through the encoder `init` set up in `stream`, which is ended after.
std::string Encode(lzma_stream& stream, lzma_ret init, std::string_view data) {
  const std::unique_ptr<lzma_stream, EndLzma> owner(&stream);
  if (init != LZMA_OK) return {};
  std::string out(lzma_stream_buffer_bound(data.size()) + 4096, '\0');
  stream.next_in = reinterpret_cast<const std::uint8_t*>(data.data());
  stream.avail_in = data.size();
  stream.next_out = reinterpret_cast<std::uint8_t*>(out.data());
  stream.avail_out = out.size();
  while (lzma_code(&stream, LZMA_FINISH) == LZMA_OK) {
  }
  out.resize(stream.total_out);
  return out;
}

// Half of them as xz -T writes them: blocks of 4 KiB whose headers give their sizes, which the
// engine decodes side by side.
std::string Xz(std::string_view data, unsigned level, unsigned variant) {
  if ((variant & 4) == 0) {
    std::string out(lzma_stream_buffer_bound(data.size()), '\0');
    std::size_t used = 0;
    lzma_easy_buffer_encode(level, kChecks[variant % 4], nullptr, reinterpret_cast<const std::uint8_t*>(data.data()),
                            data.size(), reinterpret_cast<std::uint8_t*>(out.data()), &used, out.size());
    out.resize(used);
    return out;
  }
  lzma_mt options{};
  options.threads = 2;
  options.block_size = 4096;
  options.preset = level;
  options.check = kChecks[variant % 4];
  lzma_stream stream = LZMA_STREAM_INIT;
  return Encode(stream, lzma_stream_encoder_mt(&stream, &options), data);
}

std::string Bzip2(std::string_view data, unsigned variant) {
  auto size = static_cast<unsigned>(data.size() + data.size() / 100 + 600);
  std::string out(size, '\0');
  // libbz2's interface is not const
  BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(data.data()), static_cast<unsigned>(data.size()),
                           static_cast<int>(1 + variant % 9), 0, 0);
  out.resize(size);
  return out;
}

struct FreeZstd {
  void operator()(ZSTD_CCtx* context) const { ZSTD_freeCCtx(context); }
};

std::string Zstd(std::string_view data, unsigned level, unsigned variant) {
  const std::unique_ptr<ZSTD_CCtx, FreeZstd> context(ZSTD_createCCtx());
  ZSTD_CCtx_setParameter(context.get(), ZSTD_c_compressionLevel, static_cast<int>(level) - 2);
  ZSTD_CCtx_setParameter(context.get(), ZSTD_c_checksumFlag, static_cast<int>(variant & 1));
  ZSTD_CCtx_setParameter(context.get(), ZSTD_c_contentSizeFlag, static_cast<int>((variant >> 1) & 1));
  std::string out(ZSTD_compressBound(data.size()), '\0');
  const std::size_t size = ZSTD_compress2(context.get(), out.data(), out.size(), data.data(), data.size());
  out.resize(ZSTD_isError(size) ? 0 : size);
  return out;
}

// As xz's tools write it: the size unknown, an end marker after the data.
std::string Lzma(std::string_view data, unsigned level) {
  lzma_options_lzma options{};
  lzma_lzma_preset(&options, level);
  lzma_stream stream = LZMA_STREAM_INIT;
  return Encode(stream, lzma_alone_encoder(&stream, &options), data);
}

}  // namespace

std::string PackedMember(Packer packer, std::string_view data, unsigned level, unsigned variant) {
  switch (packer) {
    case Packer::Xz: return Xz(data, level, variant);
    case Packer::Bzip2: return Bzip2(data, variant);
    case Packer::Zstd: return Zstd(data, level, variant);
    case Packer::Lzma: return Lzma(data, level);
  }
  return {};
}

Guarded GuardedTail(Packer packer, unsigned variant) {
  switch (packer) {
    case Packer::Xz: return {12, 0};
    case Packer::Bzip2: return {9, 1};
    case Packer::Zstd: return {(variant & 1) != 0 ? 4U : 0U, 0};
    case Packer::Lzma: return {};
  }
  return {};
}

std::string SkippableFrame(std::size_t size) {
  const auto length = static_cast<std::uint32_t>(size - 8);
  std::string frame = "\x50\x2A\x4D\x18";
  for (int shift = 0; shift < 32; shift += 8) frame += static_cast<char>((length >> shift) & 0xFF);
  return frame + std::string(length, 's');
}

}  // namespace differential

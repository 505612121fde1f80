// Archives told apart by their content, never by the name's extension.
#include <zlib.h>

#include <algorithm>
#include <array>
#include <bit>
#include <memory>
#include <string_view>

#include "zip/bytes.h"
#include "zip/catalog.h"
#include "zip/stream_decoder.h"
#include "zip/tar_header.h"

namespace zip {
namespace {

constexpr std::size_t kHeadSize = std::size_t{64} * 1024;
constexpr std::size_t kLongHeadSize = std::size_t{1} << 20;

bool StartsWith(std::span<const std::uint8_t> head, std::string_view signature) {
  return head.size() >= signature.size() &&
         std::equal(signature.begin(), signature.end(), head.begin(),
                    [](char s, std::uint8_t b) { return static_cast<std::uint8_t>(s) == b; });
}

// A gzip stream may store a tar's bytes as they are, "ustar" falling where a plain tar's magic
// would: there, only a first block whose checksum checks out is a tar's.
bool ChecksOutAsTar(std::span<const std::uint8_t> head) {
  TarHeader header;
  return StartsTar(head) && !ReadTarHeader(head.first(kTarBlock), header);
}

// Whether the gzip stream's first inflated bytes start a tar; as much as the head holds.
bool InflatesToTar(std::span<const std::uint8_t> head) {
  std::array<std::uint8_t, 2 * kTarBlock> block{};  // a volume label and the header after it
  z_stream stream{};
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return false;
  stream.next_in = const_cast<std::uint8_t*>(head.data());  // zlib's interface is not const
  stream.avail_in = static_cast<uInt>(head.size());
  stream.next_out = block.data();
  stream.avail_out = static_cast<uInt>(block.size());
  while (stream.avail_out > 0 && stream.avail_in > 0) {
    const int status = inflate(&stream, Z_NO_FLUSH);
    // A member may end before the blocks do (an empty one first): the next one goes on with them.
    if (status == Z_STREAM_END && stream.avail_in > 0 && inflateReset(&stream) == Z_OK) continue;
    if (status != Z_OK) break;
  }
  const std::size_t got = block.size() - stream.avail_out;
  inflateEnd(&stream);
  // Inflated, the magic alone: a tar.gz whose first header is damaged is told so, not placed whole.
  return StartsTar(std::span(block).first(got));
}

// Whether what the stream's first bytes decode to starts a tar.
bool DecodesToTar(std::unique_ptr<StreamDecoder> decoder, std::span<const std::uint8_t> head) {
  std::array<std::uint8_t, 2 * kTarBlock> block{};  // a volume label and the header after it
  return StartsTar(std::span(block).first(DecodeHead(*decoder, head, block)));
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

// A zstd frame, or a skippable frame before one.
bool StartsZstd(std::span<const std::uint8_t> head) {
  using namespace std::string_view_literals;
  return StartsWith(head, "\x28\xB5\x2F\xFD"sv) ||
         (head.size() >= 4 && (head[0] & 0xF0) == 0x50 && StartsWith(head.subspan(1), "\x2A\x4D\x18"sv));
}

// A compressed stream's kind, or its tar kind when it holds a tar.
ArchiveKind Compressed(std::unique_ptr<StreamDecoder> decoder, std::span<const std::uint8_t> head, ArchiveKind tar,
                       ArchiveKind file) {
  return DecodesToTar(std::move(decoder), head) ? tar : file;
}

}  // namespace

ArchiveKind ArchiveKindByHead(std::span<const std::uint8_t> head) {
  using namespace std::string_view_literals;
  const bool gzip = StartsWith(head, "\x1F\x8B\x08"sv);
  // Another format's signature first: "ustar" where a tar's magic would be may be that format's
  // bytes (a stored block, a skippable frame), so only a header that checks out makes it a tar.
  const bool marked = gzip || StartsWith(head, "7z\xBC\xAF\x27\x1C"sv) || StartsWith(head, "Rar!\x1A\x07"sv) ||
                     StartsWith(head, "\xFD" "7zXZ\x00"sv) || StartsWith(head, "BZh"sv) || StartsZstd(head);
  if (marked ? ChecksOutAsTar(head) : StartsTar(head)) return ArchiveKind::Tar;
  if (gzip) return InflatesToTar(head) ? ArchiveKind::GzipTar : ArchiveKind::Gzip;
  if (StartsWith(head, "7z\xBC\xAF\x27\x1C"sv)) return ArchiveKind::SevenZip;
  if (StartsWith(head, "Rar!\x1A\x07\x00"sv) || StartsWith(head, "Rar!\x1A\x07\x01\x00"sv)) return ArchiveKind::Rar;
  if (StartsWith(head, "\xFD" "7zXZ\x00"sv)) return Compressed(MakeXzDecoder(), head, ArchiveKind::XzTar, ArchiveKind::Xz);
  // "BZh", the block size as a digit, then the first block's magic (or the end-of-stream one, empty).
  if (StartsWith(head, "BZh"sv) && head.size() >= 10 && head[3] >= '1' && head[3] <= '9' &&
      (StartsWith(head.subspan(4), "\x31\x41\x59\x26\x53\x59"sv) ||
       StartsWith(head.subspan(4), "\x17\x72\x45\x38\x50\x90"sv))) {
    return Compressed(MakeBzip2Decoder(), head, ArchiveKind::Bzip2Tar, ArchiveKind::Bzip2);
  }
  if (StartsZstd(head)) return Compressed(MakeZstdDecoder(), head, ArchiveKind::ZstdTar, ArchiveKind::Zstd);
  if (StartsLzma(head)) return Compressed(MakeLzmaDecoder(), head, ArchiveKind::LzmaTar, ArchiveKind::Lzma);
  return ArchiveKind::Other;
}

ArchiveKind ArchiveKindOf(const os::Path& file) {
  os::File archive;
  return os::File::OpenRead(file, archive) ? ArchiveKind::Other : KindOf(archive);
}

ArchiveKind KindOf(const os::File& archive) {
  Bytes head(kHeadSize);
  std::size_t got = 0;
  if (archive.ReadAt(0, head.data(), head.size(), got)) return ArchiveKind::Other;
  head.resize(got);
  // A tar's own header first: a zip stored last in a tar leaves its end records near the tar's end.
  ArchiveKind kind = ArchiveKindByHead(head);
  // bzip2 gives nothing until a whole block is read: up to 900 kB, and a little more compressed;
  // xz's stream padding and zstd's skippable frames may keep a tar's first block as far.
  const bool lone = kind == ArchiveKind::Bzip2 || kind == ArchiveKind::Xz || kind == ArchiveKind::Zstd;
  if (lone && got == kHeadSize) {
    head.resize(kLongHeadSize);
    if (archive.ReadAt(0, head.data(), head.size(), got)) return ArchiveKind::Other;
    head.resize(got);
    kind = ArchiveKindByHead(head);
  }
  if (kind == ArchiveKind::Tar || kind == ArchiveKind::GzipTar || kind == ArchiveKind::Gzip) return kind;
  return LooksLikeArchive(archive) ? ArchiveKind::Zip : kind;
}

}  // namespace zip

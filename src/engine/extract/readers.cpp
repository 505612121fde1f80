#include "engine/extract/readers.h"

#include <algorithm>
#include <array>

#include "engine/codec/stream.h"
#include "engine/codec/stream_decoder.h"
#include "engine/sevenzip/sevenzip_reader.h"
#include "engine/tar/tar_reader.h"
#include "engine/zip/zip_reader.h"

namespace zip {
namespace {

bool StartsWith(std::span<const std::uint8_t> head, std::string_view signature) {
  return head.size() >= signature.size() &&
         std::equal(signature.begin(), signature.end(), head.begin(),
                    [](char s, std::uint8_t b) { return static_cast<std::uint8_t>(s) == b; });
}

// The kinds told but not extracted, by their magic.
using namespace std::string_view_literals;
bool IsSevenZip(std::span<const std::uint8_t> head) { return StartsWith(head, "7z\xBC\xAF\x27\x1C"sv); }
bool IsRar(std::span<const std::uint8_t> head) {
  return StartsWith(head, "Rar!\x1A\x07\x00"sv) || StartsWith(head, "Rar!\x1A\x07\x01\x00"sv);
}

// A tar's own header first: a zip stored last in a tar leaves its end records near the tar's end.
// Inside gzip, the whole first block must check out for a tar, and the rest is a tar.gz when what
// it inflates to starts a tar, or else one gzip'd file.
constexpr std::array kReaders{
    ReaderRow{ArchiveKind::Tar, "a tar archive", "*.tar", false, IsTar, nullptr, OpenTarReader},
    ReaderRow{ArchiveKind::GzipTar, "a tar.gz archive", "*.tar.gz;*.tgz", false, IsGzipTar, nullptr, OpenGzipTarReader},
    ReaderRow{ArchiveKind::Gzip, "a gzip'd file", "*.gz", true, StartsGzip, nullptr, OpenGzipReader},
    ReaderRow{ArchiveKind::Zip, "a zip archive", "*.zip", false, nullptr, LooksLikeArchive, OpenZipReader},
    ReaderRow{ArchiveKind::SevenZip, "a 7z archive", "*.7z", false, IsSevenZip, nullptr, OpenSevenZipReader},
    ReaderRow{ArchiveKind::Rar, "a RAR archive", {}, false, IsRar, nullptr, nullptr},
    ReaderRow{ArchiveKind::XzTar, "a tar.xz archive", "*.tar.xz;*.txz", false, nullptr, IsXzTar,
              OpenCompressed<MakeXzDecoder, true>},
    ReaderRow{ArchiveKind::Xz, "compressed with xz", "*.xz", true, StartsXz, nullptr, OpenCompressed<MakeXzDecoder, false>},
    ReaderRow{ArchiveKind::Bzip2Tar, "a tar.bz2 archive", "*.tar.bz2;*.tbz2;*.tbz", false, nullptr, IsBzip2Tar,
              OpenCompressed<MakeBzip2Decoder, true>},
    ReaderRow{ArchiveKind::Bzip2, "compressed with bzip2", "*.bz2", true, StartsBzip2, nullptr,
              OpenCompressed<MakeBzip2Decoder, false>},
    ReaderRow{ArchiveKind::ZstdTar, "a tar.zst archive", "*.tar.zst;*.tzst", false, nullptr, IsZstdTar,
              OpenCompressed<MakeZstdDecoder, true>},
    ReaderRow{ArchiveKind::Zstd, "compressed with zstd", "*.zst", true, StartsZstd, nullptr,
              OpenCompressed<MakeZstdDecoder, false>},
    // No magic of its own: last, once every other kind has had its look.
    ReaderRow{ArchiveKind::LzmaTar, "a tar.lzma archive", "*.tar.lzma", false, nullptr, IsLzmaTar,
              OpenCompressed<MakeLzmaDecoder, true>},
    ReaderRow{ArchiveKind::Lzma, "compressed with lzma", "*.lzma", true, StartsLzma, nullptr,
              OpenCompressed<MakeLzmaDecoder, false>},
};

}  // namespace

std::span<const ReaderRow> Readers() { return kReaders; }

std::unique_ptr<Reader> OpenReader(ArchiveKind kind, const os::File& archive, const os::Path& path,
                                   Observer& observer) {
  const auto row = std::find_if(kReaders.begin(), kReaders.end(),
                                [kind](const ReaderRow& r) { return r.kind == kind && r.open != nullptr; });
  return row != kReaders.end() ? row->open(archive, path, observer) : OpenZipReader(archive, path, observer);
}

}  // namespace zip

#include "engine/extract/readers.h"

#include <algorithm>
#include <array>

#include "engine/codec/stream.h"
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
bool IsXz(std::span<const std::uint8_t> head) { return StartsWith(head, "\xFD" "7zXZ\x00"sv); }
// "BZh", the block size as a digit, then the first block's magic (or the end-of-stream one, empty).
bool IsBzip2(std::span<const std::uint8_t> head) {
  return StartsWith(head, "BZh"sv) && head.size() >= 10 && head[3] >= '1' && head[3] <= '9' &&
         (StartsWith(head.subspan(4), "\x31\x41\x59\x26\x53\x59"sv) ||
          StartsWith(head.subspan(4), "\x17\x72\x45\x38\x50\x90"sv));
}
bool IsZstd(std::span<const std::uint8_t> head) { return StartsWith(head, "\x28\xB5\x2F\xFD"sv); }

// A tar's own header first: a zip stored last in a tar leaves its end records near the tar's end.
// Inside gzip, the whole first block must check out for a tar, and the rest is a tar.gz when what
// it inflates to starts a tar, or else one gzip'd file.
constexpr std::array kReaders{
    ReaderRow{ArchiveKind::Tar, "a tar archive", "*.tar", false, IsTar, nullptr, OpenTarReader},
    ReaderRow{ArchiveKind::GzipTar, "a tar.gz archive", "*.tar.gz;*.tgz", false, IsGzipTar, nullptr, OpenGzipTarReader},
    ReaderRow{ArchiveKind::Gzip, "a gzip'd file", "*.gz", true, StartsGzip, nullptr, OpenGzipReader},
    ReaderRow{ArchiveKind::Zip, "a zip archive", "*.zip", false, nullptr, LooksLikeArchive, OpenZipReader},
    ReaderRow{ArchiveKind::SevenZip, "a 7z archive", {}, false, IsSevenZip, nullptr, nullptr},
    ReaderRow{ArchiveKind::Rar, "a RAR archive", {}, false, IsRar, nullptr, nullptr},
    ReaderRow{ArchiveKind::Xz, "compressed with xz", {}, true, IsXz, nullptr, nullptr},
    ReaderRow{ArchiveKind::Bzip2, "compressed with bzip2", {}, true, IsBzip2, nullptr, nullptr},
    ReaderRow{ArchiveKind::Zstd, "compressed with zstd", {}, true, IsZstd, nullptr, nullptr},
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

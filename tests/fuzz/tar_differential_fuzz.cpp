// Generated tars (ustar, pax and GNU: long names, sparse files, base-256 numbers, every type),
// plain or compressed (gzip, xz, bzip2, zstd, lzma) in members cut anywhere, and lone compressed
// files, read by the engine and by libarchive. Every disagreement is either a refusal listed below as right for what the
// generator did to the archive, or a fault: the run prints both readings and aborts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "differential/compare.h"
#include "differential/tar_generate.h"
#include "engine/engine.h"

namespace {

using differential::Case;
using differential::Fault;
using differential::ReadResult;
using differential::TarGenerated;

constexpr unsigned kCut = differential::kTarSize | differential::kTarTruncated | differential::kGzipTruncated |
                          differential::kPackTruncated;
constexpr unsigned kGzipBent = differential::kGzipCrc | differential::kGzipHeaderCrc | differential::kGzipTruncated;
constexpr unsigned kPackBent = differential::kPackTruncated | differential::kPackCheck | differential::kPackTrailer;

// The engine's refusals that are right when libarchive reads every entry: the engine checks what
// libarchive takes on trust. Each holds only when the generator made one of the bends given.
struct Refusal {
  zip::Failure kind;
  std::string_view detail;  // a part of the engine's words
  unsigned bends;
};
constexpr Refusal kRightRefusals[] = {
    // A name rooted or climbing out: libarchive only lists it, the engine must not write it.
    {zip::Failure::OutsideTarget, "", differential::kTarTraversal},
    // libarchive reads an octal field up to its first byte that is no digit.
    {zip::Failure::Damaged, "a number that is none", differential::kTarNumber},
    // libarchive warns of a pax record that does not hold and goes on without the rest.
    {zip::Failure::Damaged, "pax record's length", differential::kTarPax},
    // libarchive takes a member's end as the stream's end when what follows is no member; the
    // engine wants every member whole, and each CRC-32, length and header CRC to match.
    {zip::Failure::Damaged, "gzip stream", kGzipBent | differential::kGzipTrailer},
    // The same of xz, bzip2 and zstd: every member whole and its checks passed, and after the
    // last nothing but zeros.
    {zip::Failure::Damaged, " stream ", kPackBent},
    // A size that lies, or a stream cut short, leaves a header where data was and data where a
    // header was, or the data ends early; libarchive stops at an end it finds or ignores the rest.
    // The engine reads on past the end blocks, for tars one after the other; past one zero block
    // (libarchive's end) a piece of a block is damage, as it is past the last entry.
    // Damage a compressed stream shows while an entry's data is skipped is told as the archive
    // ending there.
    {zip::Failure::Damaged, "ends", kCut | kGzipBent | differential::kGzipTrailer | differential::kTarAfterEnd | kPackBent},
    {zip::Failure::Damaged, "checksum", kCut | differential::kTarChecksum},
    // A gzip or lzma file cut within its first header is none, nor a bzip2 file whose first
    // stream, empty, has its end magic flipped: libarchive's raw reader takes any bytes as their
    // own data, the engine finds no archive in them.
    {zip::Failure::Damaged, "no end of central directory record",
     differential::kGzipTruncated | differential::kPackTruncated | differential::kPackCheck},
};

bool RightRefusal(const zip::Error& error, unsigned made) {
  for (const Refusal& refusal : kRightRefusals) {
    if (refusal.kind == error.kind && error.detail.find(refusal.detail) != std::string::npos && (made & refusal.bends) != 0) {
      return true;
    }
  }
  return false;
}

// libarchive's failures where the engine extracts the archive's true data: its own limits, each
// when the generator made all of what is given.
struct Strictness {
  std::string_view message;  // a part of libarchive's words
  unsigned made;
};
constexpr Strictness kLibarchiveStrictness[] = {
    // The raw reader wants at least one byte of data, which a gzip file cut down to its empty
    // first members does not hold either.
    {"Unrecognized archive format", differential::kLoneEmpty},
    {"Unrecognized archive format", differential::kGzipTruncated},
    // libarchive wants whole blocks to its end: a tar cut within its end blocks or at a
    // header's edge, or a piece of zeros after its last entry, is truncated to it. The engine has
    // read every entry there is; one whose data is cut short it refuses.
    {"Truncated tar archive", differential::kTarTruncated},
    {"Truncated tar archive", differential::kTarAfterEnd},
    // Zeros after the last frame, as tape blocking leaves them: libarchive takes them for a frame.
    {"Zstd decompression failed: Unknown frame descriptor", differential::kPackPadding},
    // Zeros after an lzma file's end marker: libarchive reads them as more of its one stream.
    {"Lzma library error: Corrupted input data", differential::kPackPadding},
};

bool LibarchiveStrictness(const std::string& message, unsigned made) {
  for (const Strictness& known : kLibarchiveStrictness) {
    if (message.find(known.message) != std::string::npos && (made & known.made) == known.made) return true;
  }
  return false;
}

// A gzip file cut one byte into a member ends as one with a byte of padding after it, and a tar
// cut at a header's edge as one without the entries after it; a size that lies within the padding
// leaves a tar that holds other data. None has anything to tell: only the readings are compared.
constexpr unsigned kTruthLost = differential::kTarSize | differential::kTarTruncated | differential::kGzipTruncated |
                                differential::kPackTruncated;

// A lone compressed file: one file, its data all the members hold.
void CompareLone(const Case& run, const TarGenerated& generated, const ReadResult& read,
                 const differential::Extracted& extracted) {
  if (extracted.files.size() != 1 || !extracted.folders.empty()) {
    Fault(run, "a lone compressed file is not extracted as one file", read, extracted);
  }
  const std::string& written = extracted.files.begin()->second;
  if ((generated.made & kTruthLost) == 0 && written != generated.contents.front()) {
    Fault(run, "a lone compressed file extracted with " + std::to_string(written.size()) + " bytes, not its " +
                   std::to_string(generated.contents.front().size()),
          read, extracted);
  }
  if (read.error.empty() && (read.entries.size() != 1 || read.entries.front().data != written)) {
    Fault(run, "libarchive read other data from a lone compressed file", read, extracted);
  }
}

// A lone file whose content holds a tar's magic where a tar's would be is taken for a tar, and
// refused as one whose header does not check out: placed whole as one file, a tar.gz with a
// damaged first header would be taken for a lone file.
bool ReadAsTar(const std::string& content, const zip::Error& error) {
  return error.kind == zip::Failure::Damaged && content.size() >= 262 && content.compare(257, 5, "ustar") == 0;
}

// The lone file is named after the archive without its extension.
const char* LoneName(differential::Reader reader) {
  switch (reader) {
    case differential::Reader::Gzip: return "in.gz";
    case differential::Reader::Xz: return "in.xz";
    case differential::Reader::Bzip2: return "in.bz2";
    case differential::Reader::Zstd: return "in.zst";
    case differential::Reader::Lzma: return "in.lzma";
    default: return "in.tar";
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const TarGenerated generated = differential::GenerateTar(data, size);
  const ReadResult read = differential::ReadWithLibarchive(generated.archive, generated.reader);
  const bool lone = generated.reader != differential::Reader::Tar;
  differential::Quiet quiet;
  const differential::Extracted extracted =
      differential::ExtractWithEngine(generated.archive, LoneName(generated.reader), quiet);
  const Case run{"tar_differential_fuzz", std::string(generated.packer) + "; " + differential::TarBendNames(generated.made),
                 generated.archive.size()};
  const bool libarchiveRead = read.error.empty();
  if (extracted.error) {
    if (extracted.error.kind == zip::Failure::OutsideTarget && !(extracted.files.empty() && extracted.folders.empty())) {
      Fault(run, "a refusal for a name outside the target left files behind", read, extracted);
    }
    if (libarchiveRead && !RightRefusal(extracted.error, generated.made) &&
        !(lone && ReadAsTar(generated.contents.front(), extracted.error))) {
      Fault(run, "the engine refused an archive libarchive reads, for a reason it does not have", read, extracted);
    }
    return 0;
  }
  if (lone) {
    CompareLone(run, generated, read, extracted);
  } else {
    // A size that lies may land on zeros, where libarchive ends the tar; the engine reads on past
    // them, as for tars one after the other, and may find headers in the data that follows.
    if (libarchiveRead) {
      differential::CompareEntries(run, read, extracted, (generated.made & differential::kTarSize) != 0);
    }
    if ((generated.made & kTruthLost) == 0) {
      differential::CompareWithTruth(run, generated.contents, read, extracted);
    }
  }
  if (!libarchiveRead && !LibarchiveStrictness(read.error, generated.made)) {
    Fault(run, "libarchive refused what the engine extracted", read, extracted);
  }
  return 0;
}

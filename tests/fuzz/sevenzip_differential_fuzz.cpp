// 7z archives written by libarchive's 7z writer (every method it has), bytes flipped or cut short
// as drawn, read by the engine and by libarchive. Every check of a 7z guards what it extracts:
// whatever was bent, the engine either refuses or extracts the true data. Every disagreement is
// either a refusal listed below as right for what the generator did, or a fault: the run prints
// both readings and aborts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "differential/compare.h"
#include "differential/sevenzip_generate.h"
#include "engine/engine.h"

namespace {

using differential::Case;
using differential::Fault;
using differential::ReadResult;
using differential::SevenZipGenerated;

// The engine's refusals that are right when libarchive reads every entry, each when the generator
// made one of the bends given.
struct Refusal {
  zip::Failure kind;
  std::string_view detail;  // a part of the engine's words
  unsigned bends;
};
constexpr Refusal kRightRefusals[] = {
    // A name rooted or climbing out: libarchive only lists it, the engine must not write it.
    {zip::Failure::OutsideTarget, "", differential::kSevenTraversal},
    // The start header's CRC guards where the header is, and its version the format: libarchive
    // goes on past either, the engine stops.
    {zip::Failure::Damaged, "its 7z header fails its check", differential::kSevenFlipped},
    {zip::Failure::UnsupportedMethod, "a later 7z format", differential::kSevenFlipped},
};

bool RightRefusal(const zip::Error& error, unsigned made) {
  for (const Refusal& refusal : kRightRefusals) {
    if (refusal.kind == error.kind && error.detail.find(refusal.detail) != std::string::npos && (made & refusal.bends) != 0) {
      return true;
    }
  }
  return false;
}

// libarchive's failures where the engine extracts the archive's true data, each when the
// generator made all of what is given.
struct Strictness {
  std::string_view message;  // a part of libarchive's words
  unsigned made;
};
constexpr Strictness kLibarchiveStrictness[] = {
    // libarchive writes an entry of no name but does not read it back; the engine names it in
    // the report, its data not dropped unsaid.
    {"Damaged 7-Zip archive", differential::kSevenEmptyName},
    // Flips the engine has no need to see, what it extracted held against the truth above: in a
    // packed stream's last bytes or an LZMA2 chunk's packed size, past what the coder needs for
    // the size it is to make (libarchive wants the coder to end on the stream's last byte), or in
    // the data of a file that lands nowhere, which the engine names and does not write.
    {"Damaged 7-Zip archive", differential::kSevenFlipped},
    {"Decompression failed", differential::kSevenFlipped},
    {"bzip decompression failed", differential::kSevenFlipped},
    {"Failed to decode PPMd", differential::kSevenFlipped},
    {"Truncated 7z file data", differential::kSevenFlipped},
    {"Truncated 7-Zip file body", differential::kSevenFlipped},
    {"7-Zip bad CRC", differential::kSevenFlipped},
};

bool LibarchiveStrictness(const std::string& message, unsigned made) {
  for (const Strictness& known : kLibarchiveStrictness) {
    if (message.find(known.message) != std::string::npos && (made & known.made) == known.made) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const SevenZipGenerated generated = differential::GenerateSevenZip(data, size);
  if (generated.archive.empty()) return 0;
  const ReadResult read = differential::ReadWithLibarchive(generated.archive, differential::Reader::SevenZip);
  differential::Quiet quiet;
  const differential::Extracted extracted = differential::ExtractWithEngine(generated.archive, "in.7z", quiet);
  const Case run{"sevenzip_differential_fuzz",
                 generated.method + "; " + differential::SevenZipBendNames(generated.made) + generated.bends,
                 generated.archive.size()};
  const bool libarchiveRead = read.error.empty();
  if (extracted.error) {
    if (extracted.error.kind == zip::Failure::OutsideTarget && !(extracted.files.empty() && extracted.folders.empty())) {
      Fault(run, "a refusal for a name outside the target left files behind", read, extracted);
    }
    if (libarchiveRead && !RightRefusal(extracted.error, generated.made)) {
      Fault(run, "the engine refused an archive libarchive reads, for a reason it does not have", read, extracted);
    }
    return 0;
  }
  if (libarchiveRead) differential::CompareEntries(run, read, extracted);
  differential::CompareWithTruth(run, generated.contents, read, extracted);
  if (!libarchiveRead && !LibarchiveStrictness(read.error, generated.made)) {
    Fault(run, "libarchive refused what the engine extracted", read, extracted);
  }
  return 0;
}

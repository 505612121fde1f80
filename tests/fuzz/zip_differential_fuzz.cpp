// Generated archives read by the engine and by libarchive's seekable zip reader. Every
// disagreement is either a refusal listed below as right for what the generator did to the
// archive, or a fault: the run prints both readings and aborts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "differential/compare.h"
#include "differential/generate.h"
#include "engine/engine.h"

namespace {

using differential::Case;
using differential::Contains;
using differential::Fault;
using differential::Generated;
using differential::ReadResult;

constexpr unsigned kEnd = differential::kCount | differential::kZip64Count | differential::kCentralSize |
                          differential::kCentralOffset | differential::kTruncated;

// The engine's refusals that are right when libarchive reads every entry: the engine checks what
// libarchive takes on trust. Each holds only when the generator made one of the faults given.
struct Refusal {
  zip::Failure kind;
  std::string_view detail;  // a part of the engine's words
  unsigned faults;
};
constexpr Refusal kRightRefusals[] = {
    // A name rooted or climbing out: libarchive only lists it, the engine must not write it.
    {zip::Failure::OutsideTarget, "", differential::kTraversal},
    // libarchive reads headers until an end record and ignores the counts; a count larger than
    // the directory's size can hold, or a size too small for its count, is damage.
    {zip::Failure::Damaged, "too many entries", kEnd},
    {zip::Failure::Damaged, "a central directory header does not check out", kEnd},
    // An end record whose size or offset is off: libarchive finds the directory by other means.
    {zip::Failure::Damaged, "end of central directory record", kEnd},
    {zip::Failure::Damaged, "not where it is recorded", kEnd},
    {zip::Failure::Damaged, "larger than the archive", kEnd},
    {zip::Failure::Damaged, "local file header is outside", kEnd},
    {zip::Failure::Damaged, "no local file header", kEnd},
    // Local headers that disagree with the central ones: libarchive reads by the central one.
    {zip::Failure::Damaged, "another name", differential::kLocalName | differential::kOverlap},
    {zip::Failure::Damaged, "another method", differential::kLocalMethod | differential::kOverlap},
    {zip::Failure::Damaged, "disagrees on encryption", differential::kEncrypted | differential::kOverlap},
    {zip::Failure::Damaged, "other sizes or another CRC-32", differential::kSizes | differential::kCrc | differential::kOverlap},
    // Entries sharing data, the smallest bombs' trick; a size that lies overlaps the next.
    {zip::Failure::TooLarge, "overlaps", differential::kOverlap | differential::kSizes},
    // Sizes that lie: the engine holds the data to them.
    {zip::Failure::Damaged, "runs into the central directory", differential::kSizes | kEnd},
    // An entry pointing at another's local header is followed by the other's descriptor.
    {zip::Failure::Damaged, "data descriptor disagrees", differential::kSizes | differential::kCrc | differential::kOverlap},
    {zip::Failure::TooLarge, "past its declared size", differential::kSizes},
    {zip::Failure::Damaged, "ends early", differential::kSizes | kEnd},
    {zip::Failure::Damaged, "deflate data is damaged", differential::kSizes},
    {zip::Failure::Damaged, "CRC-32 does not match", differential::kCrc},
    {zip::Failure::UnsupportedMethod, "", differential::kMethod},
    // Method 99 is how AES is marked, its real method in a field the generator never writes.
    {zip::Failure::Damaged, "WinZip AES field", differential::kMethod},
    // The fuzz target gives no password.
    {zip::Failure::Encrypted, "", differential::kEncrypted},
};

// libarchive's failures where the engine extracts the archive's true data: its own strictness,
// each when the generator made all of what is given.
struct Strictness {
  std::string_view message;  // a part of libarchive's words
  unsigned made;
};
constexpr Strictness kLibarchiveStrictness[] = {
    // libarchive takes a ZIP64 end record's offsets as they are, not shifted by a prefix.
    {"Unrecognized archive format", differential::kPrefix | differential::kZip64End},
    // A deflate stream ends at its own end marker; libarchive also wants every declared
    // compressed byte consumed, the engine takes what follows the marker as no data of its own.
    {"compressed data is wrong size", differential::kSizes},
    // The same for an LZMA stream that ends at its end marker before its declared size does.
    {"lzma alone premature end of stream", differential::kSizes},
};

bool RightRefusal(const zip::Error& error, unsigned faults) {
  for (const Refusal& refusal : kRightRefusals) {
    if (refusal.kind == error.kind && error.detail.find(refusal.detail) != std::string::npos && (faults & refusal.faults) != 0) {
      return true;
    }
  }
  return false;
}

bool LibarchiveStrictness(const std::string& message, unsigned made) {
  for (const Strictness& known : kLibarchiveStrictness) {
    if (message.find(known.message) != std::string::npos && (made & known.made) == known.made) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Generated generated = differential::Generate(data, size);
  const ReadResult read = differential::ReadWithLibarchive(generated.archive);
  differential::Quiet quiet;
  const differential::Extracted extracted = differential::ExtractWithEngine(generated.archive, "in.zip", quiet);
  const Case run{"zip_differential_fuzz", differential::FaultNames(generated.faults), generated.archive.size()};
  const bool libarchiveRead = read.error.empty();
  if (extracted.error) {
    if (extracted.error.kind == zip::Failure::OutsideTarget && !(extracted.files.empty() && extracted.folders.empty())) {
      Fault(run, "a refusal for a name outside the target left files behind", read, extracted);
    }
    if (libarchiveRead && !RightRefusal(extracted.error, generated.faults)) {
      Fault(run, "the engine refused an archive libarchive reads, for a reason it does not have", read, extracted);
    }
    return 0;
  }
  if (libarchiveRead) differential::CompareEntries(run, read, extracted);
  differential::CompareWithTruth(run, generated.contents, read, extracted);
  // An entry the engine does not extract, and names, is not the engine's to check; nor is the data
  // of one whose name ends in a backslash, a folder to the engine as to Windows.
  const bool notExtracted = read.failedEntry && (Contains(extracted.report.nameless, *read.failedEntry) ||
                                                 Contains(extracted.report.linksSkipped, *read.failedEntry) ||
                                                 read.failedEntry->ends_with('\\'));
  if (!libarchiveRead && !notExtracted && !LibarchiveStrictness(read.error, generated.faults)) {
    Fault(run, "libarchive refused what the engine extracted, and the engine named nothing left out", read, extracted);
  }
  return 0;
}

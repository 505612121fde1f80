// Generated archives read by the engine and by libarchive's seekable zip reader. Every
// disagreement is either a refusal listed below as right for what the generator did to the
// archive, or a fault: the run prints both readings and aborts.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>

#include "differential/generate.h"
#include "differential/libarchive_read.h"
#include "zip/zip.h"

namespace {

namespace fs = std::filesystem;
using differential::Generated;
using differential::ReadEntry;
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
};

class Quiet : public zip::Observer {
 public:
  void Total(std::uint64_t) override {}
  void Done(std::uint64_t, const std::string&) override {}
  bool Cancelled() override { return false; }
};

struct Extracted {
  zip::Error error;
  zip::ExtractReport report;
  std::map<std::string, std::string> files;  // path relative to the target, "/" between segments: data
  std::map<std::string, bool> folders;
};

// One box per process, in memory when it can be: the archive and the target folder.
const fs::path& Box() {
  static const fs::path box =
      (fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
      ("zip_differential_fuzz-" + std::to_string(::getpid()));
  return box;
}

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

Extracted ExtractWithEngine(const std::string& archive) {
  const fs::path file = Box() / "in.zip";
  const fs::path target = Box() / "out";
  fs::remove_all(Box());
  fs::create_directories(target);
  std::ofstream(file, std::ios::binary).write(archive.data(), static_cast<std::streamsize>(archive.size()));
  Extracted extracted;
  Quiet quiet;
  extracted.error = zip::ExtractArchive(file.native(), target.native(), quiet, extracted.report, 1);
  for (const auto& item : fs::recursive_directory_iterator(target)) {
    const std::string path = item.path().lexically_relative(target).generic_string();
    if (item.is_directory()) {
      extracted.folders[path] = true;
    } else {
      extracted.files[path] = ReadAll(item.path());
    }
  }
  fs::remove_all(Box());
  return extracted;
}

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '"' || c == '\\') {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

[[noreturn]] void Fault(const std::string& what, const Generated& generated, const ReadResult& read,
                        const Extracted& extracted) {
  std::fprintf(stderr, "\n==== zip_differential_fuzz: %s\n", what.c_str());
  std::fprintf(stderr, "faults made: %s; archive of %zu bytes\n", differential::FaultNames(generated.faults).c_str(),
               generated.archive.size());
  std::fprintf(stderr, "libarchive: %s\n", read.error.empty() ? "read it all" : read.error.c_str());
  for (const ReadEntry& entry : read.entries) {
    static constexpr const char* kTypes[] = {"file", "folder", "link", "other"};
    std::fprintf(stderr, "  %-6s %s, %zu bytes\n", kTypes[static_cast<int>(entry.type)], Quoted(entry.name).c_str(),
                 entry.data.size());
  }
  const zip::Error& error = extracted.error;
  std::fprintf(stderr, "engine: %s\n",
               error ? ("failure " + std::to_string(static_cast<int>(error.kind)) + " on " + Quoted(error.entry) + ": " +
                        error.detail).c_str()
                     : "extracted");
  for (const auto& [path, data] : extracted.files) std::fprintf(stderr, "  file   %s, %zu bytes\n", Quoted(path).c_str(), data.size());
  for (const auto& [path, yes] : extracted.folders) std::fprintf(stderr, "  folder %s\n", Quoted(path).c_str());
  for (const auto& renamed : extracted.report.renamed) {
    std::fprintf(stderr, "  renamed %s -> %s\n", Quoted(renamed.entry).c_str(), Quoted(renamed.extractedAs).c_str());
  }
  for (const auto& name : extracted.report.linksSkipped) std::fprintf(stderr, "  link skipped %s\n", Quoted(name).c_str());
  for (const auto& name : extracted.report.nameless) std::fprintf(stderr, "  nameless %s\n", Quoted(name).c_str());
  std::fflush(stderr);
  std::abort();
}

// libarchive turns the backslashes of names made on DOS into slashes; the engine keeps the
// name as it is and takes either as a separator.
bool SameName(std::string a, std::string b) {
  std::replace(a.begin(), a.end(), '\\', '/');
  std::replace(b.begin(), b.end(), '\\', '/');
  return a == b;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(), [&](const std::string& held) { return SameName(held, name); });
}

// Both read the archive: each entry libarchive read is extracted with the same data, or named in
// the report; the engine wrote nothing else.
void CompareEntries(const Generated& generated, const ReadResult& read, const Extracted& extracted) {
  std::map<std::string, std::string> unclaimed = extracted.files;
  const zip::ExtractReport& report = extracted.report;
  for (const ReadEntry& entry : read.entries) {
    std::vector<std::string> places = {differential::Lands(entry.name)};
    for (const auto& renamed : report.renamed) {
      if (SameName(renamed.entry, entry.name)) places.push_back(renamed.extractedAs);
    }
    const auto fault = [&](const std::string& what) { Fault(what + ": " + Quoted(entry.name), generated, read, extracted); };
    if (entry.type == ReadEntry::Type::Link) {
      if (!Contains(report.linksSkipped, entry.name)) fault("a link neither skipped nor named");
      continue;
    }
    if (Contains(report.nameless, entry.name)) continue;
    // A name ending in a backslash is a folder to the engine, as to Windows; libarchive keeps the
    // backslash as part of a file's name.
    const bool folder = entry.type == ReadEntry::Type::Folder ||
                        (entry.data.empty() && !entry.name.empty() && entry.name.back() == '\\');
    if (folder) {
      bool found = places[0].empty();  // the target itself, "./" say
      for (const std::string& place : places) found = found || extracted.folders.count(place) != 0;
      if (!found) fault("a folder libarchive read is not extracted nor named");
      continue;
    }
    bool found = false;
    for (const std::string& place : places) {
      const auto it = unclaimed.find(place);
      if (it == unclaimed.end()) continue;
      if (it->second != entry.data) continue;
      unclaimed.erase(it);
      found = true;
      break;
    }
    if (found) continue;
    for (const std::string& place : places) {
      if (extracted.files.count(place) != 0) fault("an entry extracted with other data than libarchive read");
    }
    fault("an entry libarchive read is not extracted nor named");
  }
  if (!unclaimed.empty()) {
    Fault("the engine extracted a file libarchive did not read: " + Quoted(unclaimed.begin()->first), generated, read,
          extracted);
  }
}

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

// What the engine wrote against what the generator put in: the same data, each once.
void CompareWithTruth(const Generated& generated, const ReadResult& read, const Extracted& extracted) {
  std::vector<std::string> missing = generated.contents;
  for (const auto& [path, written] : extracted.files) {
    const auto it = std::find(missing.begin(), missing.end(), written);
    if (it == missing.end()) {
      Fault("the engine extracted data the archive does not hold, or held once: " + Quoted(path), generated, read,
            extracted);
    }
    missing.erase(it);
  }
  if (!missing.empty()) {
    Fault("the engine extracted " + std::to_string(extracted.files.size()) + " files of the " +
              std::to_string(generated.contents.size()) + " the archive holds and named none missing",
          generated, read, extracted);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Generated generated = differential::Generate(data, size);
  const ReadResult read = differential::ReadWithLibarchive(generated.archive);
  const Extracted extracted = ExtractWithEngine(generated.archive);
  const bool libarchiveRead = read.error.empty();
  if (extracted.error) {
    if (extracted.error.kind == zip::Failure::OutsideTarget && !(extracted.files.empty() && extracted.folders.empty())) {
      Fault("a refusal for a name outside the target left files behind", generated, read, extracted);
    }
    if (libarchiveRead && !RightRefusal(extracted.error, generated.faults)) {
      Fault("the engine refused an archive libarchive reads, for a reason it does not have", generated, read, extracted);
    }
    return 0;
  }
  if (libarchiveRead) CompareEntries(generated, read, extracted);
  CompareWithTruth(generated, read, extracted);
  // An entry the engine does not extract, and names, is not the engine's to check; nor is the data
  // of one whose name ends in a backslash, a folder to the engine as to Windows.
  const bool notExtracted = read.failedEntry && (Contains(extracted.report.nameless, *read.failedEntry) ||
                                                 Contains(extracted.report.linksSkipped, *read.failedEntry) ||
                                                 read.failedEntry->ends_with('\\'));
  if (!libarchiveRead && !notExtracted && !LibarchiveStrictness(read.error, generated.faults)) {
    Fault("libarchive refused what the engine extracted, and the engine named nothing left out", generated, read,
          extracted);
  }
  return 0;
}

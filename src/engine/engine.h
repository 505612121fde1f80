#pragma once
// The zip engine shared by the zip and unzip tools: writes and extracts archives on all cores,
// and extracts tars, plain or gzip'd, and gzip'd files.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/sys/error.h"
#include "engine/sys/path.h"

namespace zip {

// What the engine says when it asks for a password.
struct PasswordQuestion {
  bool wrong = false;                 // the last answer opened none of the entries still locked
  std::vector<std::string> locked{};  // once an answer opened some entries, those still locked
};

struct PasswordAnswer {
  std::string password;     // UTF-8
  bool remembered = false;  // given for an earlier archive, not typed for this one
};

// Called from the engine's threads: implementations must be thread-safe. Total() comes once, when
// the total is known: before any data when extracting, but only once all is listed when writing,
// so Done() may come before it (and no Total() at all when the listing fails). Each Done() adds
// the bytes (of uncompressed data) finished since the last call, with the entry they belong to.
// Cancelled() is polled often, so a cancel stops the work within a fraction of a second.
class Observer {
 public:
  virtual void Total(std::uint64_t bytes) = 0;
  virtual void Done(std::uint64_t bytes, const std::string& item) = 0;
  virtual bool Cancelled() = 0;
  // Asked, before anything is written, until every encrypted entry is open: a password, or
  // nullopt to give none (the archive then fails as Encrypted, nothing of it written). Entries may
  // have passwords of their own. Never asked by WriteArchive.
  virtual std::optional<PasswordAnswer> Password(const PasswordQuestion& question) {
    (void)question;
    return std::nullopt;
  }

 protected:
  ~Observer() = default;
};

struct Grown {
  std::string entry;
  std::uint64_t size = 0;  // the bytes it had when listed, all that the archive holds
};

struct WriteReport {
  std::vector<std::string> linksSkipped;  // links inside the items' folders: neither followed nor zipped
  std::vector<Grown> grown;               // files that grew while they were zipped
};

// Creates `archive` (which must not exist; it is created exclusively) from the items, named
// relative to their common folder. Items without one (on two drives) go to the top under their
// own names, a twin numbered "name (2).ext"; a drive's root puts its content there. An item given
// twice, or inside another, is zipped once; a link given as an item is followed, links inside
// folders are not. Whatever lies at a path in leaveOut (the caller's scratch folder) is left out.
// Fails when nothing could be collected. On any failure or cancel, removes what it wrote.
Error WriteArchive(const std::vector<os::Path>& items, const std::vector<os::Path>& leaveOut,
                   const os::Path& archive, Observer& observer, WriteReport& report,
                   unsigned threads = 0 /* 0: all cores */);

// A tar inside a compressed stream is its own kind (XzTar…); the stream's kind alone (Xz…) is one
// compressed file.
enum class ArchiveKind { Other, Zip, Tar, GzipTar, Gzip, SevenZip, Rar, XzTar, Xz, Bzip2Tar, Bzip2, ZstdTar, Zstd, LzmaTar, Lzma };

struct Renamed {
  std::string entry;
  std::string extractedAs;
};

struct ExtractReport {
  std::vector<Renamed> renamed{};
  std::vector<std::string> linksSkipped{};
  std::vector<std::string> nameless{};  // entries whose names leave nothing to extract, not extracted
  std::vector<std::string> topLevel{};  // the distinct first path segments, as extracted
  std::vector<std::string> specialSkipped{};  // devices and pipes, which a tar can hold
};

// Extracts into `folder`, an existing empty folder, whatever ArchiveKindOf finds (a gzip'd file
// as one file named by its gzip header or after the archive). Refuses the whole archive, writing
// nothing, when an entry would land outside the folder or has an unsupported method, no password
// opens its encrypted entries, or a tar or gzip stream is damaged anywhere; on any other failure
// (a CRC-32 or an authentication code that does not match among them) the caller removes the folder.
Error ExtractArchive(const os::Path& archive, const os::Path& folder, Observer& observer,
                     ExtractReport& report, unsigned threads = 0);
// The same, the archive's kind already told by ArchiveKindOf.
Error ExtractArchive(const os::Path& archive, ArchiveKind kind, const os::Path& folder, Observer& observer,
                     ExtractReport& report, unsigned threads = 0);

// What the file holds, by its content: a zip by end of central directory records that check out,
// the others by their first bytes.
ArchiveKind ArchiveKindOf(const os::Path& file);
// The kind told by an archive's first bytes (never Zip): a gzip stream is GzipTar when what it
// inflates to starts with a tar header.
ArchiveKind ArchiveKindByHead(std::span<const std::uint8_t> head);
// Whether ExtractArchive extracts archives of the kind: asked by all that offer or refuse files.
bool Extractable(ArchiveKind kind);
// Whether the kind is one file compressed rather than an archive of many (gzip).
bool HoldsOneFile(ArchiveKind kind);
// What a file of the kind is, for a person: "a 7z archive", "compressed with xz"; empty for Other.
std::string_view KindName(ArchiveKind kind);
// The file dialog's patterns for the kinds extracted, `between` each two: "*.zip;*.tar;...".
std::string ExtractablePatterns(std::string_view between);

// A name folded as Windows compares names, for keys that must match as the file system does
// (names/text.h, where the engine's own text work is).
std::string FoldCase(std::string_view utf8);

}  // namespace zip

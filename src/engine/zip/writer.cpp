// WriteArchive: one thread lists the items' trees, one writes the entries in order as they are
// listed, and the compressor's workers deflate ahead of it. The output is a file it can seek in,
// so each local file header is written before its data and rewritten with the sizes and CRC-32
// once they are known. What is written is gathered in memory and goes out in large pieces: a write
// a small file would be a trip through the file system's filters each (a request to the server
// under Wine), and a header usually is rewritten before it has gone out.
#include <zlib.h>

#include <algorithm>
#include <new>

#include "engine/zip/central_header.h"
#include "engine/zip/collect.h"
#include "engine/zip/compressor.h"
#include "engine/zip/dos_time.h"
#include "engine/zip/end_records.h"
#include "engine/zip/extra_fields.h"
#include "engine/zip/local_header.h"
#include "engine/names/text.h"

namespace zip {
namespace {

// The archive being written: removed, once closed, unless it was finished.
class NewArchive {
 public:
  NewArchive() = default;
  ~NewArchive() {
    if (!created_ || kept_) return;
    file_ = os::File();
    os::Remove(path_);
  }
  NewArchive(const NewArchive&) = delete;
  NewArchive& operator=(const NewArchive&) = delete;

  Error Create(const os::Path& path) {
    path_ = path;
    Error error = os::File::CreateNew(path, file_);
    created_ = !error;
    return error;
  }
  const os::File& file() const { return file_; }
  void Keep() { kept_ = true; }

 private:
  os::Path path_;
  os::File file_;
  bool created_ = false;
  bool kept_ = false;
};

// A slow disk (a USB stick, a share) takes seconds over a block: the observer is asked between
// pieces this large, so that a cancel is heard within a fraction of a second.
constexpr std::size_t kWritePiece = std::size_t{256} * 1024;

class ArchiveWriter {
 public:
  ArchiveWriter(const os::File& out, Observer& observer, WriteReport& report)
      : out_(out), observer_(observer), report_(report) {}

  Error Write(Listing& listing, unsigned threads) {
    Compressor compressor(listing, threads, observer_);
    for (std::size_t index = 0; const Source* source = listing.Wait(index); ++index) {
      if (observer_.Cancelled()) return Error{Failure::Cancelled, {}, {}, {}};
      if (Error error = WriteEntry(*source, compressor)) return error;
    }
    if (Error error = listing.error()) return error;
    return Finish();
  }

 private:
  Error WriteOut(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
      if (observer_.Cancelled()) return Error{Failure::Cancelled, {}, {}, {}};
      const std::size_t piece = std::min(kWritePiece, size - done);
      if (Error error = out_.WriteAt(offset + done, data + done, piece)) return error;
      done += piece;
    }
    return {};
  }

  Error Append(const Bytes& bytes) {
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    offset_ += bytes.size();
    return pending_.size() >= kWritePiece ? Flush() : Error{};
  }

  Error Flush() {
    if (Error error = WriteOut(flushed_, pending_.data(), pending_.size())) return error;
    flushed_ += pending_.size();
    pending_.clear();
    return {};
  }

  // A header goes out whole with the bytes gathered around it, never half.
  Error Rewrite(std::uint64_t offset, const Bytes& bytes) {
    if (offset < flushed_) return out_.WriteAt(offset, bytes.data(), bytes.size());
    std::copy(bytes.begin(), bytes.end(), pending_.begin() + static_cast<std::ptrdiff_t>(offset - flushed_));
    return {};
  }

  Error WriteEntry(const Source& source, Compressor& compressor) {
    LocalFileHeader local;
    local.flags = IsAscii(source.name) ? 0 : kFlagUtf8;
    local.method = source.folder || source.size == 0 ? kStored : kDeflated;
    const std::int64_t seconds = os::Seconds(source.times.modified);
    const DosTime dos = ToDosTime(seconds);
    local.dosTime = dos.time;
    local.dosDate = dos.date;
    local.size = source.size;
    local.name = source.name;
    // Both headers carry the same fields: readers take either.
    if (FitsNtfsField(source.times)) WriteNtfsField(local.extra, source.times);
    if (FitsTimestampField(seconds)) WriteTimestampField(local.extra, seconds);

    const std::uint64_t headerOffset = offset_;
    Bytes header;
    WriteLocalFileHeader(header, local);
    if (Error error = Append(header)) return error;
    const std::uint64_t dataOffset = offset_;
    for (bool last = source.folder || source.size == 0; !last;) {
      Packed packed;
      if (Error error = compressor.Next(packed)) return error;
      if (packed.stored) local.method = kStored;
      local.crc = static_cast<std::uint32_t>(::crc32_combine(local.crc, packed.crc, static_cast<z_off_t>(packed.length)));
      if (Error error = Append(packed.data)) return error;
      if (packed.grown) report_.grown.push_back({source.name, source.size});
      observer_.Done(packed.length, source.name);
      last = packed.last;
    }
    local.compressedSize = offset_ - dataOffset;
    if (local.method == kDeflated && local.compressedSize >= local.size) {
      if (Error error = RewriteStored(source, dataOffset, local)) return error;
    }
    header.clear();
    WriteLocalFileHeader(header, local);
    if (Error error = Rewrite(headerOffset, header)) return error;

    CentralDirectoryHeader central;
    central.versionMadeBy = (kHostDos << 8) | kVersionMadeBy;
    central.versionNeeded = local.versionNeeded;
    central.flags = local.flags;
    central.method = local.method;
    central.dosTime = local.dosTime;
    central.dosDate = local.dosDate;
    central.crc = local.crc;
    central.compressedSize = local.compressedSize;
    central.size = local.size;
    central.externalAttributes = (source.folder ? kDosFolderAttribute : kDosArchiveAttribute) |
                                 (source.attributes.readOnly ? kDosReadOnlyAttribute : 0) |
                                 (source.attributes.hidden ? kDosHiddenAttribute : 0);
    central.localOffset = headerOffset;
    central.name = local.name;
    central.extra = local.extra;
    WriteCentralDirectoryHeader(central_, central);
    ++entries_;
    if (source.folder || source.size == 0) observer_.Done(0, source.name);
    return {};
  }

  // Deflate did not shrink a file of several blocks: its data goes in again as it is.
  Error RewriteStored(const Source& source, std::uint64_t dataOffset, LocalFileHeader& local) {
    if (Error error = Flush()) return error;
    os::File in;
    if (Error error = os::File::OpenRead(source.path, in)) return error;
    Bytes buffer(kBlockSize);
    std::uint32_t crc = 0;
    for (std::uint64_t done = 0; done < source.size;) {
      if (observer_.Cancelled()) return Error{Failure::Cancelled, {}, {}, {}};
      const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), source.size - done));
      std::size_t got = 0;
      if (Error error = in.ReadAt(done, buffer.data(), want, got)) return error;
      if (got != want) return Error{Failure::Io, source.path, source.name, "the file changed while it was read"};
      crc = static_cast<std::uint32_t>(::crc32_z(crc, buffer.data(), got));
      if (Error error = WriteOut(dataOffset + done, buffer.data(), got)) return error;
      done += got;
    }
    if (crc != local.crc) return Error{Failure::Io, source.path, source.name, "the file changed while it was read"};
    local.method = kStored;
    local.compressedSize = source.size;
    offset_ = flushed_ = dataOffset + source.size;
    return {};
  }

  Error Finish() {
    CentralDirectoryPlace place{entries_, central_.size(), offset_};
    WriteEndRecords(central_, place);
    if (Error error = Append(central_)) return error;
    if (Error error = Flush()) return error;
    return out_.Truncate(offset_);
  }

  const os::File& out_;
  Observer& observer_;
  WriteReport& report_;
  std::uint64_t offset_ = 0;   // where the next entry starts
  std::uint64_t flushed_ = 0;  // what has gone out; the rest is pending_
  Bytes pending_;
  std::uint64_t entries_ = 0;
  Bytes central_;
};

// Lists on a thread of its own, the total told once all is listed. Leaving, it abandons the
// listing, so that a walk still going stops at its next folder, and waits for it.
class Lister {
 public:
  Lister(const std::vector<os::Path>& items, const std::vector<os::Path>& leaveOut, Observer& observer,
         WriteReport& report)
      : thread_([&, this] { List(items, leaveOut, observer, report); }) {}
  ~Lister() { listing_.Abandon(); }
  Lister(const Lister&) = delete;
  Lister& operator=(const Lister&) = delete;

  Listing& listing() { return listing_; }

 private:
  void List(const std::vector<os::Path>& items, const std::vector<os::Path>& leaveOut, Observer& observer,
            WriteReport& report) {
    Error error;
    // An exception leaving this thread would end the program; the writer fails cleanly instead.
    try {
      error = CollectSources(items, leaveOut, observer, listing_, report);
    } catch (const std::bad_alloc&) {
      error.kind = Failure::NoMemory;
    }
    if (!error) observer.Total(listing_.bytes());
    listing_.End(std::move(error));
  }

  Listing listing_;
  os::Thread thread_;  // last: it uses the listing, and goes first
};

}  // namespace

Error WriteArchive(const std::vector<os::Path>& items, const std::vector<os::Path>& leaveOut,
                   const os::Path& archive, Observer& observer, WriteReport& report, unsigned threads) {
  // The archive is there while the trees are walked, and may lie in one of them.
  std::vector<os::Path> skipped = leaveOut;
  skipped.push_back(archive);
  Error error;
  {
    Lister lister(items, skipped, observer, report);
    NewArchive out;
    error = out.Create(archive);
    if (!error) {
      error = ArchiveWriter(out.file(), observer, report).Write(lister.listing(), threads == 0 ? os::Cores() : threads);
    }
    if (!error) out.Keep();
  }
  if (error && error.file.empty()) error.file = archive;
  return error;
}

}  // namespace zip

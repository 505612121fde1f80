#include "engine/tar/tar_reader.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <string>

#include "engine/codec/stream.h"
#include "engine/names/safe_name.h"
#include "engine/sys/paths.h"
#include "engine/tar/entries.h"
#include "engine/tar/header.h"

namespace zip {
namespace {

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

// `size` bytes from the stream into the file at `at`.
Error CopyStretch(Stream& stream, const Entry& entry, const os::File& out, std::uint64_t at, std::uint64_t size,
                  EntryBuffers& buffers, const Progress& progress) {
  for (std::uint64_t written = 0; written < size;) {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(size - written, buffers.output.size()));
    std::size_t got = 0;
    if (Error error = stream.Read(buffers.output.data(), want, got)) return error;
    if (got != want) return Error{Failure::Damaged, {}, entry.name, "the archive ends early"};
    if (Error error = out.WriteAt(at + written, buffers.output.data(), got)) return error;
    written += got;
    if (!progress(got)) return Error{Failure::Cancelled, {}, {}, {}};
  }
  return {};
}

// A tar's entries, front to back through a second pass over its stream, one at a time. A sparse
// file's holes are left to the file system, which reads what was never written as zeros.
Error CopyFromStream(Stream& stream, const Entry& entry, const os::File& out, EntryBuffers& buffers,
                     const Progress& progress) {
  if (entry.dataOffset < stream.position()) return Error{Failure::Damaged, {}, entry.name, "its data comes too early"};
  if (Error error = stream.Skip(entry.dataOffset - stream.position())) return error;
  if (!entry.sparse) return CopyStretch(stream, entry, out, 0, entry.size, buffers, progress);
  std::uint64_t end = 0;  // of what is made so far
  const auto hole = [&](std::uint64_t to) { return to == end || progress(to - end); };
  for (const Extent& extent : entry.extents) {
    if (!hole(extent.offset)) return Error{Failure::Cancelled, {}, {}, {}};
    if (Error error = CopyStretch(stream, entry, out, extent.offset, extent.size, buffers, progress)) return error;
    end = extent.offset + extent.size;
  }
  if (end == entry.size) return {};
  if (Error error = out.Truncate(entry.size)) return error;
  return hole(entry.size) ? Error{} : Error{Failure::Cancelled, {}, {}, {}};
}

// The name a lone gzip'd file is given: the one stored in the stream, its last segment only, or
// the archive's without ".gz".
std::string GzipFileName(const std::string& stored, const os::Path& archive) {
  const std::size_t slash = stored.find_last_of("/\\");
  const std::string last = slash == std::string::npos ? stored : stored.substr(slash + 1);
  // Made safe here: a stored "C:x" is a name to keep, not a drive to refuse.
  if (!last.empty() && last != "." && last != "..") return SafeSegment(NameText(last));
  const os::Path name = archive.filename();
  std::string extension = Utf8Name(name.extension());
  for (char& c : extension) c = static_cast<char>(c | 0x20);
  return Utf8Name(extension == ".gz" ? name.stem() : name);
}

enum class Holds { Tar, GzipTar, GzipFile };

// A tar is read through once to list it, checking all of it (a gzip stream's CRC-32 too) before
// anything is written, and again to extract it.
class StreamReader final : public Reader {
 public:
  StreamReader(const os::File& archive, const os::Path& path, Observer& observer, Holds holds)
      : archive_(archive), path_(path), observer_(observer), holds_(holds) {}

  Error List(Catalog& catalog) override {
    const std::unique_ptr<Stream> stream = OpenStream();
    if (holds_ != Holds::GzipFile) return ReadTarCatalog(*stream, catalog);
    if (Error error = ReadGzipCatalog(*stream, catalog)) return error;
    const auto& gzip = static_cast<const GzipStream&>(*stream);
    Entry& entry = catalog.entries.front();
    entry.name = entry.storedName = GzipFileName(gzip.StoredName(), path_);
    if (const auto stored = gzip.StoredTime()) entry.times = TarTimes(*stored);
    return {};
  }

  Error Open(const Catalog& /*catalog*/) override {
    stream_ = OpenStream();
    return {};
  }

  unsigned Workers(unsigned /*threads*/) const override { return 1; }  // a stream has one reader

  Error Copy(const Entry& entry, const os::File& out, EntryBuffers& buffers, const Progress& progress) override {
    return CopyFromStream(*stream_, entry, out, buffers, progress);
  }

 private:
  std::unique_ptr<Stream> OpenStream() const {
    std::unique_ptr<Stream> stream;
    if (holds_ == Holds::Tar) {
      stream = std::make_unique<FileStream>(archive_);
    } else {
      stream = std::make_unique<GzipStream>(archive_);
    }
    stream->StopWhen([&observer = observer_] { return observer.Cancelled(); });
    return stream;
  }

  const os::File& archive_;
  const os::Path& path_;
  Observer& observer_;
  const Holds holds_;
  std::unique_ptr<Stream> stream_;
};

}  // namespace

bool IsTar(std::span<const std::uint8_t> head) { return StartsGzip(head) ? ChecksOutAsTar(head) : StartsTar(head); }

bool IsGzipTar(std::span<const std::uint8_t> head) { return StartsGzip(head) && InflatesToTar(head); }

std::unique_ptr<Reader> OpenTarReader(const os::File& archive, const os::Path& path, Observer& observer) {
  return std::make_unique<StreamReader>(archive, path, observer, Holds::Tar);
}

std::unique_ptr<Reader> OpenGzipTarReader(const os::File& archive, const os::Path& path, Observer& observer) {
  return std::make_unique<StreamReader>(archive, path, observer, Holds::GzipTar);
}

std::unique_ptr<Reader> OpenGzipReader(const os::File& archive, const os::Path& path, Observer& observer) {
  return std::make_unique<StreamReader>(archive, path, observer, Holds::GzipFile);
}

}  // namespace zip

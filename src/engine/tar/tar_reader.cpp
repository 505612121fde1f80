#include "engine/tar/tar_reader.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <string>

#include "engine/codec/decoded_stream.h"
#include "engine/codec/read_ahead.h"
#include "engine/codec/stream.h"
#include "engine/names/safe_name.h"
#include "engine/spool.h"
#include "engine/stream_copy.h"
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

// Whether what the stream's first bytes decode to starts a tar.
bool DecodesToTar(std::unique_ptr<StreamDecoder> decoder, std::span<const std::uint8_t> head) {
  std::array<std::uint8_t, 2 * kTarBlock> block{};  // a volume label and the header after it
  return StartsTar(std::span(block).first(DecodeHead(*decoder, head, block)));
}

// The name a lone compressed file is given: the archive's without its extension.
std::string CompressedFileName(const os::Path& archive) {
  const os::Path name = archive.filename();
  std::string extension = Utf8Name(name.extension());
  for (char& c : extension) c = static_cast<char>(c | 0x20);
  const bool known = extension == ".xz" || extension == ".bz2" || extension == ".zst" || extension == ".lzma";
  return Utf8Name(known ? name.stem() : name);
}

// Another format's signature first: "ustar" where a tar's magic would be may be that format's
// bytes (a stored block, a skippable frame, a zip entry's data), so only a header that checks out
// makes it a tar.
bool OtherSignature(std::span<const std::uint8_t> head) {
  static constexpr std::uint8_t kSevenZip[] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
  static constexpr std::uint8_t kRar[] = {'R', 'a', 'r', '!', 0x1A, 0x07};
  static constexpr std::uint8_t kBzip2[] = {'B', 'Z', 'h'};
  static constexpr std::uint8_t kZip[] = {'P', 'K', 0x03, 0x04};  // a local header: its data may hold anything
  const auto starts = [&](std::span<const std::uint8_t> magic) {
    return head.size() >= magic.size() && std::equal(magic.begin(), magic.end(), head.begin());
  };
  return StartsGzip(head) || StartsXz(head) || StartsZstd(head) || starts(kSevenZip) || starts(kRar) || starts(kBzip2) ||
         starts(kZip);
}

// Whether a file that starts as the format's stream decodes to a tar, looking as far as its first
// MiB: bzip2 gives nothing before a whole block (up to 900 kB, a little more compressed), and xz's
// padding or zstd's skippable frames may come first.
bool HoldsTar(const os::File& archive, bool (*starts)(std::span<const std::uint8_t>), MakeDecoder make) {
  constexpr std::size_t kMagic = 16, kLongHead = std::size_t{1} << 20;
  Bytes head(kMagic);
  std::size_t got = 0;
  if (archive.ReadAt(0, head.data(), head.size(), got) || !starts(std::span(head).first(got))) return false;
  head.resize(kLongHead);
  if (archive.ReadAt(0, head.data(), head.size(), got)) return false;
  head.resize(got);
  return DecodesToTar(make(), head);
}

enum class Holds { Tar, GzipTar, GzipFile, CompressedTar, CompressedFile };

// A plain tar is read through once to list it, checking all of it before anything is written,
// and again to extract it. What must be decoded is decoded once: listed, its files' data kept in
// the target as it comes (a gzip stream's CRC-32 and the like checked at the end), then placed.
class StreamReader final : public Reader {
 public:
  StreamReader(const os::File& archive, const os::Path& path, Observer& observer, Holds holds,
               MakeDecoder decoder = nullptr)
      : archive_(archive), path_(path), observer_(observer), holds_(holds), decoder_(decoder) {}

  Error List(Catalog& catalog, const os::Folder& target) override {
    const std::unique_ptr<Stream> stream = OpenStream();
    if (holds_ == Holds::Tar) return ReadTarCatalog(*stream, catalog);
    if (Error error = spool_.Open(target)) return error;
    // The progress is told as the data is kept, the total only once all is listed.
    if (holds_ == Holds::GzipTar || holds_ == Holds::CompressedTar) {
      EntryBuffers buffers;
      return ReadTarCatalog(*stream, catalog, [&](const Entry& entry, Stream& data) {
        if (Error error = spool_.Reserve(entry.size)) return error;
        os::File file;
        if (Error error = spool_.Keep(entry.dataOffset, file)) return error;
        return CopyFromStream(data, entry, file, buffers, [&](std::uint64_t bytes) {
          observer_.Done(bytes, entry.name);
          return !observer_.Cancelled();
        });
      });
    }
    if (Error error = ListOneFile(*stream, catalog)) return error;
    Entry& entry = catalog.entries.front();
    entry.name = entry.storedName = FileName();
    if (holds_ == Holds::CompressedFile) {
      // These formats store no time: the file keeps the archive's, as their own tools do.
      if (os::Status status; !os::InspectTarget(path_, status)) entry.times = status.times;
      return {};
    }
    if (const auto stored = gzip_->StoredTime()) entry.times = TarTimes(*stored);
    return {};
  }

  Error Open(const Catalog& /*catalog*/) override {
    if (holds_ == Holds::Tar) stream_ = OpenStream();
    return {};
  }

  // A stream has one reader; what was kept is only moved.
  unsigned Workers(unsigned threads) const override {
    return holds_ == Holds::Tar ? 1 : threads == 0 ? os::Cores() : threads;
  }

  Error Make(const Entry& entry, const os::Folder& folder, const os::Path& name, os::File& out) override {
    if (spool_.Holds(entry.dataOffset)) return spool_.Place(entry.dataOffset, folder, name, out);
    return folder.NewFile(name, out);
  }

  // What was kept is in its place already, and its progress told.
  Error Copy(const Entry& entry, const os::File& out, EntryBuffers& buffers, const Progress& progress) override {
    return stream_ ? CopyFromStream(*stream_, entry, out, buffers, progress) : Error{};
  }

  Error Finish() override { return spool_.Close(); }

 private:
  // A lone compressed file's name, once its stream has begun.
  std::string FileName() const {
    if (holds_ == Holds::CompressedFile) return CompressedFileName(path_);
    return GzipFileName(gzip_->StoredName(), path_);
  }

  // The one file, kept as it is decoded: its size is known only at the stream's end.
  Error ListOneFile(Stream& stream, Catalog& catalog) {
    os::File file;
    if (Error error = spool_.Keep(0, file)) return error;
    return ReadGzipCatalog(stream, catalog, file, [&](std::uint64_t bytes) {
      observer_.Done(bytes, FileName());
      return spool_.Reserve(bytes);
    });
  }

  // What must be decoded is decoded on a thread of its own, ahead of the writing.
  std::unique_ptr<Stream> OpenStream() {
    std::unique_ptr<Stream> stream;
    if (holds_ == Holds::Tar) {
      stream = std::make_unique<FileStream>(archive_);
    } else if (decoder_ == &MakeXzDecoder) {  // read ahead on all cores
      return OpenXzStream(archive_, [&observer = observer_] { return observer.Cancelled(); });
    } else if (decoder_) {
      stream = std::make_unique<DecodedStream>(archive_, decoder_());
    } else {
      auto gzip = std::make_unique<GzipStream>(archive_);
      gzip_ = gzip.get();
      stream = std::move(gzip);
    }
    stream->StopWhen([&observer = observer_] { return observer.Cancelled(); });
    if (holds_ == Holds::Tar) return stream;
    return std::make_unique<ReadAheadStream>(std::move(stream));
  }

  const os::File& archive_;
  const os::Path& path_;
  Observer& observer_;
  const Holds holds_;
  const MakeDecoder decoder_;
  Spool spool_;
  const GzipStream* gzip_ = nullptr;  // inside the stream listed, when it is one
  std::unique_ptr<Stream> stream_;  // a plain tar's, read again to extract it
};

}  // namespace

bool IsTar(std::span<const std::uint8_t> head) { return OtherSignature(head) ? ChecksOutAsTar(head) : StartsTar(head); }

bool IsGzipTar(std::span<const std::uint8_t> head) { return StartsGzip(head) && InflatesToTar(head); }

bool IsXzTar(const os::File& archive) { return HoldsTar(archive, StartsXz, MakeXzDecoder); }
bool IsBzip2Tar(const os::File& archive) { return HoldsTar(archive, StartsBzip2, MakeBzip2Decoder); }
bool IsZstdTar(const os::File& archive) { return HoldsTar(archive, StartsZstd, MakeZstdDecoder); }
bool IsLzmaTar(const os::File& archive) { return HoldsTar(archive, StartsLzma, MakeLzmaDecoder); }

std::unique_ptr<Reader> OpenTarReader(const os::File& archive, const os::Path& path, Observer& observer) {
  return std::make_unique<StreamReader>(archive, path, observer, Holds::Tar);
}

std::unique_ptr<Reader> OpenGzipTarReader(const os::File& archive, const os::Path& path, Observer& observer) {
  return std::make_unique<StreamReader>(archive, path, observer, Holds::GzipTar);
}

std::unique_ptr<Reader> OpenCompressedReader(const os::File& archive, const os::Path& path, Observer& observer,
                                             MakeDecoder decoder, bool tar) {
  return std::make_unique<StreamReader>(archive, path, observer, tar ? Holds::CompressedTar : Holds::CompressedFile,
                                        decoder);
}

std::unique_ptr<Reader> OpenGzipReader(const os::File& archive, const os::Path& path, Observer& observer) {
  return std::make_unique<StreamReader>(archive, path, observer, Holds::GzipFile);
}

}  // namespace zip

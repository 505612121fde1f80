#include "engine/sevenzip/sevenzip_reader.h"

#include "engine/codec/read_ahead.h"
#include "engine/sevenzip/sevenzip_archive.h"
#include "engine/stream_copy.h"

namespace zip {
namespace {

// The header read and every password asked for before anything is written; then each folder
// decoded front to back by one worker, folders side by side, each file checked as its last byte
// passes. A solid block decodes on a thread of its own, ahead of the writing.
class SevenZipReader final : public Reader {
 public:
  SevenZipReader(const os::File& archive, Observer& observer) : archive_(archive), observer_(observer) {}

  Error List(Catalog& catalog, const os::Folder& /*target*/) override { return archive_.Open(observer_, catalog); }

  Error Open(const Catalog& /*catalog*/) override {
    streams_.resize(archive_.Folders());
    return {};
  }

  unsigned Workers(unsigned threads) const override {
    return archive_.Folders() > 1 ? (threads == 0 ? os::Cores() : threads) : 1;
  }

  // Files of no bytes read nothing: any worker makes them.
  std::optional<std::size_t> Lane(const Entry& entry) const override {
    if (entry.size == 0) return std::nullopt;
    return archive_.FolderAt(entry.dataOffset);
  }

  // Only the lane's worker touches its folder's stream, let go after the folder's last file.
  Error Copy(const Entry& entry, const os::File& out, EntryBuffers& buffers, const Progress& progress) override {
    if (entry.size == 0) return {};
    const std::size_t folder = archive_.FolderAt(entry.dataOffset);
    std::unique_ptr<Stream>& stream = streams_[folder];
    if (!stream) {
      stream = archive_.FolderData(folder);
      stream->StopWhen([&observer = observer_] { return observer.Cancelled(); });
      if (archive_.Solid(folder)) stream = std::make_unique<ReadAheadStream>(std::move(stream));
    }
    Error error = CopyFromStream(*stream, entry, out, buffers, progress);
    if (error || entry.dataOffset + entry.size == archive_.FolderEnd(folder)) stream.reset();
    return error;
  }

 private:
  sevenzip::Archive archive_;
  Observer& observer_;
  std::vector<std::unique_ptr<Stream>> streams_;  // by folder, while one is being read
};

}  // namespace

std::unique_ptr<Reader> OpenSevenZipReader(const os::File& archive, const os::Path& /*path*/, Observer& observer) {
  return std::make_unique<SevenZipReader>(archive, observer);
}

}  // namespace zip

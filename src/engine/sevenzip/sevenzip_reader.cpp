#include "engine/sevenzip/sevenzip_reader.h"

#include "engine/codec/read_ahead.h"
#include "engine/sevenzip/sevenzip_archive.h"
#include "engine/stream_copy.h"

namespace zip {
namespace {

// The header read and every password asked for before anything is written; the folders then
// decoded one after the other, each file checked as its last byte passes.
class SevenZipReader final : public Reader {
 public:
  SevenZipReader(const os::File& archive, Observer& observer) : archive_(archive), observer_(observer) {}

  Error List(Catalog& catalog, const os::Folder& /*target*/) override { return archive_.Open(observer_, catalog); }

  // A solid block is decoded on a thread of its own, ahead of the writing.
  Error Open(const Catalog& /*catalog*/) override {
    if (!archive_.FileAFolder()) stream_ = std::make_unique<ReadAheadStream>(Stopping(archive_.Data()));
    return {};
  }

  // A folder of many files (a solid block) decodes front to back on one worker; an archive of a
  // file a folder decodes its files side by side.
  unsigned Workers(unsigned threads) const override {
    return archive_.FileAFolder() ? (threads == 0 ? os::Cores() : threads) : 1;
  }

  Error Copy(const Entry& entry, const os::File& out, EntryBuffers& buffers, const Progress& progress) override {
    if (stream_) return CopyFromStream(*stream_, entry, out, buffers, progress);
    if (entry.size == 0) return {};
    const std::unique_ptr<Stream> stream = Stopping(archive_.FolderData(archive_.FolderAt(entry.dataOffset)));
    return CopyFromStream(*stream, entry, out, buffers, progress);
  }

 private:
  std::unique_ptr<Stream> Stopping(std::unique_ptr<Stream> stream) const {
    stream->StopWhen([&observer = observer_] { return observer.Cancelled(); });
    return stream;
  }

  sevenzip::Archive archive_;
  Observer& observer_;
  std::unique_ptr<Stream> stream_;
};

}  // namespace

std::unique_ptr<Reader> OpenSevenZipReader(const os::File& archive, const os::Path& /*path*/, Observer& observer) {
  return std::make_unique<SevenZipReader>(archive, observer);
}

}  // namespace zip

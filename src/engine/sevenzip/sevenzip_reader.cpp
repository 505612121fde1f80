#include "engine/sevenzip/sevenzip_reader.h"

#include "engine/sevenzip/sevenzip_archive.h"
#include "engine/stream_copy.h"

namespace zip {
namespace {

// The header read and every password asked for before anything is written; the folders then
// decoded one after the other, each file checked as its last byte passes.
class SevenZipReader final : public Reader {
 public:
  SevenZipReader(const os::File& archive, Observer& observer) : archive_(archive), observer_(observer) {}

  Error List(Catalog& catalog) override { return archive_.Open(observer_, catalog); }

  Error Open(const Catalog& /*catalog*/) override {
    stream_ = archive_.Data();
    stream_->StopWhen([&observer = observer_] { return observer.Cancelled(); });
    return {};
  }

  unsigned Workers(unsigned /*threads*/) const override { return 1; }

  Error Copy(const Entry& entry, const os::File& out, EntryBuffers& buffers, const Progress& progress) override {
    return CopyFromStream(*stream_, entry, out, buffers, progress);
  }

 private:
  sevenzip::Archive archive_;
  Observer& observer_;
  std::unique_ptr<Stream> stream_;
};

}  // namespace

std::unique_ptr<Reader> OpenSevenZipReader(const os::File& archive, const os::Path& /*path*/, Observer& observer) {
  return std::make_unique<SevenZipReader>(archive, observer);
}

}  // namespace zip

#include "engine/zip/zip_reader.h"

#include "engine/zip/catalog.h"
#include "engine/zip/inflate_entry.h"
#include "engine/zip/password.h"

namespace zip {
namespace {

class ZipReader final : public Reader {
 public:
  ZipReader(const os::File& archive, Observer& observer) : archive_(archive), observer_(observer) {}

  Error List(Catalog& catalog, const os::Folder& /*target*/) override {
    if (Error error = ReadCentralDirectory(archive_, catalog)) return error;
    if (Error error = RefuseUnsupported(catalog)) return error;
    return ReadLocalHeaders(archive_, catalog);
  }

  Error Open(const Catalog& catalog) override { return ChoosePasswords(archive_, catalog, observer_, keys_); }

  unsigned Workers(unsigned threads) const override { return threads == 0 ? os::Cores() : threads; }

  Error Copy(const Entry& entry, const os::File& out, EntryBuffers& buffers, const Progress& progress) override {
    return InflateEntry(archive_, entry, &out, buffers, keys_.For(entry), progress);
  }

 private:
  const os::File& archive_;
  Observer& observer_;
  Keys keys_;
};

}  // namespace

std::unique_ptr<Reader> OpenZipReader(const os::File& archive, const os::Path& /*path*/, Observer& observer) {
  return std::make_unique<ZipReader>(archive, observer);
}

}  // namespace zip

#include "libarchive_read.h"

#include <archive.h>
#include <archive_entry.h>

#include <clocale>
#include <memory>

namespace differential {
namespace {

struct Free {
  void operator()(archive* reader) const { archive_read_free(reader); }
};

ReadEntry::Type TypeOf(archive_entry* entry) {
  if (archive_entry_hardlink(entry) != nullptr) return ReadEntry::Type::Link;
  switch (archive_entry_filetype(entry)) {
    case AE_IFREG: return ReadEntry::Type::File;
    case AE_IFDIR: return ReadEntry::Type::Folder;
    case AE_IFLNK: return ReadEntry::Type::Link;
    default: return ReadEntry::Type::Other;
  }
}

std::string ErrorOf(archive* reader, const std::string& where) {
  const char* text = archive_error_string(reader);
  return where + ": " + (text != nullptr ? text : "(no message)");
}

void Support(archive* reader, Reader kind) {
  switch (kind) {
    case Reader::Zip: archive_read_support_format_zip_seekable(reader); return;
    case Reader::Tar:
      archive_read_support_filter_all(reader);
      archive_read_support_format_tar(reader);  // ustar, pax and GNU
      return;
    case Reader::SevenZip: archive_read_support_format_7zip(reader); return;
    case Reader::Gzip: archive_read_support_filter_gzip(reader); break;
    case Reader::Xz: archive_read_support_filter_xz(reader); break;
    case Reader::Bzip2: archive_read_support_filter_bzip2(reader); break;
    case Reader::Zstd: archive_read_support_filter_zstd(reader); break;
    // Through its filter once: lzma has no magic, only a header that what it holds may fit too.
    case Reader::Lzma: archive_read_append_filter(reader, ARCHIVE_FILTER_LZMA); break;
  }
  archive_read_support_format_raw(reader);  // a lone compressed file
}

// The entry's data blocks at their offsets, what lies between them zeros.
la_ssize_t ReadData(archive* reader, std::string& data) {
  const void* block = nullptr;
  std::size_t size = 0;
  la_int64_t offset = 0;
  int status = ARCHIVE_OK;
  while ((status = archive_read_data_block(reader, &block, &size, &offset)) == ARCHIVE_OK) {
    if (offset < static_cast<la_int64_t>(data.size())) return ARCHIVE_FATAL;
    data.resize(static_cast<std::size_t>(offset));
    data.append(static_cast<const char*>(block), size);
  }
  return status == ARCHIVE_EOF ? ARCHIVE_OK : status;
}

}  // namespace

ReadResult ReadWithLibarchive(const std::string& bytes, Reader kind, const std::vector<std::string>& passphrases) {
  // Names without the UTF-8 flag are read in the locale's charset.
  static const bool utf8 = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
  (void)utf8;
  ReadResult result;
  const std::unique_ptr<archive, Free> reader(archive_read_new());
  Support(reader.get(), kind);
  for (const std::string& passphrase : passphrases) archive_read_add_passphrase(reader.get(), passphrase.c_str());
  if (archive_read_open_memory(reader.get(), bytes.data(), bytes.size()) != ARCHIVE_OK) {
    result.error = ErrorOf(reader.get(), "open");
    return result;
  }
  for (;;) {
    archive_entry* entry = nullptr;
    const int status = archive_read_next_header(reader.get(), &entry);
    if (status == ARCHIVE_EOF) break;
    if (status < ARCHIVE_WARN) {
      result.error = ErrorOf(reader.get(), "header " + std::to_string(result.entries.size()));
      break;
    }
    ReadEntry read;
    const char* name = archive_entry_pathname_utf8(entry);
    if (name == nullptr) name = archive_entry_pathname(entry);
    read.name = name != nullptr ? name : "";
    read.type = TypeOf(entry);
    if (ReadData(reader.get(), read.data) != ARCHIVE_OK) {
      result.error = ErrorOf(reader.get(), "data of \"" + read.name + "\"");
      result.failedEntry = read.name;
      break;
    }
    // A sparse file's hole at its end has no block, not even an empty one when the map ends in
    // runs of no data: the entry's size says where the file ends.
    const la_int64_t size = archive_entry_size(entry);
    if (kind == Reader::Tar && read.type == ReadEntry::Type::File && archive_entry_size_is_set(entry) != 0 &&
        size > static_cast<la_int64_t>(read.data.size())) {
      read.data.resize(static_cast<std::size_t>(size));
    }
    result.entries.push_back(std::move(read));
  }
  return result;
}

}  // namespace differential

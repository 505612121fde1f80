#include "libarchive_read.h"

#include <archive.h>
#include <archive_entry.h>

#include <array>
#include <clocale>
#include <memory>

namespace differential {
namespace {

struct Free {
  void operator()(archive* reader) const { archive_read_free(reader); }
};

ReadEntry::Type TypeOf(archive_entry* entry) {
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

}  // namespace

ReadResult ReadWithLibarchive(const std::string& bytes) {
  // Names without the UTF-8 flag are read in the locale's charset.
  static const bool utf8 = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
  (void)utf8;
  ReadResult result;
  const std::unique_ptr<archive, Free> reader(archive_read_new());
  archive_read_support_format_zip_seekable(reader.get());
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
    std::array<char, 4096> buffer;
    la_ssize_t got = 0;
    while ((got = archive_read_data(reader.get(), buffer.data(), buffer.size())) > 0) read.data.append(buffer.data(), got);
    if (got < 0) {
      result.error = ErrorOf(reader.get(), "data of \"" + read.name + "\"");
      result.failedEntry = read.name;
      break;
    }
    result.entries.push_back(std::move(read));
  }
  return result;
}

}  // namespace differential

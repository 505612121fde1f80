#pragma once
// The archive as libarchive reads it: a zip by its seekable reader, from the central directory;
// a tar, plain or compressed; a lone compressed file as raw data; a 7z archive. Every entry's data is read whole, the
// holes of a sparse file as zeros.
#include <optional>
#include <string>
#include <vector>

namespace differential {

struct ReadEntry {
  enum class Type { File, Folder, Link, Other } type = Type::Other;
  std::string name;  // UTF-8
  std::string data;
};

struct ReadResult {
  std::vector<ReadEntry> entries;
  std::string error;  // empty when every entry and its data were read
  std::optional<std::string> failedEntry;  // the entry whose data was not read, when it came that far ("" is a name)
};

// Tar: plain or through any filter. Gzip to Lzma: a lone compressed file, only its own filter
// tried, as its data may look compressed once more.
enum class Reader { Zip, Tar, Gzip, Xz, Bzip2, Zstd, Lzma, SevenZip };

// Each passphrase is offered for every encrypted entry.
ReadResult ReadWithLibarchive(const std::string& archive, Reader reader = Reader::Zip,
                              const std::vector<std::string>& passphrases = {});

}  // namespace differential

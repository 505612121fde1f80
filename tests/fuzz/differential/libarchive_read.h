#pragma once
// The archive as libarchive's seekable zip reader reads it: from the central directory, every
// entry's data read whole.
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

ReadResult ReadWithLibarchive(const std::string& archive);

}  // namespace differential

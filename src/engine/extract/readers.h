#pragma once
// The archive kinds, one row each, in the order they are told apart: how a file of the kind is
// recognised, what it is, the file dialog's patterns for it, and the reader that lists and
// extracts it. The only place that knows the kinds: a new one is a folder beside zip/ and tar/
// and a row here.
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "engine/reader.h"

namespace zip {

struct ReaderRow {
  ArchiveKind kind;
  std::string_view what;      // for a person: "a 7z archive", "compressed with xz"
  std::string_view patterns;  // the file dialog's, for a kind extracted: "*.tar.gz;*.tgz"
  bool oneFile;               // one file compressed, not an archive of many
  // By the file's first bytes, or else by what the file holds elsewhere (zip's end records).
  bool (*byHead)(std::span<const std::uint8_t> head);
  bool (*byFile)(const os::File& archive);
  // None: the kind is told, not extracted.
  std::unique_ptr<Reader> (*open)(const os::File& archive, const os::Path& path, Observer& observer);
};

std::span<const ReaderRow> Readers();

// The reader for the kind. A kind without one is read as a zip, whose reader then tells the
// damage: a zip is told by its end records, which damage may break.
std::unique_ptr<Reader> OpenReader(ArchiveKind kind, const os::File& archive, const os::Path& path,
                                   Observer& observer);

}  // namespace zip

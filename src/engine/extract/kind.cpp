// Archives told apart by their content, never by the name's extension: the first row of the
// readers' table that recognises one.
#include <algorithm>
#include <string>

#include "engine/codec/bytes.h"
#include "engine/engine.h"
#include "engine/extract/readers.h"

namespace zip {
namespace {

constexpr std::size_t kHeadSize = std::size_t{64} * 1024;

const ReaderRow* RowOf(ArchiveKind kind) {
  const std::span<const ReaderRow> rows = Readers();
  const auto row = std::find_if(rows.begin(), rows.end(), [kind](const ReaderRow& r) { return r.kind == kind; });
  return row == rows.end() ? nullptr : &*row;
}

ArchiveKind KindOf(const os::File& archive) {
  Bytes head(kHeadSize);
  std::size_t got = 0;
  if (archive.ReadAt(0, head.data(), head.size(), got)) return ArchiveKind::Other;
  head.resize(got);
  for (const ReaderRow& row : Readers()) {
    if (row.byHead ? row.byHead(head) : row.byFile(archive)) return row.kind;
  }
  return ArchiveKind::Other;
}

}  // namespace

ArchiveKind ArchiveKindOf(const os::Path& file) {
  os::File archive;
  return os::File::OpenRead(file, archive) ? ArchiveKind::Other : KindOf(archive);
}

bool Extractable(ArchiveKind kind) {
  const ReaderRow* row = RowOf(kind);
  return row && row->open;
}

bool HoldsOneFile(ArchiveKind kind) {
  const ReaderRow* row = RowOf(kind);
  return row && row->oneFile;
}

std::string_view KindName(ArchiveKind kind) {
  const ReaderRow* row = RowOf(kind);
  return row ? row->what : std::string_view();
}

std::string ExtractablePatterns(std::string_view between) {
  // In the kinds' own order, zip first, rather than the order they are told apart in: each kind
  // has its row, so the kinds run to the table's length.
  std::string patterns;
  for (std::size_t kind = 0; kind <= Readers().size(); ++kind) {
    const ReaderRow* row = RowOf(static_cast<ArchiveKind>(kind));
    if (!row || !row->open) continue;
    if (!patterns.empty()) patterns += between;
    for (const char c : row->patterns) {  // a row's own too: "*.tar.gz;*.tgz"
      if (c == ';') {
        patterns += between;
      } else {
        patterns += c;
      }
    }
  }
  return patterns;
}

}  // namespace zip

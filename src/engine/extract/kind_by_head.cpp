// A file of its own: the tools tell kinds by the file, and each keeps all of what it links.
#include "engine/engine.h"
#include "engine/extract/readers.h"

namespace zip {

ArchiveKind ArchiveKindByHead(std::span<const std::uint8_t> head) {
  for (const ReaderRow& row : Readers()) {
    if (row.byHead && row.byHead(head)) return row.kind;
  }
  return ArchiveKind::Other;
}

}  // namespace zip

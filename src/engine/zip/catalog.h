#pragma once
// The archive's entries as its central directory lists them, each checked against its local
// file header, with every length and offset held within the file.
#include "engine/engine.h"
#include "engine/entry.h"
#include "engine/sys/os.h"

namespace zip {

// The central directory, with its place from the end records. Damaged when it does not check out.
Error ReadCentralDirectory(const os::File& archive, Catalog& catalog);
// Strong encryption and methods other than stored, deflate and Deflate64, by name; a WinZip AES
// field that does not check out.
Error RefuseUnsupported(const Catalog& catalog);
// Each entry's local file header against its central directory header, its data within the
// file, and no two entries' data overlapping.
Error ReadLocalHeaders(const os::File& archive, Catalog& catalog);

}  // namespace zip

#pragma once
// What the readers of archives read as one stream front to back (tars, 7z's folders) share: an
// entry's data copied from the stream into its new file.
#include "engine/codec/stream.h"
#include "engine/reader.h"

namespace zip {

// Passes over what comes before the entry's data, then copies it; a sparse file's holes are left
// to the file system, which reads what was never written as zeros.
Error CopyFromStream(Stream& stream, const Entry& entry, const os::File& out, EntryBuffers& buffers,
                     const Progress& progress);

}  // namespace zip

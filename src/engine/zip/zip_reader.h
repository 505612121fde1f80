#pragma once
// The zip reader for the table of readers: a zip is told by its end records, listed from its
// central directory, and extracted on all cores.
#include <memory>

#include "engine/reader.h"

namespace zip {

// Whether the end records check out and the first central directory header is where they say:
// enough to tell an archive from another file without reading its whole directory.
bool LooksLikeArchive(const os::File& archive);
std::unique_ptr<Reader> OpenZipReader(const os::File& archive, const os::Path& path, Observer& observer);

}  // namespace zip

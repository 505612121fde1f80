#pragma once
// The reader for the table of readers of 7z archives.
#include <memory>

#include "engine/reader.h"

namespace zip {

std::unique_ptr<Reader> OpenSevenZipReader(const os::File& archive, const os::Path& path, Observer& observer);

}  // namespace zip

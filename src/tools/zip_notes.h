#pragma once
// What Cramlet tells of an archive it made: links inside the folders, which it left out, and
// files that grew while they were zipped.
#include <string>

#include "engine/sys/path.h"
#include "engine/engine.h"

namespace tools {

// The archive's path, then a paragraph for each kind of note; empty when there is nothing to say.
std::string ZipNotes(const zip::os::Path& archive, const zip::WriteReport& report);

}  // namespace tools

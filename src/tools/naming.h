#pragma once
// Names the tools choose for what they make: never one that is taken.
#include <vector>

#include "engine/sys/path.h"

namespace tools {

// folder/name+extension, or the first free of "name (2)", "name (3)"… with that extension.
zip::os::Path FreeName(const zip::os::Path& folder, const zip::os::Path& name, const zip::os::Path& extension = {});

// What an archive of these items is called, without extension: one item gives its own name
// ("Report.docx" gives "Report", folder "Photos" gives "Photos"); several give their folder's.
zip::os::Path ArchiveName(const std::vector<zip::os::Path>& items);

// The folder an archive is extracted into is named after it: "Photos.zip" gives "Photos", and
// so do "Photos.tar.gz" and "Photos.tgz".
zip::os::Path FolderName(const zip::os::Path& archive);

}  // namespace tools

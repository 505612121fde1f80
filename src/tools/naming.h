#pragma once
// Names the tools choose for what they make: never one that is taken.
#include <filesystem>
#include <vector>

namespace tools {

// folder/name+extension, or the first free of "name (2)", "name (3)"… with that extension.
std::filesystem::path FreeName(const std::filesystem::path& folder, const std::filesystem::path& name,
                               const std::filesystem::path& extension = {});

// What an archive of these items is called, without extension: one item gives its own name
// ("Report.docx" gives "Report", folder "Photos" gives "Photos"); several give their folder's.
std::filesystem::path ArchiveName(const std::vector<std::filesystem::path>& items);

// The folder an archive is extracted into is named after it: "Photos.zip" gives "Photos", and
// so do "Photos.tar.gz" and "Photos.tgz".
std::filesystem::path FolderName(const std::filesystem::path& archive);

}  // namespace tools

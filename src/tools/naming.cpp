#include "tools/naming.h"

#include <string>

#include "engine/sys/os.h"
#include "engine/sys/paths.h"

namespace tools {
using zip::os::Path;
namespace {

// Windows would show a name ending in dots or blanks without them, and could not open it.
Path Trimmed(const Path& name) {
  Path::String text = name.native();
  while (!text.empty() && (text.back() == Path::Char{'.'} || text.back() == Path::Char{' '})) text.pop_back();
  return text;
}

// Extensions are told apart in any case; only ASCII letters take part in one.
Path::String Lower(Path::String text) {
  for (Path::Char& c : text) {
    if (c >= Path::Char{'A'} && c <= Path::Char{'Z'}) c = static_cast<Path::Char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

Path FreeName(const Path& folder, const Path& name, const Path& extension) {
  Path candidate = folder / name;
  candidate += extension;
  for (int n = 2; zip::os::Taken(candidate); ++n) {
    candidate = folder / name;
    candidate += zip::Utf8Path(" (" + std::to_string(n) + ")");
    candidate += extension;
  }
  return candidate;
}

Path ArchiveName(const std::vector<Path>& items) {
  if (items.size() == 1) {
    const Path& item = items.front();
    zip::os::Status status;
    const bool folder = !zip::os::InspectTarget(item, status) && status.kind == zip::os::Kind::Folder;
    Path name = Trimmed(folder ? item.filename() : item.stem());
    if (!name.empty()) return name;
  } else if (!items.empty()) {
    Path folder = Trimmed(items.front().parent_path().filename());
    if (!folder.empty()) return folder;
  }
  return zip::Utf8Path("Archive");  // a drive's root has no name of its own
}

Path FolderName(const Path& archive) {
  Path stem = archive.stem();
  // "Photos.tar.gz" gives "Photos", as "Photos.tgz" does.
  const Path last = Lower(archive.extension().native()), inner = Lower(stem.extension().native());
  if (inner == zip::Utf8Path(".tar") && last != zip::Utf8Path(".zip")) stem = stem.stem();
  const Path name = Trimmed(stem);
  return name.empty() ? zip::Utf8Path("Archive") : name;
}

}  // namespace tools

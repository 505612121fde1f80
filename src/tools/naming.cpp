#include "tools/naming.h"

#include <cwctype>
#include <string>

namespace tools {
namespace fs = std::filesystem;
namespace {

// Windows would show a name ending in dots or blanks without them, and could not open it.
fs::path Trimmed(const fs::path& name) {
  std::wstring text = name.wstring();
  while (!text.empty() && (text.back() == L'.' || text.back() == L' ')) text.pop_back();
  return text;
}

}  // namespace

fs::path FreeName(const fs::path& folder, const fs::path& name, const fs::path& extension) {
  fs::path candidate = folder / name;
  candidate += extension;
  for (int n = 2; fs::exists(fs::symlink_status(candidate)); ++n) {
    candidate = folder / name;
    candidate += " (" + std::to_string(n) + ")";
    candidate += extension;
  }
  return candidate;
}

fs::path ArchiveName(const std::vector<fs::path>& items) {
  if (items.size() == 1) {
    const fs::path& item = items.front();
    fs::path name = Trimmed(fs::is_directory(item) ? item.filename() : item.stem());
    if (!name.empty()) return name;
  } else if (!items.empty()) {
    fs::path folder = Trimmed(items.front().parent_path().filename());
    if (!folder.empty()) return folder;
  }
  return "Archive";  // a drive's root has no name of its own
}

fs::path FolderName(const fs::path& archive) {
  fs::path stem = archive.stem();
  // "Photos.tar.gz" gives "Photos", as "Photos.tgz" does.
  std::wstring last = archive.extension().wstring(), inner = stem.extension().wstring();
  for (wchar_t& c : last) c = static_cast<wchar_t>(std::towlower(c));
  for (wchar_t& c : inner) c = static_cast<wchar_t>(std::towlower(c));
  if (inner == L".tar" && last != L".zip") stem = stem.stem();
  const fs::path name = Trimmed(stem);
  return name.empty() ? fs::path("Archive") : name;
}

}  // namespace tools

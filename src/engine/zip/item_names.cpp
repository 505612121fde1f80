#include "engine/zip/item_names.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "engine/sys/paths.h"
#include "engine/names/safe_name.h"
#include "engine/names/text.h"

namespace zip {
namespace {

bool SameElement(const os::Path& a, const os::Path& b) { return FoldCase(Utf8Name(a)) == FoldCase(Utf8Name(b)); }

// The path's root, if it has one, then each name in it.
std::vector<os::Path> Elements(os::Path path) {
  std::vector<os::Path> elements;
  for (os::Path parent = path.parent_path(); parent != path; path = std::move(parent), parent = path.parent_path()) {
    elements.push_back(path.filename());
  }
  if (!path.empty()) elements.push_back(path);
  std::reverse(elements.begin(), elements.end());
  return elements;
}

}  // namespace

ItemNames::ItemNames(const std::vector<os::Path>& items) {
  if (items.empty()) return;
  const std::vector<os::Path> first = Elements(items.front().parent_path());
  common_ = first.size();
  for (const os::Path& item : items) {
    const std::vector<os::Path> parent = Elements(item.parent_path());
    std::size_t shared = 0;
    while (shared < common_ && shared < parent.size() && SameElement(first[shared], parent[shared])) ++shared;
    common_ = shared;
  }
}

std::string ItemNames::Of(const os::Path& item, bool folder) {
  if (!item.has_filename()) return {};
  if (common_ == 0) return AtTop(Utf8Name(item.filename()), folder);
  // Counted, not compared: the items may spell their shared folders in other cases.
  const std::vector<os::Path> elements = Elements(item);
  os::Path below;
  for (std::size_t i = common_; i < elements.size(); ++i) below /= elements[i];
  return Utf8Name(below);
}

std::string ItemNames::AtTop(std::string_view name, bool folder) {
  std::string unique(name);
  for (unsigned number = 2; !taken_.insert(FoldCase(unique)).second; ++number) {
    unique = NumberedSegment(name, number, folder);
  }
  return unique;
}

}  // namespace zip

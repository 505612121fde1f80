#include "zip/item_names.h"

#include <algorithm>

#include "zip/paths.h"
#include "zip/safe_name.h"
#include "zip/text.h"

namespace zip {
namespace {

bool SameElement(const os::Path& a, const os::Path& b) { return FoldCase(Utf8Name(a)) == FoldCase(Utf8Name(b)); }

}  // namespace

ItemNames::ItemNames(const std::vector<os::Path>& items) {
  if (items.empty()) return;
  const os::Path first = items.front().parent_path();
  common_ = static_cast<std::size_t>(std::distance(first.begin(), first.end()));
  for (const os::Path& item : items) {
    const os::Path parent = item.parent_path();
    std::size_t shared = 0;
    for (auto a = first.begin(), b = parent.begin();
         shared < common_ && b != parent.end() && SameElement(*a, *b); ++a, ++b) {
      ++shared;
    }
    common_ = shared;
  }
}

std::string ItemNames::Of(const os::Path& item, bool folder) {
  if (!item.has_filename()) return {};
  if (common_ == 0) return AtTop(Utf8Name(item.filename()), folder);
  // Counted, not lexically_relative: the items may spell their shared folders in other cases.
  os::Path below;
  auto element = item.begin();
  std::advance(element, static_cast<std::ptrdiff_t>(common_));
  for (; element != item.end(); ++element) below /= *element;
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

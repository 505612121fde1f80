#pragma once
// Where each item given for a new archive goes in it. Items keep their paths below their common
// folder. Items without one (on two drives) go to the top under their own names, and a drive's
// root, which has no name, puts its content there; at the top a name already taken, as Windows
// compares names, is numbered "name (2).ext".
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/sys/os.h"

namespace zip {

class ItemNames {
 public:
  // The items as absolute, normal paths.
  explicit ItemNames(const std::vector<os::Path>& items);

  // The item's name, without a trailing "/"; empty for a root.
  std::string Of(const os::Path& item, bool folder);
  // The name of something in a root given as an item.
  std::string AtTop(std::string_view name, bool folder);

 private:
  std::size_t common_ = 0;       // the path elements all the items' folders share
  std::set<std::string> taken_;  // at the top, case folded
};

}  // namespace zip

#pragma once
// What goes into a new archive: the items and, for folders, everything below them, named as
// item_names.h tells.
#include <cstdint>
#include <string>
#include <vector>

#include "zip/os.h"
#include "zip/zip.h"

namespace zip {

struct Source {
  os::Path path;
  std::string name;  // UTF-8; folders end with "/"
  bool folder = false;
  std::uint64_t size = 0;
  os::Times times;
  os::Attributes attributes;
};

// An item given twice, or inside another item, is collected once; what lies at a path in
// leaveOut is not collected at all. A link given as an item is followed: the user pointed at what
// it points to. Links inside folders are left out, since following them could loop or reach
// outside the items, and named in the report. A large tree takes a while to walk, so the observer
// may cancel between folders. Fails when nothing could be collected.
Error CollectSources(const std::vector<os::Path>& items, const std::vector<os::Path>& leaveOut, Observer& observer,
                     std::vector<Source>& sources, WriteReport& report);

}  // namespace zip

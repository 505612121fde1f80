#pragma once
// What goes into a new archive: the items and, for folders, everything below them, named
// relative to the items' common parent.
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
  std::int64_t modified = 0;
};

// Links and junctions are left out: following them could loop, or reach outside the items.
// A large tree takes a while to walk, so the observer may cancel between folders.
Error CollectSources(const std::vector<os::Path>& items, Observer& observer, std::vector<Source>& sources);

}  // namespace zip

#pragma once
// What goes into a new archive: the items and, for folders, everything below them, named as
// item_names.h tells.
#include <vector>

#include "engine/zip/listing.h"
#include "engine/sys/os.h"
#include "engine/engine.h"

namespace zip {

// An item given twice, or inside another item, is collected once; what lies at a path in
// leaveOut is not collected at all. A link given as an item is followed: the user pointed at what
// it points to. Links inside folders are left out, since following them could loop or reach
// outside the items, and named in the report. A large tree takes a while to walk, so the observer
// may cancel between folders, and the walk stops there too once the listing is abandoned. Each
// source is added to the listing as it is found; the listing is not ended here. Fails when nothing
// could be collected.
Error CollectSources(const std::vector<os::Path>& items, const std::vector<os::Path>& leaveOut, Observer& observer,
                     Listing& listing, WriteReport& report);

}  // namespace zip

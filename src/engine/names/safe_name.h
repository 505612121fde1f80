#pragma once
// Windows' rules for names, applied to an entry's name before anything is written: whether it
// stays inside the target, and a name Windows can hold for each of its segments.
#include <string>
#include <string_view>
#include <vector>

namespace zip {

// The name's segments, split at either slash, without empty and "." segments. Nullopt-like
// false when the name is rooted, has a drive letter or a UNC prefix, or climbs with "..".
bool SplitInside(std::string_view name, std::vector<std::string>& segments);

// The segment with characters Windows refuses (colon, < > " | ? *, controls) and a trailing dot
// or blank replaced by "_", a device name (CON, NUL, COM1, ...) prefixed with "_", and a name
// longer than Windows holds (255 UTF-16 units) cut, its extension kept.
std::string SafeSegment(std::string_view segment);

// "name (2).ext" for a file, "name (2)" for a folder; never longer than Windows holds.
std::string NumberedSegment(std::string_view segment, unsigned number, bool folder);

}  // namespace zip

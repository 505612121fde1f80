#pragma once
// Entry names are UTF-8 with "/" between segments; the system's paths are whatever it uses.
#include <string>
#include <string_view>

#include "engine/sys/path.h"

namespace zip {

// A UTF-8 name as a path; on Windows what is not UTF-8 becomes U+FFFD.
os::Path Utf8Path(std::string_view name);

// The path as UTF-8 with the system's separators, and as an entry name with "/". What UTF-8
// cannot hold (half a surrogate pair on Windows, bytes that are not UTF-8 elsewhere) becomes
// U+FFFD: a name is never a reason to fail. Each system's seam has its own.
std::string Utf8Text(const os::Path& path);
std::string Utf8Name(const os::Path& path);

}  // namespace zip

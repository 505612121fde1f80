#pragma once
// What the tools share of the engine's Windows seam: the one map from the system's error codes
// to the engine's failures, with the system's own words, and the form every path is handed to
// Windows in.
#include <windows.h>

#include <string>

#include "engine/sys/os.h"

namespace zip::os {

Failure FailureOf(DWORD code);
Error SystemError(const Path& path, DWORD code = GetLastError());

// Without the "\\?\" form the system drops a name's trailing dots and blanks ("notes." opens
// "notes") and stops at 260 characters; with it, the path is taken literally, so it is made
// absolute and clean first (os::Absolute). This is "\\?\C:\…" or "\\?\UNC\server\share\…".
std::wstring LongPath(const Path& path);

}  // namespace zip::os

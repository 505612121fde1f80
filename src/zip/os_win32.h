#pragma once
// What the tools share of the engine's Windows seam: the one map from the system's error codes
// to the engine's failures, with the system's own words.
#include <windows.h>

#include "zip/os.h"

namespace zip::os {

Failure FailureOf(DWORD code);
Error SystemError(const Path& path, DWORD code = GetLastError());

}  // namespace zip::os

#pragma once
// The engine's failures in plain words, for a message box or a line on standard error.
#include <string>

#include "zip/zip.h"

namespace tools {

std::string FailureText(const zip::Error& error);

}  // namespace tools

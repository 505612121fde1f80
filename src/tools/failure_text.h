#pragma once
// The engine's failures in plain words, for a message box or a line on standard error.
#include <string>
#include <string_view>

#include "engine/engine.h"

namespace tools {

std::string FailureText(const zip::Error& error);

// Such a text on one line, for standard error: "file: reason", other paragraphs after a space.
std::string OneLine(std::string_view text);

}  // namespace tools

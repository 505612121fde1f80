#pragma once
// What the password window says above the password: that the last one was wrong, and which
// entries still need one once some are open.
#include <string>

#include "engine/engine.h"

namespace tools {

// Empty for a first question.
std::string PasswordNote(const zip::PasswordQuestion& question);

}  // namespace tools

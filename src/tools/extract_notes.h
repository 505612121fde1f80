#pragma once
// What Spillet says after an archive is extracted: the entries it had to rename, and those it
// left out.
#include <string>

#include "engine/engine.h"

namespace tools {

struct ExtractNotes {
  std::string text;      // empty when there is nothing to say
  bool leftOut = false;  // something in the archive was not extracted
};

// The archive's path, then a line an entry, a dozen lines at most.
ExtractNotes NotesOn(const std::string& archive, const zip::ExtractReport& report);

}  // namespace tools

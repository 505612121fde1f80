#pragma once
// Where each entry goes inside the target, decided whole before anything is written.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/entry.h"
#include "engine/engine.h"

namespace zip {

struct Placed {
  std::string path;  // relative, UTF-8, segments joined with "/"
  std::size_t entry = 0;
  std::optional<os::Times> times;
  os::Attributes attributes;
};

struct Plan {
  std::vector<Placed> folders;  // parents before children
  std::vector<Placed> files;
  std::uint64_t bytes = 0;  // the files' declared sizes
};

// OutsideTarget, naming the entry, when any entry would land outside the target. Names Windows
// cannot hold and names that meet another once case is folded are renamed and reported, links
// skipped and reported.
Error PlanExtraction(const Catalog& catalog, Plan& plan, ExtractReport& report);

}  // namespace zip

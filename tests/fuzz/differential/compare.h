#pragma once
// The engine's extraction held against libarchive's reading and against the generator's truth;
// a disagreement prints both readings and aborts.
#include <string>
#include <string_view>
#include <vector>

#include "engine_read.h"
#include "libarchive_read.h"

namespace differential {

// What the run is about, for the report of a fault.
struct Case {
  std::string_view target;
  std::string made;  // the generator's bends by name
  std::size_t bytes = 0;
};

std::string Quoted(std::string_view text);

[[noreturn]] void Fault(const Case& run, const std::string& what, const ReadResult& read, const Extracted& extracted);

// libarchive turns the backslashes of names made on DOS into slashes; the engine keeps the
// name as it is and takes either as a separator.
bool SameName(std::string a, std::string b);
bool Contains(const std::vector<std::string>& names, const std::string& name);

// Both read the archive: each entry libarchive read is extracted with the same data, or named in
// the report; the engine wrote nothing else, unless `more` allows it.
void CompareEntries(const Case& run, const ReadResult& read, const Extracted& extracted, bool more = false);

// What the engine wrote against what the generator put in: the same data, each once.
void CompareWithTruth(const Case& run, const std::vector<std::string>& contents, const ReadResult& read,
                      const Extracted& extracted);

}  // namespace differential

#pragma once
// What tells one selection from another. A hotkey held down starts a tool once per key repeat, all
// on the same selection: each copy after the first finds that selection's key taken.
#include <string>
#include <vector>

namespace tools {

// Sixteen hex digits from the items' full names (UTF-8): the same for the same set of items, in
// any order and in any case Windows holds as one.
std::string SelectionKey(const std::vector<std::string>& items);

}  // namespace tools

#include "tools/selection_key.h"

#include <algorithm>
#include <cstdint>

#include "engine/engine.h"

namespace tools {

std::string SelectionKey(const std::vector<std::string>& items) {
  std::vector<std::string> folded;
  folded.reserve(items.size());
  for (const auto& item : items) folded.push_back(zip::FoldCase(item));
  std::sort(folded.begin(), folded.end());
  folded.erase(std::unique(folded.begin(), folded.end()), folded.end());

  // FNV-1a, 64 bits: the same in the 32-bit and the 64-bit tools. Each name ends in a NUL, which
  // no name holds, so that "a", "bc" and "ab", "c" differ.
  std::uint64_t hash = 0xcbf29ce484222325;
  for (const auto& name : folded) {
    for (const char c : name + '\0') {
      hash ^= static_cast<unsigned char>(c);
      hash *= 0x100000001b3;
    }
  }
  std::string key(16, '0');
  for (auto digit = key.rbegin(); digit != key.rend(); ++digit, hash >>= 4) *digit = "0123456789abcdef"[hash & 0xF];
  return key;
}

}  // namespace tools

// Any text read as a number: never undefined, never dependent on what follows a misfit or on
// where blanks stand, and always held in range by the rounding readers.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/numeric.h"

namespace {

void Require(bool holds) {
  if (!holds) std::abort();
}

bool Same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const double number = tandrel::NumericReading(text);
  Require(!std::isnan(number));
  // "x" can never continue a number, so whatever follows it is never read.
  Require(Same(number, tandrel::NumericReading(text + "x" + text)));
  // Blanks, tabs and line feeds count nowhere.
  std::string spaced;
  for (char c : text) spaced += std::string(" ") + c + "\t";
  Require(Same(number, tandrel::NumericReading(spaced + "\n")));
  // Rounding is monotonic at the ends: a positive number never rounds below zero.
  const std::int32_t wide = tandrel::RoundToInt32(number);
  const std::int16_t narrow = tandrel::RoundToInt16(number);
  Require((number >= 0) == (wide >= 0) || wide == 0);
  Require(narrow == wide || narrow == (wide > 0 ? 32767 : -32768));
  return 0;
}

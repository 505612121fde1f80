#pragma once
// Upper case as Windows' file systems hold it: names that differ only in it are one name.
#include <cstdint>

namespace zip {

// The simple upper-case mapping of a code point in the Basic Multilingual Plane; others as they are.
char32_t Upper(char32_t point);

}  // namespace zip

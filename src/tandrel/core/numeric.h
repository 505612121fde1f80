#pragma once
// Reading stored texts as numbers, the way stored settings have always been read.
#include <cstdint>
#include <string_view>

namespace tandrel {

// The number at the start of text: blanks, tabs and line feeds are ignored anywhere; an optional
// sign, digits, a "." fraction and an E or D exponent, or an &H / &O whole number; reading stops
// at the first misfit, and a text that does not begin with a number reads as 0.
double NumericReading(std::string_view text);

// To the nearest whole number, a half going to the even neighbour. A number beyond the width
// is held at the nearest end of the range, so a stored value never stops the program.
std::int16_t RoundToInt16(double number);
std::int32_t RoundToInt32(double number);

}  // namespace tandrel

#include "core/numeric.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace tandrel {
namespace {

bool IsIgnored(char c) { return c == ' ' || c == '\t' || c == '\n'; }

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

// &H and &O numbers take the narrowest signed width they fit: &HFFFF is -1, &H10000 is 65536.
double ReadWholeNumber(std::string_view digits, int radix) {
  std::uint64_t value = 0;
  bool wide = false;
  for (char c : digits) {
    int d = DigitValue(c);
    if (d >= radix) break;
    if (value > (std::numeric_limits<std::uint64_t>::max() - d) / radix) {
      wide = true;
      break;
    }
    value = value * radix + d;
  }
  if (wide || value > 0xFFFFFFFFu) return static_cast<double>(value);
  if (value > 0xFFFFu) return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
}

std::size_t SkipDigits(const std::string& s, std::size_t i) {
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
  return i;
}

double ReadDecimal(const std::string& s) {
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  const std::size_t intEnd = SkipDigits(s, i);
  std::string digits = s.substr(i, intEnd - i);
  const std::size_t intDigits = digits.size();
  std::size_t end = intEnd;
  if (end < s.size() && s[end] == '.') {
    const std::size_t fracEnd = SkipDigits(s, end + 1);
    digits += s.substr(end + 1, fracEnd - end - 1);
    end = fracEnd;
  }
  if (digits.empty()) return 0.0;

  long long exponent = 0;
  if (end < s.size() && (s[end] == 'E' || s[end] == 'e' || s[end] == 'D' || s[end] == 'd')) {
    std::size_t j = end + 1;
    const bool negativeExponent = j < s.size() && s[j] == '-';
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    for (; j < s.size() && s[j] >= '0' && s[j] <= '9'; ++j) exponent = std::min(exponent * 10 + (s[j] - '0'), 1000000000LL);
    if (negativeExponent) exponent = -exponent;
  }
  // Only a non-zero number can be out of range; whether too large or too small is the value's say.
  if (digits.find_first_not_of('0') == std::string::npos) return negative ? -0.0 : 0.0;

  const std::string number = digits.substr(0, intDigits) + "." + digits.substr(intDigits) + "e" + std::to_string(exponent);
  // Correctly rounded, and far smaller in the programs than std::from_chars; the programs keep the
  // C locale, whose decimal point is ".". Too large reads as infinity, too small as 0 (or the
  // nearest subnormal); the rounding readers then hold it in range.
  const double value = std::strtod(number.c_str(), /* end= */ nullptr);
  return negative ? -value : value;
}

template <typename Int>
Int RoundHalfEvenClamped(double number) {
  if (std::isnan(number)) return 0;
  double lowest = std::numeric_limits<Int>::min();
  double highest = std::numeric_limits<Int>::max();
  if (number <= lowest) return std::numeric_limits<Int>::min();
  if (number >= highest) return std::numeric_limits<Int>::max();
  double floor = std::floor(number);
  double fraction = number - floor;
  double rounded = floor;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0)) rounded = floor + 1.0;
  return static_cast<Int>(rounded);
}

}  // namespace

double NumericReading(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (char c : text) {
    if (!IsIgnored(c)) s += c;
  }
  if (s.size() >= 2 && s[0] == '&') {
    if (s[1] == 'H' || s[1] == 'h') return ReadWholeNumber(std::string_view(s).substr(2), 16);
    if (s[1] == 'O' || s[1] == 'o') return ReadWholeNumber(std::string_view(s).substr(2), 8);
    return 0.0;
  }
  return ReadDecimal(s);
}

std::int16_t RoundToInt16(double number) { return RoundHalfEvenClamped<std::int16_t>(number); }
std::int32_t RoundToInt32(double number) { return RoundHalfEvenClamped<std::int32_t>(number); }

}  // namespace tandrel

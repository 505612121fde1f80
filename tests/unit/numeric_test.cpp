#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "core/numeric.h"

using tandrel::NumericReading;
using tandrel::RoundToInt16;
using tandrel::RoundToInt32;

namespace {
const std::string kHuge = "1" + std::string(400, '0');
const std::string kTiny = "0." + std::string(400, '0') + "1E5";
}  // namespace

TEST(NumericReading, ReadsTheNumberAtTheStartOfTheText) {
  struct Case {
    const char* text;
    double number;
  } cases[] = {
      {"", 0},          {"1", 1},         {" 1", 1},        {"1x", 1},       {"x1", 0},
      {"yes", 0},       {"-1", -1},       {"+2", 2},        {"1 2", 12},     {"1\t2\n3", 123},
      {"0.4", 0.4},     {".5", 0.5},      {"-.5", -0.5},    {"1.", 1},       {"1.2.3", 1.2},
      {"1E2", 100},     {"1D2", 100},     {"1e-2", 0.01},   {"2d+1", 20},    {"1E", 1},
      {"1E+", 1},       {"1,5", 1},       {"- 3", -3},      {"+-1", 0},      {".", 0},
      {"&H10", 16},     {"&h1f", 31},     {"&O17", 15},     {"&o8", 0},      {"&H", 0},
      {"&HFFFF", -1},   {"&H8000", -32768}, {"&H10000", 65536}, {"&HFFFFFFFF", -1}, {"&X1", 0},
      {"& H 1 0", 16},  {"1E400", std::numeric_limits<double>::infinity()}, {"1E-400", 0},
      // Out of range by the value, not by the exponent's sign.
      {kHuge.c_str(), std::numeric_limits<double>::infinity()}, {kTiny.c_str(), 0},
      {"1E999999999999999999", std::numeric_limits<double>::infinity()}, {"0E999999", 0},
      {"-1E400", -std::numeric_limits<double>::infinity()},
      // Correctly rounded: a tie goes to the even neighbour; the smallest subnormal is no 0.
      {"9007199254740993", 9007199254740992.0}, {"4.9406564584124654E-324", std::numeric_limits<double>::denorm_min()},
  };
  for (const auto& c : cases) EXPECT_EQ(NumericReading(c.text), c.number) << '"' << c.text << '"';
}

TEST(NumericReading, RoundsHalvesToEvenAndHoldsOutOfRangeNumbersAtTheEnds) {
  struct Case {
    double number;
    int int16;
    long long int32;
  } cases[] = {
      {0.4, 0, 0},     {0.5, 0, 0},       {0.6, 1, 1},       {1.4, 1, 1},
      {1.5, 2, 2},     {2.5, 2, 2},       {-0.5, 0, 0},      {-1.5, -2, -2},
      {-2.5, -2, -2},  {32767.4, 32767, 32767}, {40000, 32767, 40000}, {-40000, -32768, -40000},
      {1e10, 32767, 2147483647}, {-1e10, -32768, -2147483648LL},
      {std::numeric_limits<double>::infinity(), 32767, 2147483647},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RoundToInt16(c.number), c.int16) << c.number;
    EXPECT_EQ(RoundToInt32(c.number), c.int32) << c.number;
  }
}

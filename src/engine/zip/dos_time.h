#pragma once
// DOS dates and times: local wall-clock time in two-second steps, 1980 to 2107.
#include <cstdint>
#include <optional>

namespace zip {

struct DosTime {
  std::uint16_t time = 0;
  std::uint16_t date = (1 << 5) | 1;  // 1980-01-01
};

// Times outside the range take its nearest end.
DosTime ToDosTime(std::int64_t seconds);
// Nullopt for a field that is no date (month 13, day 0, ...).
std::optional<std::int64_t> FromDosTime(std::uint16_t time, std::uint16_t date);

}  // namespace zip

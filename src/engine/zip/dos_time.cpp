#include "engine/zip/dos_time.h"

#include "engine/sys/os.h"

namespace zip {

DosTime ToDosTime(std::int64_t seconds) {
  os::Civil civil;
  if (!os::ToLocal(seconds, civil) || civil.year < 1980) return {};
  if (civil.year > 2107) return {static_cast<std::uint16_t>((23 << 11) | (59 << 5) | 29),
                                 static_cast<std::uint16_t>((127 << 9) | (12 << 5) | 31)};
  return {static_cast<std::uint16_t>((civil.hour << 11) | (civil.minute << 5) | (civil.second / 2)),
          static_cast<std::uint16_t>(((civil.year - 1980) << 9) | (civil.month << 5) | civil.day)};
}

std::optional<std::int64_t> FromDosTime(std::uint16_t time, std::uint16_t date) {
  os::Civil civil;
  civil.year = 1980 + (date >> 9);
  civil.month = (date >> 5) & 0x0F;
  civil.day = date & 0x1F;
  civil.hour = time >> 11;
  civil.minute = (time >> 5) & 0x3F;
  civil.second = (time & 0x1F) * 2;
  if (civil.month < 1 || civil.month > 12 || civil.day < 1 || civil.hour > 23 || civil.minute > 59 ||
      civil.second > 59) {
    return std::nullopt;
  }
  std::int64_t seconds = 0;
  if (!os::FromLocal(civil, seconds)) return std::nullopt;
  return seconds;
}

}  // namespace zip

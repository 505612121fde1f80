#include "engine/tar/header.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace zip {
namespace {

constexpr std::size_t kNameAt = 0, kNameSize = 100;
constexpr std::size_t kSizeAt = 124, kNumberSize = 12;
constexpr std::size_t kModifiedAt = 136;
constexpr std::size_t kChecksumAt = 148, kChecksumSize = 8;
constexpr std::size_t kTypeAt = 156;
constexpr std::size_t kLinkAt = 157;
constexpr std::size_t kMagicAt = 257;
constexpr std::size_t kPrefixAt = 345, kPrefixSize = 155;

std::string Field(std::span<const std::uint8_t> block, std::size_t at, std::size_t size) {
  const auto field = block.subspan(at, size);
  const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
  return std::string(field.begin(), end);
}

}  // namespace

// Octal digits between optional blanks and NULs, or GNU's base-256: the top bit set, the rest
// of the field a two's complement number whose sign is the first byte's next bit.
bool TarNumber(std::span<const std::uint8_t> field, std::int64_t& value) {
  value = 0;
  if ((field[0] & 0x80) != 0) {
    value = (field[0] & 0x40) != 0 ? static_cast<std::int64_t>(field[0] & 0x3F) - 0x40 : field[0] & 0x3F;
    for (std::size_t i = 1; i < field.size(); ++i) {
      if (value > (INT64_MAX >> 8) || value < (INT64_MIN >> 8)) return false;
      value = value * 256 + field[i];
    }
    return true;
  }
  std::size_t i = 0;
  while (i < field.size() && field[i] == ' ') ++i;
  bool digits = false;
  for (; i < field.size() && field[i] >= '0' && field[i] <= '7'; ++i) {
    if (value > (INT64_MAX >> 3)) return false;
    value = value * 8 + (field[i] - '0');
    digits = true;
  }
  for (; i < field.size(); ++i) {
    if (field[i] != ' ' && field[i] != 0) return false;
  }
  return digits || field[0] == 0;
}

bool StartsTar(std::span<const std::uint8_t> head) {
  const auto magicAt = [&](std::size_t block) {
    return head.size() >= block + kTarBlock && std::memcmp(head.data() + block + kMagicAt, "ustar", 5) == 0;
  };
  if (magicAt(0)) return true;
  TarHeader label;
  return magicAt(kTarBlock) && head[kTypeAt] == 'V' && !ReadTarHeader(head.first(kTarBlock), label);
}

Error ReadTarHeader(std::span<const std::uint8_t> block, TarHeader& header) {
  const auto damaged = [](const char* detail) { return Error{Failure::Damaged, {}, {}, detail}; };
  std::int64_t stored = 0;
  if (!TarNumber(block.subspan(kChecksumAt, kChecksumSize), stored)) return damaged("a tar header's checksum is no number");
  // The checksum field counts as blanks; old writers summed signed bytes.
  std::int64_t sum = 0, signedSum = 0;
  for (std::size_t i = 0; i < kTarBlock; ++i) {
    const bool inField = i >= kChecksumAt && i < kChecksumAt + kChecksumSize;
    sum += inField ? ' ' : block[i];
    signedSum += inField ? ' ' : static_cast<std::int8_t>(block[i]);
  }
  if (stored != sum && stored != signedSum) {
    return damaged("a tar header's checksum does not match");
  }
  std::int64_t size = 0;
  if (!TarNumber(block.subspan(kSizeAt, kNumberSize), size) ||
      !TarNumber(block.subspan(kModifiedAt, kNumberSize), header.modified)) {
    return damaged("a tar header holds a number that is none");
  }
  if (size < 0) return damaged("a tar header gives a size below zero");
  header.size = static_cast<std::uint64_t>(size);
  header.type = static_cast<char>(block[kTypeAt]);
  header.name = Field(block, kNameAt, kNameSize);
  header.linkName = Field(block, kLinkAt, kNameSize);
  // Only POSIX ustar has a prefix there; GNU tar keeps other fields in its place.
  if (std::memcmp(block.data() + kMagicAt, "ustar\0", 6) == 0) {
    const std::string prefix = Field(block, kPrefixAt, kPrefixSize);
    if (!prefix.empty()) header.name = prefix + "/" + header.name;
  }
  return {};
}

}  // namespace zip

#pragma once
// Entry data in the methods 7-Zip writes besides deflate, for generated archives: bzip2 made here
// of the drawn data, the others fixed texts their own tools compressed once (no encoder for them
// is at hand).
#include <cstdint>
#include <string>

namespace differential {

struct Packed {
  std::uint16_t method;
  std::uint16_t flags;  // what the method's data asks of the general-purpose flags
  std::string plain;    // the entry's true data
  std::string data;
};

inline constexpr unsigned kPackings = 5;

// `choice` below kPackings picks the method.
Packed Pack(unsigned choice, const std::string& plain);

}  // namespace differential

#pragma once
// An archive made from fuzz bytes by a generator, so that most inputs are valid or nearly so,
// with the faults it was given named.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace differential {

// What the generator did to the archive, so that a refusal can be held against its cause.
enum Fault : unsigned {
  kTraversal = 1U << 0,      // a name rooted or climbing out
  kCount = 1U << 1,          // the end record's entry count is not the headers' count
  kZip64Count = 1U << 2,     // the same in the ZIP64 end record
  kCentralSize = 1U << 3,    // the central directory's recorded size
  kCentralOffset = 1U << 4,  // its recorded offset
  kLocalName = 1U << 5,      // a local header with another name
  kSizes = 1U << 6,          // declared sizes that lie
  kCrc = 1U << 7,            // a CRC-32 that does not match the data
  kLocalMethod = 1U << 8,    // a local header with another method
  kOverlap = 1U << 9,        // two central headers pointing at one local header
  kTruncated = 1U << 10,
  kMethod = 1U << 11,  // a method other than stored and deflate
  kEncrypted = 1U << 12,
  // Not faults, but what some readers do not follow.
  kPrefix = 1U << 13,     // bytes before the archive, its offsets not counting them
  kZip64End = 1U << 14,   // a ZIP64 end record and locator
};

struct Generated {
  std::string archive;
  unsigned faults = 0;
  std::vector<std::string> contents;  // the true data of every entry that lands as a file
};

Generated Generate(const std::uint8_t* data, std::size_t size);

std::string FaultNames(unsigned faults);

}  // namespace differential

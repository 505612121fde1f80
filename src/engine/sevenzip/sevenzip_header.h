#pragma once
// A 7z archive's header: its packed streams, its folders (each a graph of coders from packed
// streams to one output) and their files, read from the header's bytes once they are plain.
// Every count and size is checked against the bytes that hold it and against each other, so
// that nothing read here allocates more than the header itself could describe.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/codec/bytes.h"
#include "engine/sys/os.h"
#include "engine/engine.h"

namespace zip::sevenzip {

inline constexpr std::size_t kSignatureHeaderSize = 32;

struct Coder {
  std::uint64_t method = 0;  // the id's bytes, big-endian, as the format's method list writes them
  std::uint32_t inputs = 1;  // packed side
  Bytes properties;
};

// Decoding goes from packed streams through coders to the folder's one unbound output. Each coder
// has one output (its unpacked stream); inputs are numbered across the folder's coders in order.
struct Folder {
  std::vector<Coder> coders;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> bonds;  // input fed by coder's output
  std::vector<std::uint32_t> packed;                           // input for each packed stream
  std::vector<std::uint64_t> sizes;                            // each coder's output size
  std::optional<std::uint32_t> crc;                            // of the folder's output
  std::uint32_t firstPacked = 0;                               // its first packed stream's number
  std::uint32_t output = 0;                                    // the coder whose output is the folder's
  std::uint64_t size() const { return sizes[output]; }
  // Where each input starts: inputs are numbered coder after coder.
  std::uint32_t FirstInput(std::uint32_t coder) const;
};

struct Streams {
  std::uint64_t packPosition = 0;  // after the signature header
  std::vector<std::uint64_t> packSizes;
  std::vector<Folder> folders;
  // The files' data, folder after folder: each one's size and CRC.
  std::vector<std::uint32_t> perFolder;  // how many streams each folder's output holds
  std::vector<std::uint64_t> sizes;
  std::vector<std::optional<std::uint32_t>> crcs;
};

struct Item {
  std::string name;  // UTF-8
  bool hasData = true;
  bool folder = false;
  bool anti = false;  // a deletion in an update archive: nothing to extract
  std::optional<std::uint32_t> attributes;
  std::optional<std::uint64_t> modified, accessed, created;  // FILETIMEs
};

struct Header {
  Streams streams;
  std::vector<Item> items;
};

struct Start {
  std::uint64_t offset = 0;  // of the next header, after the signature header
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
};

// The signature header: the magic, version 0.x and the start header's CRC.
Error ReadStart(std::span<const std::uint8_t> bytes, Start& start);

// The header's first byte tells: a plain header, or the streams that hold it encoded.
inline constexpr std::uint8_t kPlainHeader = 0x01;
inline constexpr std::uint8_t kEncodedHeader = 0x17;
Error ReadHeader(std::span<const std::uint8_t> bytes, Header& header);
Error ReadEncodedHeader(std::span<const std::uint8_t> bytes, Streams& streams);

}  // namespace zip::sevenzip

#pragma once
// A 7z folder's output, decoded as it is read: each coder pulls from its inputs (packed streams
// of the file, or other coders) only as much as its own output needs, so a solid block of any
// size passes through a few buffers and is never held whole.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "engine/sys/os.h"
#include "engine/sevenzip/sevenzip_header.h"

namespace zip::sevenzip {

// A stream of bytes, pulled.
class Source {
 public:
  virtual ~Source() = default;
  // Fills `out` unless the stream ends first; `got` tells how many.
  virtual Error Read(std::span<std::uint8_t> out, std::size_t& got) = 0;
};

// The key an encrypted folder needs, asked for by its coder's properties (salt, cost); nullopt
// when no password is known (the folder then fails as Encrypted).
struct AesKey {
  std::uint8_t bytes[32];
};
using KeyFor = std::function<std::optional<AesKey>(std::span<const std::uint8_t> properties)>;

// The folder's output from its packed streams, which start at `offset` in the file.
Error OpenFolder(const os::File& file, std::uint64_t offset, const Streams& streams, std::size_t folder,
                 const KeyFor& keyFor, std::unique_ptr<Source>& source);

// Whether the folder has an encrypting coder.
bool Encrypted(const Folder& folder);

}  // namespace zip::sevenzip

#pragma once
// One entry's data, read by position from the archive, inflated or copied into its file, with
// its size and CRC-32 checked.
#include <functional>

#include "zip/catalog.h"
#include "zip/deflate.h"
#include "zip/inflate64.h"
#include "zip/os.h"

namespace zip {

// What each extracting worker keeps from entry to entry.
struct EntryBuffers {
  Inflater inflater;
  Inflater64 inflater64;
  Bytes input = Bytes(std::size_t{256} * 1024);
  Bytes output = Bytes(std::size_t{256} * 1024);
};

// `progress` is told each stretch written and answers whether to go on.
Error InflateEntry(const os::File& archive, const Entry& entry, const os::File& target, EntryBuffers& buffers,
                   const std::function<bool(std::uint64_t)>& progress);

}  // namespace zip

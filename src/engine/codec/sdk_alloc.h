#pragma once
// What the LZMA SDK's decoders are given: an allocator that refuses a dictionary or model past
// what this program may take, saying how much was asked, and the CRC tables they check with.
#include <7zTypes.h>

#include <atomic>
#include <cstdint>
#include <new>

#include "engine/codec/stream_decoder.h"

namespace zip {

struct LimitedAlloc : ISzAlloc {
  std::atomic<std::uint64_t> refused = 0;  // the size refused, when one was; the xz decoder's threads share it
  LimitedAlloc() : ISzAlloc{&Take, &Give} {}
  // SZ_ERROR_MEM from a decoder given this allocator, told apart.
  Error OutOfMemory() const { return refused != 0 ? WindowTooLarge(refused) : Error{Failure::NoMemory, {}, {}, {}}; }

 private:
  static void* Take(ISzAllocPtr self, size_t size) {
    if (size > kMaxWindow) {
      const_cast<LimitedAlloc*>(static_cast<const LimitedAlloc*>(self))->refused = size;
      return nullptr;
    }
    return ::operator new(size, std::nothrow);
  }
  static void Give(ISzAllocPtr, void* address) { ::operator delete(address); }
};

// Once in the program, before any decoder checks a CRC.
void MakeCrcTables();

}  // namespace zip

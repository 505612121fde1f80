#pragma once
// Deflates the sources' data on a pool of workers, each with its own deflate stream, and hands
// the results back in order. A large file is cut into blocks compressed apart, each primed with
// the 32 KiB before it, so one file keeps every core busy. At most a few blocks per worker are
// in flight, so memory stays bounded whatever the input. A file's first block is small, and a file
// whose first block does not compress is stored whole: its other blocks are not deflated at all.
// The sources are taken from the listing as it grows; a worker that has caught up with it waits.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/codec/bytes.h"
#include "engine/zip/listing.h"
#include "engine/sys/os.h"
#include "engine/engine.h"

namespace zip {

inline constexpr std::size_t kBlockSize = std::size_t{1024} * 1024;
inline constexpr std::size_t kFirstBlockSize = std::size_t{64} * 1024;

struct Packed {
  std::size_t source = 0;
  std::size_t length = 0;  // of the data before compression
  std::uint32_t crc = 0;   // of the data before compression
  bool stored = false;     // as it is: the file's first block did not compress
  bool last = false;       // the source's last block
  bool grown = false;      // the source had more bytes than listed: only those listed are held
  Bytes data;
  Error error;
};

class Compressor {
 public:
  // Abandons the listing when it goes: its workers may be waiting for it.
  Compressor(Listing& listing, unsigned threads, Observer& observer);
  ~Compressor();
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;

  // The next block in source order (folders and empty files have none); Cancelled when the
  // observer asks.
  Error Next(Packed& packed);

 private:
  struct Job {
    std::size_t source = 0;
    const Source* listed = nullptr;
    std::uint64_t offset = 0;
    std::size_t length = 0;
    bool last = false;
    bool store = false;  // after the first block: what it showed
  };
  // What a file's first block showed; the blocks after it wait for it.
  enum class Verdict : std::uint8_t { Unknown, Deflate, Store };
  struct Slot {
    bool ready = false;
    Packed packed;
  };

  // Taken; Unlisted: the listing has yet to reach the job's source; None: the worker is done.
  enum class Take : std::uint8_t { Taken, Unlisted, None };

  void Stop();
  Take NextJob(Job& job, std::size_t& sequence);
  Take TakeJob(Job& job, std::size_t& sequence);
  void Work();
  void Compress(const Job& job, class Worker& worker, Packed& packed) const;

  Listing& listing_;
  Observer& observer_;
  os::Mutex mutex_;
  os::Condition changed_;
  std::vector<Slot> slots_;
  std::vector<Verdict> verdicts_;  // one a source handed out
  std::size_t nextSource_ = 0;    // where jobs are handed out
  std::uint64_t nextOffset_ = 0;
  std::size_t handedOut_ = 0;    // jobs given to workers
  std::size_t collected_ = 0;    // results taken by Next
  std::size_t inFlight_ = 0;     // bytes handed out, not yet taken
  const std::size_t bytesBound_;
  bool stopping_ = false;
  std::vector<std::unique_ptr<os::Thread>> workers_;
};

}  // namespace zip

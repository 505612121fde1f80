#include "engine/zip/compressor.h"

#include <zlib.h>

#include <algorithm>
#include <new>
#include <optional>
#include <span>

#include "engine/codec/deflate.h"

namespace zip {

// What each worker keeps from block to block.
class Worker {
 public:
  Deflater deflater;
  Bytes input;
  std::size_t openSource = SIZE_MAX;
  os::File file;
};

namespace {

// Saving less than this share of a first block is not worth deflating the rest: data that is
// compressed already (archives, images, media) deflates to about its own size, at the full cost.
constexpr std::size_t kWorthDeflating = 64;

bool Compresses(std::size_t deflated, std::size_t length) { return deflated < length - length / kWorthDeflating; }

// Many small files may go past a large block that one worker still deflates, so the others do
// not wait for it; the bytes in flight hold memory to a few blocks a worker all the same.
constexpr std::size_t kSlotsPerWorker = 16;
constexpr std::size_t kBytesPerWorker = 3 * kBlockSize;

}  // namespace

Compressor::Compressor(Listing& listing, unsigned threads, Observer& observer)
    : listing_(listing),
      observer_(observer),
      slots_(std::size_t{threads} * kSlotsPerWorker),
      bytesBound_(std::size_t{threads} * kBytesPerWorker) {
  try {
    for (unsigned i = 0; i < threads; ++i) workers_.push_back(std::make_unique<os::Thread>([this] { Work(); }));
  } catch (...) {
    Stop();  // the destructor does not run: those started must not wait for work forever
    throw;
  }
}

Compressor::~Compressor() { Stop(); }

void Compressor::Stop() {
  {
    os::Guard guard(mutex_);
    stopping_ = true;
  }
  changed_.NotifyAll();
  listing_.Abandon();
  workers_.clear();  // joins
}

Compressor::Take Compressor::TakeJob(Job& job, std::size_t& sequence) {
  const Source* source = nullptr;
  for (;; ++nextSource_) {
    bool pending = false;
    source = listing_.Peek(nextSource_, pending);
    if (source == nullptr) {
      job.source = nextSource_;
      return pending ? Take::Unlisted : Take::None;
    }
    if (!source->folder && source->size != 0) break;
  }
  if (verdicts_.size() <= nextSource_) verdicts_.resize(nextSource_ + 1);
  job.source = nextSource_;
  job.listed = source;
  job.offset = nextOffset_;
  const std::size_t block = nextOffset_ == 0 ? kFirstBlockSize : kBlockSize;
  job.length = static_cast<std::size_t>(std::min<std::uint64_t>(block, source->size - nextOffset_));
  nextOffset_ += job.length;
  job.last = nextOffset_ == source->size;
  if (job.last) {
    ++nextSource_;
    nextOffset_ = 0;
  }
  sequence = handedOut_++;
  inFlight_ += job.length;
  return Take::Taken;
}

Compressor::Take Compressor::NextJob(Job& job, std::size_t& sequence) {
  os::Guard guard(mutex_);
  for (;;) {
    if (stopping_) return Take::None;
    if (handedOut_ < collected_ + slots_.size() && inFlight_ < bytesBound_) break;
    changed_.Wait(mutex_, 1000);
  }
  const Take take = TakeJob(job, sequence);
  if (take != Take::Taken) return take;
  // The first block is with another worker, which is never waiting itself.
  while (job.offset > 0 && verdicts_[job.source] == Verdict::Unknown) {
    if (stopping_) return Take::None;
    changed_.Wait(mutex_, 1000);
  }
  job.store = verdicts_[job.source] == Verdict::Store;
  return Take::Taken;
}

void Compressor::Work() {
  std::optional<Worker> worker;  // made with the first job, so that a want of memory fails that job
  for (;;) {
    Job job;
    std::size_t sequence = 0;
    const Take take = NextJob(job, sequence);
    if (take == Take::None) return;
    if (take == Take::Unlisted) {
      listing_.Wait(job.source);  // without the lock, so that the others hand in their blocks
      continue;
    }
    Packed packed;
    packed.source = job.source;
    packed.length = job.length;
    packed.last = job.last;
    // An exception leaving this thread would end the program; the writer fails cleanly instead.
    try {
      if (!worker) worker.emplace();
      Compress(job, *worker, packed);
    } catch (const std::bad_alloc&) {
      packed.error.kind = Failure::NoMemory;  // nothing more that could allocate
    }
    {
      os::Guard guard(mutex_);
      if (job.offset == 0) verdicts_[job.source] = packed.stored ? Verdict::Store : Verdict::Deflate;
      Slot& slot = slots_[sequence % slots_.size()];
      slot.packed = std::move(packed);
      slot.ready = true;
    }
    changed_.NotifyAll();
  }
}

void Compressor::Compress(const Job& job, Worker& worker, Packed& packed) const {
  const Source& source = *job.listed;
  if (worker.openSource != job.source) {
    worker.openSource = SIZE_MAX;
    packed.error = os::File::OpenRead(source.path, worker.file);
    if (packed.error) return;
    worker.openSource = job.source;
  }
  const std::size_t dictionary =
      job.store ? 0 : static_cast<std::size_t>(std::min<std::uint64_t>(job.offset, kDictionarySize));
  // One byte past the last block tells whether the file grew since it was listed.
  const std::size_t wanted = dictionary + job.length;
  worker.input.resize(wanted + (job.last ? 1 : 0));
  std::size_t got = 0;
  packed.error = worker.file.ReadAt(job.offset - dictionary, worker.input.data(), worker.input.size(), got);
  if (packed.error) return;
  if (got < wanted) {
    packed.error = Error{Failure::Io, source.path, source.name, "the file changed while it was read"};
    return;
  }
  packed.grown = got > wanted;
  const std::span<const std::uint8_t> data(worker.input.data() + dictionary, job.length);
  packed.crc = static_cast<std::uint32_t>(::crc32_z(0, data.data(), data.size()));
  if (!job.store) worker.deflater.Block(std::span(worker.input.data(), dictionary), data, job.last, packed.data);
  if (job.store || (job.offset == 0 && !Compresses(packed.data.size(), job.length))) {
    packed.data.assign(data.begin(), data.end());
    packed.stored = true;
  }
}

Error Compressor::Next(Packed& packed) {
  // A listing that failed fails the archive now, not after the file being written.
  if (Error error = listing_.error()) return error;
  {
    os::Guard guard(mutex_);
    Slot& slot = slots_[collected_ % slots_.size()];
    while (!slot.ready) {
      if (observer_.Cancelled()) return Error{Failure::Cancelled, {}, {}, {}};
      changed_.Wait(mutex_, 50);
    }
    packed = std::move(slot.packed);
    slot.ready = false;
    ++collected_;
    inFlight_ -= packed.length;
  }
  changed_.NotifyAll();
  return packed.error;
}

}  // namespace zip

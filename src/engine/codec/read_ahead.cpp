#include "engine/codec/read_ahead.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace zip {
namespace {
constexpr unsigned kWaitMs = 100;
}  // namespace

ReadAheadStream::ReadAheadStream(std::unique_ptr<Stream> inner) : inner_(std::move(inner)) {
  for (Bytes& buffer : ring_) buffer.resize(kBufferSize);
  thread_ = std::make_unique<os::Thread>([this] { Produce(); });
}

ReadAheadStream::~ReadAheadStream() {
  {
    os::Guard guard(mutex_);
    stop_ = true;
    changed_.NotifyAll();
  }
  thread_.reset();
}

// Nothing may leave the thread: a failure ends the stream there, for the reader to meet.
void ReadAheadStream::Produce() {
  for (std::size_t tail = 0;; tail = (tail + 1) % kBuffers) {
    {
      os::Guard guard(mutex_);
      while (count_ == kBuffers && !stop_) changed_.Wait(mutex_, kWaitMs);
      if (stop_) return;
    }
    std::size_t got = 0;
    Error error;
    try {
      error = inner_->Read(ring_[tail].data(), kBufferSize, got);
      if (!error && got < kBufferSize) error = inner_->Finish();
    } catch (const std::bad_alloc&) {
      error = Error{Failure::NoMemory, {}, {}, {}};
    }
    const bool last = error || got < kBufferSize;
    os::Guard guard(mutex_);
    filled_[tail] = got;
    if (got > 0) ++count_;
    if (last) {
      ended_ = true;
      end_ = std::move(error);
    }
    changed_.NotifyAll();
    if (last) return;
  }
}

Error ReadAheadStream::Take(std::uint8_t* data, std::uint64_t size, std::uint64_t& got) {
  got = 0;
  while (got < size) {
    {
      os::Guard guard(mutex_);
      while (count_ == 0 && !ended_) changed_.Wait(mutex_, kWaitMs);
      if (count_ == 0) {
        position_ += got;
        return end_;
      }
    }
    // The buffer at the head is this thread's until it is given back below.
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size - got, filled_[head_] - offset_));
    if (data != nullptr) std::memcpy(data + got, ring_[head_].data() + offset_, n);
    got += n;
    offset_ += n;
    if (offset_ == filled_[head_]) {
      os::Guard guard(mutex_);
      offset_ = 0;
      head_ = (head_ + 1) % kBuffers;
      --count_;
      changed_.NotifyAll();
      // A failure is met with the byte it came after, as the inner stream would give it: a file's
      // CRC fails with its last byte.
      if (count_ == 0 && ended_ && end_) {
        position_ += got;
        return end_;
      }
    }
  }
  position_ += got;
  return {};
}

Error ReadAheadStream::Read(std::uint8_t* data, std::size_t size, std::size_t& got) {
  std::uint64_t taken = 0;
  Error error = Take(data, size, taken);
  got = static_cast<std::size_t>(taken);
  return error;
}

Error ReadAheadStream::Skip(std::uint64_t size) {
  std::uint64_t taken = 0;
  if (Error error = Take(nullptr, size, taken)) return error;
  return taken == size ? Error{} : Error{Failure::Damaged, {}, {}, "the archive ends early"};
}

// What is left is passed over: the decoder waits for room until it is.
Error ReadAheadStream::Finish() {
  std::uint64_t taken = 0;
  return Take(nullptr, UINT64_MAX, taken);
}

}  // namespace zip

#include "engine/codec/read_ahead.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace zip {
namespace {
constexpr unsigned kWaitMs = 100;
}  // namespace

ReadAheadStream::ReadAheadStream(Produce produce) : produce_(std::move(produce)) { Start(); }

// Its positions go on from the inner stream's.
ReadAheadStream::ReadAheadStream(std::unique_ptr<Stream> inner) {
  position_ = inner->position();
  produce_ = [inner = std::shared_ptr<Stream>(std::move(inner))](Sink& sink) -> Error {
    for (;;) {
      const std::span<std::uint8_t> room = sink.Room();
      if (room.empty()) return {};
      std::size_t got = 0;
      Error error = inner->Read(room.data(), room.size(), got);
      sink.Fill(got);
      if (error) return error;
      if (got < room.size()) return inner->Finish();
    }
  };
  Start();
}

void ReadAheadStream::Start() {
  for (Bytes& buffer : ring_) buffer.resize(kBufferSize);
  thread_ = std::make_unique<os::Thread>([this] { Run(); });
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
void ReadAheadStream::Run() {
  Sink sink(*this);
  Error error;
  try {
    error = produce_(sink);
  } catch (const std::bad_alloc&) {
    error = Error{Failure::NoMemory, {}, {}, {}};
  }
  os::Guard guard(mutex_);
  if (filled_[tail_] > 0 && !stop_) ++count_;
  ended_ = true;
  end_ = std::move(error);
  changed_.NotifyAll();
}

// A full buffer is handed over; the next is the decoder's once the reader has given it back.
std::span<std::uint8_t> ReadAheadStream::Sink::Room() {
  ReadAheadStream& s = stream_;
  os::Guard guard(s.mutex_);
  const bool full = s.filled_[s.tail_] == kBufferSize;
  if (full) {
    ++s.count_;
    s.tail_ = (s.tail_ + 1) % kBuffers;
    s.changed_.NotifyAll();
  }
  while (s.count_ == kBuffers && !s.stop_) s.changed_.Wait(s.mutex_, kWaitMs);
  if (s.stop_) return {};
  if (full) s.filled_[s.tail_] = 0;
  return std::span(s.ring_[s.tail_]).subspan(s.filled_[s.tail_]);
}

void ReadAheadStream::Sink::Fill(std::size_t size) { stream_.filled_[stream_.tail_] += size; }

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

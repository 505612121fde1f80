#include "engine/zip/listing.h"

#include <utility>

namespace zip {

void Listing::Add(Source source) {
  {
    os::Guard guard(mutex_);
    bytes_ += source.size;
    sources_.push_back(std::move(source));
  }
  changed_.NotifyAll();
}

void Listing::End(Error error) {
  {
    os::Guard guard(mutex_);
    ended_ = true;
    error_ = std::move(error);
  }
  changed_.NotifyAll();
}

bool Listing::Abandoned() {
  os::Guard guard(mutex_);
  return abandoned_;
}

std::size_t Listing::size() {
  os::Guard guard(mutex_);
  return sources_.size();
}

std::uint64_t Listing::bytes() {
  os::Guard guard(mutex_);
  return bytes_;
}

const Source* Listing::Find(std::size_t index, bool& pending) const {
  pending = false;
  if (abandoned_) return nullptr;
  if (index < sources_.size()) return &sources_[index];
  pending = !ended_;
  return nullptr;
}

// A failed listing gives the writer nothing more: the archive fails anyway.
const Source* Listing::Wait(std::size_t index) {
  os::Guard guard(mutex_);
  for (;;) {
    bool pending = false;
    const Source* source = error_ ? nullptr : Find(index, pending);
    if (source != nullptr || !pending) return source;
    changed_.Wait(mutex_, 1000);
  }
}

const Source* Listing::Peek(std::size_t index, bool& pending) {
  os::Guard guard(mutex_);
  return Find(index, pending);
}

Error Listing::error() {
  os::Guard guard(mutex_);
  return error_;
}

void Listing::Abandon() {
  {
    os::Guard guard(mutex_);
    abandoned_ = true;
  }
  changed_.NotifyAll();
}

}  // namespace zip

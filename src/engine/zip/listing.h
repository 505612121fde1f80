#pragma once
// The sources of a new archive as the walk lists them, taken by the compressor's workers and the
// writer while it goes on, in their final order. Held in a deque: a source stays where it is as
// more are added, so a taker keeps its pointer without the lock.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "engine/sys/os.h"
#include "engine/engine.h"

namespace zip {

struct Source {
  os::Path path;
  std::string name;  // UTF-8; folders end with "/"
  bool folder = false;
  std::uint64_t size = 0;
  os::Times times;
  os::Attributes attributes;
};

class Listing {
 public:
  // The walk's side: each source as it is found, then the end, with the error that cut it short.
  void Add(Source source);
  void End(Error error);
  // Asked between folders: nothing more is taken, so the walk may stop.
  bool Abandoned();
  std::size_t size();
  std::uint64_t bytes();  // of all the files listed so far

  // The takers' side. The source at `index`, once it is listed; nullptr when there will be none:
  // the listing is complete before it, failed (error() tells) or was abandoned.
  const Source* Wait(std::size_t index);
  // Without waiting, and what was listed before a failure still: nullptr while it is not listed,
  // `pending` telling whether it may come.
  const Source* Peek(std::size_t index, bool& pending);
  Error error();
  // Wakes every taker that waits; the walk stops at its next folder.
  void Abandon();

 private:
  const Source* Find(std::size_t index, bool& pending) const;

  os::Mutex mutex_;
  os::Condition changed_;
  std::deque<Source> sources_;
  std::uint64_t bytes_ = 0;
  bool ended_ = false;
  bool abandoned_ = false;
  Error error_;
};

}  // namespace zip

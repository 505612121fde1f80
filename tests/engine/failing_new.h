#pragma once
// Memory running out, on demand: while one of these lives, every allocation of at least the size
// given throws std::bad_alloc, on any thread.
#include <cstddef>

class FailingAllocations {
 public:
  explicit FailingAllocations(std::size_t from);
  ~FailingAllocations();
  FailingAllocations(const FailingAllocations&) = delete;
  FailingAllocations& operator=(const FailingAllocations&) = delete;
};

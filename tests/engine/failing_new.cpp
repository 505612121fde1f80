// The test program's own operator new and delete, on malloc and free, so that FailingAllocations
// can refuse large requests. Every form that a library could pair with another is replaced.
#include "failing_new.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> failFrom{SIZE_MAX};

void* Allocate(std::size_t size) noexcept {
  if (size >= failFrom.load()) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

FailingAllocations::FailingAllocations(std::size_t from) { failFrom = from; }
FailingAllocations::~FailingAllocations() { failFrom = SIZE_MAX; }

void* operator new(std::size_t size) {
  if (void* memory = Allocate(size)) return memory;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

// Where the C++ library's own failures end up in Tandrel, which is built without exceptions: it
// caught none of them, and each ended the program through std::terminate. Ending it here, the
// same way, keeps the library's exception classes, their copy-on-write strings and the unwinder
// (over 100 KiB) out of Tandrel.exe. The tools catch them, and keep them.
#include <cstddef>
#include <cstdlib>
#include <new>
#include <string>

// Out of memory. These are the allocator: what they take and give back has no owner above them.
// NOLINTBEGIN(cppcoreguidelines-owning-memory)
void* operator new(std::size_t size) {
  if (void* memory = std::malloc(size != 0 ? size : 1)) return memory;
  std::abort();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t /*size*/) noexcept { std::free(memory); }
// NOLINTEND(cppcoreguidelines-owning-memory)

// A string or vector asked to outgrow its limits, a position past the end.
#if defined(__GLIBCXX__)
namespace std {

void __throw_length_error(const char* /*what*/) { std::abort(); }
void __throw_logic_error(const char* /*what*/) { std::abort(); }
void __throw_out_of_range_fmt(const char* /*format*/, ...) { std::abort(); }
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }

}  // namespace std
#endif

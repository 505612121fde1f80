// Where the C++ library's own errors (a string or vector asked to outgrow its limits, a position
// past the end) end up in Tandrel. It catches none of them: each ended the program through
// std::terminate. Ending it here, the same way, keeps the library's exception classes and their
// copy-on-write strings (50 KiB) out of Tandrel.exe. The tools catch them, and keep them.
#include <cstdlib>
#include <string>

#if defined(__GLIBCXX__)
namespace std {

void __throw_length_error(const char* /*what*/) { std::abort(); }
void __throw_logic_error(const char* /*what*/) { std::abort(); }
void __throw_out_of_range_fmt(const char* /*format*/, ...) { std::abort(); }
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }

}  // namespace std
#endif

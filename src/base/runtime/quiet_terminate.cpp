// What an uncaught exception ends with in the three programs. GCC's library would name the
// exception on standard error first, which a windowed program does not have; its demangler and
// printf for that were a fifth of Tandrel.exe. Defined here, the library's own is never linked.
#include <cstdlib>

#if defined(__GLIBCXX__)
namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }  // NOLINT(bugprone-reserved-identifier)

}  // namespace __gnu_cxx
#endif

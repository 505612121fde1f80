// Where the C++ library's own failures go in Cramlet and Spillet: thrown as before and told as
// before by the tools' catch of std::exception, with the library's words, but as runtime::Thrown
// (thrown.h). Running out of memory stays std::bad_alloc, which the tools tell apart. Defined
// here, the library's own are never linked, nor the exception classes and strings they bring.
#include <cstdarg>
#include <cstddef>
#include <exception>
#include <new>
#include <typeinfo>

#include "base/runtime/thrown.h"

#if defined(__GLIBCXX__)
// The names are the library's own: these take their place.
// NOLINTBEGIN(bugprone-reserved-identifier)
namespace __gnu_cxx {
// The library's own small formatter for its messages ("%zu" and "%s" only).
int __snprintf_lite(char* buffer, std::size_t size, const char* format, va_list arguments);
}  // namespace __gnu_cxx

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_bad_exception() { throw bad_exception(); }
void __throw_logic_error(const char* what) { throw runtime::Thrown(what); }
void __throw_domain_error(const char* what) { throw runtime::Thrown(what); }
void __throw_invalid_argument(const char* what) { throw runtime::Thrown(what); }
void __throw_length_error(const char* what) { throw runtime::Thrown(what); }
void __throw_out_of_range(const char* what) { throw runtime::Thrown(what); }
void __throw_runtime_error(const char* what) { throw runtime::Thrown(what); }
void __throw_range_error(const char* what) { throw runtime::Thrown(what); }
void __throw_overflow_error(const char* what) { throw runtime::Thrown(what); }
void __throw_underflow_error(const char* what) { throw runtime::Thrown(what); }

void __throw_out_of_range_fmt(const char* format, ...) {
  char what[256];
  va_list arguments;
  va_start(arguments, format);
  __gnu_cxx::__snprintf_lite(what, sizeof what, format, arguments);
  va_end(arguments);
  throw runtime::Thrown(what);
}

}  // namespace std
// NOLINTEND(bugprone-reserved-identifier)
#endif

#pragma once
// An exception that keeps its words in itself. The C++ library's own (std::length_error,
// std::system_error, …) keep theirs in a copy-on-write string, whose code and the classes' came to
// over 50 KiB of each tool; the tools catch them only as std::exception, for their words.
#include <cstring>
#include <exception>

namespace runtime {

class Thrown : public std::exception {
 public:
  explicit Thrown(const char* what, const char* more = "") {
    Add(what);
    Add(more);
  }
  const char* what() const noexcept override { return what_; }

 private:
  void Add(const char* text) { std::strncat(what_, text, sizeof what_ - 1 - std::strlen(what_)); }
  char what_[256] = {};
};

}  // namespace runtime

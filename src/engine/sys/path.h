#pragma once
// A path in the system's own form: UTF-16 on Windows, where "\" and "/" both separate and "\" is
// written, bytes with "/" elsewhere. Only what the engine and the tools do with one, all of it
// lexical, as std::filesystem::path does it; whose string conversions and file system calls
// would bring the C++ library's locales, streams and its whole file system into the programs.
#include <compare>
#include <cstddef>
#include <string>
#include <utility>

namespace zip::os {

class Path {
 public:
#if defined(_WIN32)
  using Char = wchar_t;
  static constexpr Char kSeparator = L'\\';
#else
  using Char = char;
  static constexpr Char kSeparator = '/';
#endif
  using String = std::basic_string<Char>;

  // Not explicit: the system's strings and names written out are paths where one is asked for.
  Path() = default;
  Path(String native) : native_(std::move(native)) {}
  Path(const Char* native) : native_(native) {}

  const String& native() const { return native_; }
  const Char* c_str() const { return native_.c_str(); }
  bool empty() const { return native_.empty(); }
  void clear() { native_.clear(); }

  // Appends a relative path, with a separator between unless there is one.
  Path& operator/=(const Path& relative);
  friend Path operator/(Path base, const Path& relative) { return base /= relative; }
  // Appends to the last name as it is: "Photos" += " (2)".
  Path& operator+=(const Path& text) {
    native_ += text.native_;
    return *this;
  }

  // "C:\", "\\server\", "/", "C:" or nothing: the root name and one separator after it.
  Path root_path() const;
  // All but the last name; a root alone is its own parent.
  Path parent_path() const;
  // The last name: none after a trailing separator nor in a root alone.
  Path filename() const;
  // The last name up to its last dot, and from there: "a.tar.gz" is "a.tar" and ".gz". A name
  // that starts with its only dot, and "." and "..", have no extension.
  Path stem() const;
  Path extension() const;
  bool has_filename() const { return !filename().empty(); }
  bool has_parent_path() const { return !parent_path().empty(); }
  bool has_relative_path() const { return native_.size() > RootSize(); }
  bool is_absolute() const;
  // Without "." and "..", each separator single and the written one; a trailing separator stays.
  Path lexically_normal() const;

  static bool IsSeparator(Char c) {
#if defined(_WIN32)
    return c == L'\\' || c == L'/';
#else
    return c == '/';
#endif
  }

  bool operator==(const Path& other) const = default;
  std::strong_ordering operator<=>(const Path& other) const { return native_.compare(other.native_) <=> 0; }

 private:
  std::size_t RootNameSize() const;
  std::size_t RootSize() const;  // the root name and the separators after it
  String native_;
};

}  // namespace zip::os

#include "engine/sys/path.h"

#include <vector>

namespace zip::os {
namespace {

bool IsDot(const Path::String& name) { return name.size() == 1 && name[0] == Path::Char{'.'}; }
bool IsDotDot(const Path::String& name) {
  return name.size() == 2 && name[0] == Path::Char{'.'} && name[1] == Path::Char{'.'};
}

}  // namespace

// A drive ("C:") or a server ("\\server") on Windows; POSIX has none.
std::size_t Path::RootNameSize() const {
#if defined(_WIN32)
  if (native_.size() >= 2 && native_[1] == L':') return 2;
  if (native_.size() >= 3 && IsSeparator(native_[0]) && IsSeparator(native_[1]) && !IsSeparator(native_[2])) {
    std::size_t end = 3;
    while (end < native_.size() && !IsSeparator(native_[end])) ++end;
    return end;
  }
#endif
  return 0;
}

std::size_t Path::RootSize() const {
  std::size_t size = RootNameSize();
  while (size < native_.size() && IsSeparator(native_[size])) ++size;
  return size;
}

Path Path::root_path() const {
  const std::size_t name = RootNameSize();
  return native_.substr(0, RootSize() > name ? name + 1 : name);
}

bool Path::is_absolute() const {
#if defined(_WIN32)
  const std::size_t name = RootNameSize();
  return name > 0 && RootSize() > name;
#else
  return RootSize() > 0;
#endif
}

Path& Path::operator/=(const Path& relative) {
  if (!native_.empty() && !IsSeparator(native_.back())) native_ += kSeparator;
  native_ += relative.native_;
  return *this;
}

Path Path::filename() const {
  const std::size_t root = RootSize();
  if (native_.size() == root || IsSeparator(native_.back())) return {};
  std::size_t start = native_.size();
  while (start > root && !IsSeparator(native_[start - 1])) --start;
  return native_.substr(start);
}

Path Path::parent_path() const {
  const std::size_t root = RootSize();
  if (native_.size() <= root) return *this;
  std::size_t end = native_.size();
  if (!IsSeparator(native_.back())) {
    while (end > root && !IsSeparator(native_[end - 1])) --end;
  }
  while (end > root && IsSeparator(native_[end - 1])) --end;
  return native_.substr(0, end);
}

Path Path::stem() const {
  String name = filename().native_;
  const std::size_t dot = name.rfind(Char{'.'});
  if (dot == String::npos || dot == 0 || IsDotDot(name)) return name;
  name.resize(dot);
  return name;
}

Path Path::extension() const {
  const String name = filename().native_;
  const std::size_t dot = name.rfind(Char{'.'});
  if (dot == String::npos || dot == 0 || IsDotDot(name)) return {};
  return name.substr(dot);
}

Path Path::lexically_normal() const {
  if (native_.empty()) return {};
  const std::size_t rootName = RootNameSize();
  const std::size_t root = RootSize();
  String normal = native_.substr(0, rootName);
  for (Char& c : normal) {
    if (IsSeparator(c)) c = kSeparator;
  }
  if (root > rootName) normal += kSeparator;
  std::vector<String> names;
  bool trailing = false;  // a separator after the last name: "a\b\" and "a\b\." and "a\b\c\.." are "a\b\"
  for (std::size_t at = root; at < native_.size();) {
    std::size_t end = at;
    while (end < native_.size() && !IsSeparator(native_[end])) ++end;
    String name = native_.substr(at, end - at);
    at = end;
    while (at < native_.size() && IsSeparator(native_[at])) ++at;
    trailing = end < native_.size();
    if (IsDot(name)) {
      trailing = true;
    } else if (IsDotDot(name) && !names.empty() && !IsDotDot(names.back())) {
      names.pop_back();
      trailing = true;
    } else if (!IsDotDot(name) || root == rootName) {  // ".." at a root goes nowhere
      names.push_back(std::move(name));
    }
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) normal += kSeparator;
    normal += names[i];
  }
  if (trailing && !names.empty() && !IsDotDot(names.back())) normal += kSeparator;
  if (normal.empty()) normal = String(1, Char{'.'});
  return normal;
}

}  // namespace zip::os

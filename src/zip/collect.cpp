#include "zip/collect.h"

#include <algorithm>

#include "zip/paths.h"

namespace zip {
namespace {

os::Path Normal(const os::Path& item) {
  os::Path path = os::Absolute(item);
  if (!path.has_filename() && path.has_parent_path() && path != path.root_path()) path = path.parent_path();
  return path;
}

os::Path CommonParent(const std::vector<os::Path>& paths) {
  os::Path common = paths.front().parent_path();
  for (const os::Path& path : paths) {
    const os::Path parent = path.parent_path();
    os::Path shared;
    auto a = common.begin();
    auto b = parent.begin();
    for (; a != common.end() && b != parent.end() && *a == *b; ++a, ++b) shared /= *a;
    common = shared;
  }
  return common;
}

Error Add(const os::Path& path, const os::Path& base, const os::Status& status, Observer& observer,
          std::vector<Source>& sources) {
  if (status.kind != os::Kind::File && status.kind != os::Kind::Folder) return {};
  const bool folder = status.kind == os::Kind::Folder;
  std::string name = Utf8Name(path.lexically_relative(base));
  if (folder) name += '/';
  sources.push_back({path, name, folder, folder ? 0 : status.size, status.modified});
  if (!folder) return {};
  if (observer.Cancelled()) return Error{Failure::Cancelled, {}, {}, {}};
  std::vector<std::pair<os::Path, os::Status>> children;
  if (Error error = os::List(path, children)) return error;
  std::sort(children.begin(), children.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [child, childStatus] : children) {
    if (Error error = Add(path / child, base, childStatus, observer, sources)) return error;
  }
  return {};
}

}  // namespace

Error CollectSources(const std::vector<os::Path>& items, Observer& observer, std::vector<Source>& sources) {
  if (items.empty()) return Error{Failure::NotFound, {}, {}, "nothing to add"};
  std::vector<os::Path> paths;
  paths.reserve(items.size());
  for (const os::Path& item : items) paths.push_back(Normal(item));
  const os::Path base = CommonParent(paths);
  for (const os::Path& path : paths) {
    os::Status status;
    if (Error error = os::Inspect(path, status)) return error;
    if (Error error = Add(path, base, status, observer, sources)) return error;
  }
  return {};
}

}  // namespace zip

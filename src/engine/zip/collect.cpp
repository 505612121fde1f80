#include "engine/zip/collect.h"

#include <algorithm>
#include <numeric>

#include "engine/zip/item_names.h"
#include "engine/sys/paths.h"
#include "engine/names/text.h"

namespace zip {
namespace {

os::Path Normal(const os::Path& item) {
  os::Path path = os::Absolute(item);
  if (!path.has_filename() && path.has_parent_path() && path != path.root_path()) path = path.parent_path();
  return path;
}

// Paths compare as Windows compares them: case folded, "/" between the elements.
std::string Key(const os::Path& path) { return FoldCase(Utf8Name(path)); }

bool Within(const std::string& key, const std::string& folder) {
  return key.size() > folder.size() && key.compare(0, folder.size(), folder) == 0 &&
         (folder.back() == '/' || key[folder.size()] == '/');
}

// The items in the order given, each once: one given again, or inside another, is there already.
std::vector<os::Path> Distinct(const std::vector<os::Path>& items) {
  std::vector<os::Path> paths;
  std::vector<std::string> keys;
  for (const os::Path& item : items) {
    paths.push_back(Normal(item));
    keys.push_back(Key(paths.back()));
  }
  // With "/" sorting first, what lies inside a folder follows it at once.
  std::vector<std::string> order(keys);
  for (std::string& key : order) std::replace(key.begin(), key.end(), '/', '\0');
  std::vector<std::size_t> sorted(paths.size());
  std::iota(sorted.begin(), sorted.end(), std::size_t{0});
  std::stable_sort(sorted.begin(), sorted.end(), [&](std::size_t a, std::size_t b) { return order[a] < order[b]; });
  std::vector<bool> kept(paths.size(), false);
  const std::string* last = nullptr;
  for (const std::size_t i : sorted) {
    if (last != nullptr && (keys[i] == *last || Within(keys[i], *last))) continue;
    kept[i] = true;
    last = &keys[i];
  }
  std::vector<os::Path> distinct;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (kept[i]) distinct.push_back(std::move(paths[i]));
  }
  return distinct;
}

struct Found {
  os::Path path;
  std::string name;  // without the folder's "/"
  os::Status status;
};

class Collector {
 public:
  Collector(const std::vector<os::Path>& leaveOut, Observer& observer, Listing& listing, WriteReport& report)
      : observer_(observer), listing_(listing), report_(report) {
    for (const os::Path& path : leaveOut) leaveOut_.push_back(Key(Normal(path)));
  }

  Error Item(const os::Path& path, ItemNames& names) {
    if (LeftOut(path)) return {};
    os::Status status;
    if (Error error = os::InspectTarget(path, status)) return error;
    const bool folder = status.kind == os::Kind::Folder;
    std::string name = names.Of(path, folder);
    if (!name.empty()) return Walk({path, std::move(name), status});
    // A root: its content goes at the top.
    std::vector<std::pair<os::Path, os::Status>> children;
    if (Error error = List(path, children)) return error;
    for (auto& [child, childStatus] : children) {
      const bool childFolder = childStatus.kind == os::Kind::Folder;
      if (Error error = Walk({path / child, names.AtTop(Utf8Name(child), childFolder), childStatus})) return error;
    }
    return {};
  }

 private:
  bool LeftOut(const os::Path& path) const {
    return !leaveOut_.empty() && std::find(leaveOut_.begin(), leaveOut_.end(), Key(path)) != leaveOut_.end();
  }

  Error List(const os::Path& folder, std::vector<std::pair<os::Path, os::Status>>& children) {
    if (observer_.Cancelled() || listing_.Abandoned()) return Error{Failure::Cancelled, {}, {}, {}};
    if (Error error = os::List(folder, children)) return error;
    std::sort(children.begin(), children.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return {};
  }

  // Depth first with a stack of its own: a tree thousands of folders deep would overflow the
  // thread's stack if each folder took a call.
  Error Walk(Found top) {
    std::vector<Found> pending;
    pending.push_back(std::move(top));
    while (!pending.empty()) {
      Found found = std::move(pending.back());
      pending.pop_back();
      if (found.status.kind == os::Kind::Link) {
        report_.linksSkipped.push_back(found.name);
        continue;
      }
      if (found.status.kind != os::Kind::File && found.status.kind != os::Kind::Folder) continue;
      if (LeftOut(found.path)) continue;
      const bool folder = found.status.kind == os::Kind::Folder;
      listing_.Add({found.path, folder ? found.name + '/' : found.name, folder, folder ? 0 : found.status.size,
                    found.status.times, found.status.attributes});
      if (!folder) continue;
      std::vector<std::pair<os::Path, os::Status>> children;
      if (Error error = List(found.path, children)) return error;
      for (auto child = children.rbegin(); child != children.rend(); ++child) {
        pending.push_back({found.path / child->first, found.name + '/' + Utf8Name(child->first), child->second});
      }
    }
    return {};
  }

  Observer& observer_;
  Listing& listing_;
  WriteReport& report_;
  std::vector<std::string> leaveOut_;
};

}  // namespace

Error CollectSources(const std::vector<os::Path>& items, const std::vector<os::Path>& leaveOut, Observer& observer,
                     Listing& listing, WriteReport& report) {
  const std::vector<os::Path> paths = Distinct(items);
  ItemNames names(paths);
  Collector collector(leaveOut, observer, listing, report);
  for (const os::Path& path : paths) {
    if (Error error = collector.Item(path, names)) return error;
  }
  // An archive with nothing in it would look like success.
  if (listing.size() == 0) return Error{Failure::Io, items.empty() ? os::Path() : items.front(), {}, "There was nothing to zip"};
  return {};
}

}  // namespace zip

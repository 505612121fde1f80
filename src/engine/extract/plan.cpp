#include "engine/extract/plan.h"

#include <cstdint>
#include <map>
#include <set>

#include "engine/names/safe_name.h"
#include "engine/names/text.h"

namespace zip {
namespace {

std::string Join(const std::string& parent, const std::string& segment) {
  return parent.empty() ? segment : parent + "/" + segment;
}

std::string JoinAll(const std::vector<std::string>& segments) {
  std::string path;
  for (const std::string& segment : segments) path = Join(path, segment);
  return path;
}

// The names taken so far, compared as Windows compares them.
class Namespace {
 public:
  // The folder for this segment under the parent: an existing folder of the same folded name,
  // else a new one, numbered when a file holds the name.
  std::string Folder(const std::string& parent, const std::string& segment, bool& added) {
    const std::string key = FoldCase(Join(parent, segment));
    added = false;
    if (const auto it = folders_.find(key); it != folders_.end()) return it->second;
    if (const auto it = taken_.find(key); it != taken_.end() && it->second.folder) {
      return folders_[key] = it->second.path;
    }
    added = true;
    return folders_[key] = Free(parent, segment, key, true);
  }

  std::string File(const std::string& parent, const std::string& segment) {
    return Free(parent, segment, FoldCase(Join(parent, segment)), false);
  }

 private:
  struct Taken {
    std::string path;
    bool folder = false;
  };

  std::string Free(const std::string& parent, const std::string& segment, const std::string& key, bool folder) {
    std::string path = Join(parent, segment);
    unsigned& number = next_.try_emplace(key, 2).first->second;
    while (taken_.count(FoldCase(path)) != 0) path = Join(parent, NumberedSegment(segment, number++, folder));
    taken_[FoldCase(path)] = {path, folder};
    return path;
  }

  std::map<std::string, Taken> taken_;         // folded path: what holds it
  std::map<std::string, std::string> folders_;  // folded path asked for: the folder given
  std::map<std::string, unsigned> next_;        // folded path asked for: the next number to try
};

}  // namespace

Error PlanExtraction(const Catalog& catalog, Plan& plan, ExtractReport& report) {
  std::vector<std::vector<std::string>> split(catalog.entries.size());
  for (std::size_t i = 0; i < catalog.entries.size(); ++i) {
    if (!SplitInside(catalog.entries[i].name, split[i])) {
      return Error{Failure::OutsideTarget, {}, catalog.entries[i].name, "it would land outside the target folder"};
    }
  }
  Namespace names;
  std::set<std::string> topLevel;
  std::map<std::string, std::size_t> folderAt;  // path: its place in plan.folders
  for (std::size_t i = 0; i < catalog.entries.size(); ++i) {
    const Entry& entry = catalog.entries[i];
    const std::vector<std::string>& segments = split[i];
    if (entry.link) {
      report.linksSkipped.push_back(entry.name);
      continue;
    }
    if (entry.special) {
      report.specialSkipped.push_back(entry.name);
      continue;
    }
    if (segments.empty()) {
      if (!entry.folder) report.nameless.push_back(entry.name);  // data with nowhere to go is said, not dropped
      continue;
    }
    const std::size_t folderCount = entry.folder ? segments.size() : segments.size() - 1;
    std::string path;
    for (std::size_t s = 0; s < folderCount; ++s) {
      bool added = false;
      path = names.Folder(path, SafeSegment(segments[s]), added);
      if (added) {
        folderAt[path] = plan.folders.size();
        plan.folders.push_back({path, i, std::nullopt, {}});
      }
    }
    if (entry.folder) {
      // Whichever entry created it.
      plan.folders[folderAt[path]].times = entry.times;
      plan.folders[folderAt[path]].attributes = entry.attributes;
    } else {
      path = names.File(path, SafeSegment(segments.back()));
      plan.files.push_back({path, i, entry.times, entry.attributes});
      // Saturating: declared sizes are the archive's word, and a sum that wrapped would pass.
      plan.bytes = entry.size > UINT64_MAX - plan.bytes ? UINT64_MAX : plan.bytes + entry.size;
    }
    if (path != JoinAll(segments)) report.renamed.push_back({entry.name, path});
    const std::string top = path.substr(0, path.find('/'));
    if (topLevel.insert(top).second) report.topLevel.push_back(top);
  }
  return {};
}

}  // namespace zip

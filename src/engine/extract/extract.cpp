// ExtractArchive: the archive is read and checked whole, every entry placed, and only then is
// anything made where it belongs (a stream costly to decode keeps its files' data hidden in the
// target meanwhile): the files on a pool of workers, a lane of them each (a solid block's, in
// order), each folder made as the first file below it comes up and given its times once all it
// holds is made.
#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <new>
#include <unordered_map>

#include "engine/extract/plan.h"
#include "engine/extract/readers.h"
#include "engine/names/safe_name.h"
#include "engine/reader.h"
#include "engine/sys/paths.h"

namespace zip {
namespace {

// The segment before the last "/" and the last one.
std::pair<std::string, std::string> Split(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {{}, path};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

// The path with its last segment numbered.
std::string Numbered(const std::string& path, unsigned number, bool folder) {
  const auto [parent, last] = Split(path);
  const std::string numbered = NumberedSegment(last, number, folder);
  return parent.empty() ? numbered : parent + "/" + numbered;
}

// A name the plan held free can still be taken once written: on NTFS "LONGFI~1.TXT" is the short
// name of "longfilename.txt", extracted before it. The next free number is taken then; nothing is
// ever opened that was there.
template <typename Create>
Error CreateFree(const std::string& planned, bool folder, std::string& made, Create create) {
  made = planned;
  Error error = create(made);
  for (unsigned number = 2; error.kind == Failure::Exists && number < 1000; ++number) {
    made = Numbered(planned, number, folder);
    error = create(made);
  }
  return error;
}


// Each folder is made in its parent's held handle, and each file in its folder's: nothing is ever
// opened by a path below the target, so a link that another program puts in the place of a folder
// made here is never written through, and no folder needs checking before each file. A folder
// is made when the first file below it comes up (parents before children, as planned) and let go
// once all it holds is made, so an archive written by a walk of a tree holds about as many
// handles as the tree is deep.
class Extraction {
 public:
  Extraction(Reader& reader, const Catalog& catalog, Plan& plan, const os::Folder& root, Observer& observer,
             ExtractReport& report)
      : reader_(reader), catalog_(catalog), plan_(plan), root_(root), observer_(observer), report_(report) {}

  Error Run(unsigned threads) {
    Count();
    Lanes();
    // This thread is one of the workers: a thread costs milliseconds to start under Wine, which a
    // small archive would spend on that alone.
    if (!lanes_.empty()) {
      std::vector<std::unique_ptr<os::Thread>> others;
      for (std::size_t i = 1; i < std::min<std::size_t>(threads, lanes_.size()); ++i) {
        others.push_back(std::make_unique<os::Thread>([this] { Work(); }));
      }
      Work();
    }
    if (error_) return error_;
    os::Guard guard(mutex_);
    return MakeFolders(plan_.folders.size());  // those with no file below them
  }

 private:
  static constexpr std::size_t kTarget = SIZE_MAX;

  // Each folder's parent, each file's folder, and what each folder is to hold.
  void Count() {
    std::unordered_map<std::string, std::size_t> at;
    const auto parentOf = [&](const std::string& path) {
      const auto it = at.find(Split(path).first);
      return it == at.end() ? kTarget : it->second;
    };
    pending_.assign(plan_.folders.size(), 0);
    held_.resize(plan_.folders.size());
    for (std::size_t i = 0; i < plan_.folders.size(); ++i) {
      folderParent_.push_back(parentOf(plan_.folders[i].path));
      if (folderParent_.back() != kTarget) ++pending_[folderParent_.back()];
      at.emplace(plan_.folders[i].path, i);
    }
    for (const Placed& file : plan_.files) {
      fileParent_.push_back(parentOf(file.path));
      if (fileParent_.back() != kTarget) ++pending_[fileParent_.back()];
    }
  }

  // The files in the plan's order, those of one lane together where its first one is.
  void Lanes() {
    std::unordered_map<std::size_t, std::size_t> at;  // the reader's lane: its place in lanes_
    for (std::size_t i = 0; i < plan_.files.size(); ++i) {
      const std::optional<std::size_t> lane = reader_.Lane(catalog_.entries[plan_.files[i].entry]);
      if (!lane) {
        lanes_.push_back({i});
        continue;
      }
      const auto [it, added] = at.emplace(*lane, lanes_.size());
      if (added) lanes_.emplace_back();
      lanes_[it->second].push_back(i);
    }
  }

  const os::Folder& Held(std::size_t folder) const { return folder == kTarget ? root_ : held_[folder]; }

  // With the mutex held: the folders planned before `end`, in order.
  Error MakeFolders(std::size_t end) {
    for (; made_ < end; ++made_) {
      if (observer_.Cancelled()) return Error{Failure::Cancelled, {}, {}, {}};
      const std::size_t i = made_;
      const std::string planned = plan_.folders[i].path;
      const os::Folder& parent = Held(folderParent_[i]);
      std::string made;
      if (Error error = CreateFree(planned, true, made, [&](const std::string& path) {
            return parent.NewFolder(Utf8Path(Split(path).second), held_[i]);
          })) {
        return error;
      }
      if (made != planned) MoveBelow(planned, made, i);
      if (Error error = Holds(folderParent_[i])) return error;
      if (pending_[i] == 0) {
        if (Error error = Finish(i)) return error;
      }
    }
    return {};
  }

  // With the mutex held: one more thing the folder holds is made.
  Error Holds(std::size_t folder) {
    if (folder == kTarget || --pending_[folder] > 0) return {};
    return Finish(folder);
  }

  // Its times last, as making what it holds changed them.
  Error Finish(std::size_t i) {
    const Placed& folder = plan_.folders[i];
    if (folder.times) {
      if (Error error = held_[i].SetTimes(*folder.times)) return error;
    }
    if (Error error = held_[i].SetHidden(folder.attributes.hidden)) return error;
    held_[i] = os::Folder();
    return {};
  }

  // Nothing may leave a worker: an exception here would end the program with the work half done.
  void Work() {
    try {
      EntryBuffers buffers;
      for (;;) {
        std::size_t lane = 0;
        {
          os::Guard guard(mutex_);
          if (stop_ || next_ == lanes_.size()) return;
          lane = next_++;
        }
        for (const std::size_t i : lanes_[lane]) {
          {
            os::Guard guard(mutex_);
            if (stop_) return;
            if (Error error = MakeFolders(fileParent_[i] == kTarget ? 0 : fileParent_[i] + 1)) {
              return Fail(std::move(error));
            }
          }
          if (Error error = ExtractFile(i, buffers)) {
            os::Guard guard(mutex_);
            return Fail(std::move(error));
          }
        }
      }
    } catch (const std::bad_alloc&) {
      os::Guard guard(mutex_);
      Fail(Error{Failure::NoMemory, {}, {}, {}});
    }
  }

  // With the mutex held.
  void Fail(Error error) {
    if (!error_) error_ = std::move(error);
    stop_ = true;
  }

  Error ExtractFile(std::size_t i, EntryBuffers& buffers) {
    // Empty files report no bytes, so their progress never asks.
    if (observer_.Cancelled()) return Error{Failure::Cancelled, {}, {}, {}};
    const Placed& file = plan_.files[i];
    const Entry& entry = catalog_.entries[file.entry];
    const os::Folder& folder = Held(fileParent_[i]);
    os::File out;
    std::string made;
    if (Error error = CreateFree(file.path, false, made, [&](const std::string& path) {
          return reader_.Make(entry, folder, Utf8Path(Split(path).second), out);
        })) {
      return error;
    }
    {
      os::Guard guard(mutex_);
      if (made != file.path) Renamed(file, made);
      if (Error error = Holds(fileParent_[i])) return error;
    }
    const Progress progress = [&](std::uint64_t bytes) {
      observer_.Done(bytes, entry.name);
      return !stop_ && !observer_.Cancelled();
    };
    if (Error error = reader_.Copy(entry, out, buffers, progress)) return error;
    if (entry.size == 0) observer_.Done(0, entry.name);
    if (file.times) {
      if (Error error = out.SetTimes(*file.times)) return error;
    }
    return out.SetAttributes(file.attributes);
  }
  // The folder went elsewhere: so does everything planned below it. The files are said to be renamed.
  void MoveBelow(const std::string& planned, const std::string& made, std::size_t at) {
    const std::string prefix = planned + "/";
    const auto below = [&](const Placed& placed) {
      return placed.path == planned || placed.path.compare(0, prefix.size(), prefix) == 0;
    };
    for (std::size_t i = at; i < plan_.folders.size(); ++i) {
      if (below(plan_.folders[i])) plan_.folders[i].path = made + plan_.folders[i].path.substr(planned.size());
    }
    for (Placed& file : plan_.files) {
      if (!below(file)) continue;
      const std::string moved = made + file.path.substr(planned.size());
      Renamed(file, moved);
      file.path = moved;
    }
  }

  // Said once an entry, under its last name; a new first segment counts as a new top.
  void Renamed(const Placed& placed, const std::string& made) {
    const std::string& name = catalog_.entries[placed.entry].name;
    const auto it = std::find_if(report_.renamed.begin(), report_.renamed.end(),
                                 [&](const zip::Renamed& r) { return r.entry == name && r.extractedAs == placed.path; });
    if (it != report_.renamed.end()) {
      it->extractedAs = made;
    } else {
      report_.renamed.push_back({name, made});
    }
    const std::string top = made.substr(0, made.find('/'));
    if (std::find(report_.topLevel.begin(), report_.topLevel.end(), top) == report_.topLevel.end()) {
      report_.topLevel.push_back(top);
    }
  }

  Reader& reader_;
  const Catalog& catalog_;
  Plan& plan_;
  const os::Folder& root_;
  Observer& observer_;
  ExtractReport& report_;
  std::vector<std::size_t> folderParent_;  // kTarget: at the top
  std::vector<std::size_t> fileParent_;
  std::vector<std::size_t> pending_;  // what each folder is still to hold
  std::vector<os::Folder> held_;      // from when each folder is made until it is finished
  std::size_t made_ = 0;              // the folders made so far, in the plan's order
  std::vector<std::vector<std::size_t>> lanes_;  // the files, as the workers take them
  std::size_t next_ = 0;              // the next lane to take
  std::atomic<bool> stop_{false};
  os::Mutex mutex_;                   // over all of the above but stop_, and the report
  Error error_;
};

Error Extract(const os::Path& archive, ArchiveKind kind, const os::Path& folder, Observer& observer,
              ExtractReport& report, unsigned threads) {
  os::File file;
  if (Error error = os::File::OpenRead(archive, file)) return error;
  os::Folder root;
  if (Error error = os::Folder::Open(folder, root)) return error;
  // Before the listing, which may keep what it decodes in the target.
  std::uint64_t free = 0;
  if (Error error = os::FreeSpace(folder, free)) return error;
  const std::unique_ptr<Reader> reader = OpenReader(kind, file, archive, observer);
  Catalog catalog;
  if (Error error = reader->List(catalog, root)) return error;
  Plan plan;
  if (Error error = PlanExtraction(catalog, plan, report)) return error;
  if (plan.bytes > free) {
    return Error{Failure::TooLarge, folder, {},
                 "it needs " + std::to_string(plan.bytes) + " bytes, " + std::to_string(free) + " are free"};
  }
  if (Error error = reader->Open(catalog)) return error;
  observer.Total(plan.bytes);
  if (Error error = Extraction(*reader, catalog, plan, root, observer, report).Run(reader->Workers(threads))) {
    return error;
  }
  return reader->Finish();
}

}  // namespace

Error ExtractArchive(const os::Path& archive, ArchiveKind kind, const os::Path& folder, Observer& observer,
                     ExtractReport& report, unsigned threads) {
  Error error = Extract(archive, kind, folder, observer, report, threads);
  if (error && error.file.empty()) error.file = archive;
  return error;
}

Error ExtractArchive(const os::Path& archive, const os::Path& folder, Observer& observer,
                     ExtractReport& report, unsigned threads) {
  return ExtractArchive(archive, ArchiveKindOf(archive), folder, observer, report, threads);
}

}  // namespace zip

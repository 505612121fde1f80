// ExtractArchive: the archive is read and checked whole, every entry placed, and only then is
// anything written: folders first, then the files on a pool of workers, then the folders' times.
#include <atomic>
#include <memory>
#include <new>

#include "zip/catalog.h"
#include "zip/inflate_entry.h"
#include "zip/paths.h"
#include "zip/plan.h"

namespace zip {
namespace {

// Nothing below the target may be a link or junction: a write through one could land anywhere.
Error CheckNoLinks(const os::Path& target, const std::string& relative) {
  os::Path path = target;
  for (std::size_t start = 0, slash = 0; (slash = relative.find('/', start)) != std::string::npos; start = slash + 1) {
    path /= Utf8Path(relative.substr(start, slash - start));
    os::Status status;
    if (Error error = os::Inspect(path, status)) return error;
    if (status.kind != os::Kind::Folder) {
      return Error{Failure::OutsideTarget, path, relative, "a link or other non-folder stands in its path"};
    }
  }
  return {};
}

class Extraction {
 public:
  Extraction(const os::File& archive, const Catalog& catalog, const Plan& plan, const os::Path& target,
             Observer& observer)
      : archive_(archive), catalog_(catalog), plan_(plan), target_(target), observer_(observer) {}

  Error Run(unsigned threads) {
    for (const Placed& folder : plan_.folders) {
      if (observer_.Cancelled()) return Error{Failure::Cancelled, {}, {}, {}};
      if (Error error = CheckNoLinks(target_, folder.path)) return error;
      if (Error error = os::CreateFolder(target_ / Utf8Path(folder.path))) return error;
    }
    {
      std::vector<std::unique_ptr<os::Thread>> workers;
      for (unsigned i = 0; i < std::min<std::size_t>(threads, plan_.files.size()); ++i) {
        workers.push_back(std::make_unique<os::Thread>([this] { Work(); }));
      }
    }
    if (error_) return error_;
    // Last, as creating the files changed them.
    for (const Placed& folder : plan_.folders) {
      if (!folder.modified) continue;
      if (Error error = os::SetModified(target_ / Utf8Path(folder.path), *folder.modified)) return error;
    }
    return {};
  }

 private:
  // Nothing may leave a worker: an exception here would end the program with the work half done.
  void Work() {
    try {
      EntryBuffers buffers;
      for (std::size_t i = next_++; i < plan_.files.size() && !stop_; i = next_++) {
        if (Error error = ExtractFile(plan_.files[i], buffers)) Stop(std::move(error));
      }
    } catch (const std::bad_alloc&) {
      Stop(Error{Failure::NoMemory, {}, {}, {}});
    }
  }

  void Stop(Error error) {
    os::Guard guard(mutex_);
    if (!error_) error_ = std::move(error);
    stop_ = true;
  }

  Error ExtractFile(const Placed& file, EntryBuffers& buffers) {
    // Empty files report no bytes, so their progress never asks.
    if (observer_.Cancelled()) return Error{Failure::Cancelled, {}, {}, {}};
    const Entry& entry = catalog_.entries[file.entry];
    if (Error error = CheckNoLinks(target_, file.path)) return error;
    os::File out;
    if (Error error = os::File::CreateNew(target_ / Utf8Path(file.path), out)) return error;
    const std::function<bool(std::uint64_t)> progress = [&](std::uint64_t bytes) {
      observer_.Done(bytes, entry.name);
      return !stop_ && !observer_.Cancelled();
    };
    if (Error error = InflateEntry(archive_, entry, out, buffers, progress)) return error;
    if (entry.size == 0) observer_.Done(0, entry.name);
    if (file.modified) return out.SetModified(*file.modified);
    return {};
  }

  const os::File& archive_;
  const Catalog& catalog_;
  const Plan& plan_;
  const os::Path& target_;
  Observer& observer_;
  std::atomic<std::size_t> next_{0};
  std::atomic<bool> stop_{false};
  os::Mutex mutex_;
  Error error_;
};

Error Extract(const os::Path& archive, const os::Path& folder, Observer& observer, ExtractReport& report,
              unsigned threads) {
  os::File file;
  if (Error error = os::File::OpenRead(archive, file)) return error;
  Catalog catalog;
  if (Error error = ReadCentralDirectory(file, catalog)) return error;
  if (Error error = RefuseUnsupported(catalog)) return error;
  if (Error error = ReadLocalHeaders(file, catalog)) return error;
  Plan plan;
  if (Error error = PlanExtraction(catalog, plan, report)) return error;
  std::uint64_t free = 0;
  if (Error error = os::FreeSpace(folder, free)) return error;
  if (plan.bytes > free) {
    return Error{Failure::TooLarge, folder, {},
                 "it needs " + std::to_string(plan.bytes) + " bytes, " + std::to_string(free) + " are free"};
  }
  observer.Total(plan.bytes);
  return Extraction(file, catalog, plan, folder, observer).Run(threads == 0 ? os::Cores() : threads);
}

}  // namespace

Error ExtractArchive(const std::filesystem::path& archive, const std::filesystem::path& folder, Observer& observer,
                     ExtractReport& report, unsigned threads) {
  Error error = Extract(archive, folder, observer, report, threads);
  if (error && error.file.empty()) error.file = archive;
  return error;
}

bool IsZipArchive(const std::filesystem::path& file) {
  os::File archive;
  return !os::File::OpenRead(file, archive) && LooksLikeArchive(archive);
}

}  // namespace zip

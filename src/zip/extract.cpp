// ExtractArchive: the archive is read and checked whole, every entry placed, and only then is
// anything written: the files on a pool of workers, each folder made as the first file below it
// comes up and given its times once all it holds is made.
#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <new>
#include <unordered_map>

#include "zip/catalog.h"
#include "zip/decoded_stream.h"
#include "zip/inflate_entry.h"
#include "zip/password.h"
#include "zip/paths.h"
#include "zip/plan.h"
#include "zip/safe_name.h"
#include "zip/sevenzip_archive.h"
#include "zip/tar_catalog.h"

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

// Writes one entry's data into its new file: `progress` is told each stretch and answers whether to go on.
using CopyEntry = std::function<Error(const Entry& entry, const os::File& out, EntryBuffers& buffers,
                                      const std::function<bool(std::uint64_t)>& progress)>;

// Each folder is made in its parent's held handle, and each file in its folder's: nothing is ever
// opened by a path below the target, so a link that another program puts in the place of a folder
// made here is never written through, and no folder needs checking before each file. A folder
// is made when the first file below it comes up (parents before children, as planned) and let go
// once all it holds is made, so an archive written by a walk of a tree holds about as many
// handles as the tree is deep.
class Extraction {
 public:
  Extraction(CopyEntry copy, const Catalog& catalog, Plan& plan, const os::Path& target, Observer& observer,
             ExtractReport& report)
      : copy_(std::move(copy)), catalog_(catalog), plan_(plan), target_(target), observer_(observer), report_(report) {}

  Error Run(unsigned threads) {
    if (Error error = os::Folder::Open(target_, root_)) return error;
    Count();
    // This thread is one of the workers: a thread costs milliseconds to start under Wine, which a
    // small archive would spend on that alone.
    if (!plan_.files.empty()) {
      std::vector<std::unique_ptr<os::Thread>> others;
      for (std::size_t i = 1; i < std::min<std::size_t>(threads, plan_.files.size()); ++i) {
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
        std::size_t i = 0;
        {
          os::Guard guard(mutex_);
          if (stop_ || next_ == plan_.files.size()) return;
          i = next_++;
          if (Error error = MakeFolders(fileParent_[i] == kTarget ? 0 : fileParent_[i] + 1)) return Fail(std::move(error));
        }
        if (Error error = ExtractFile(i, buffers)) {
          os::Guard guard(mutex_);
          return Fail(std::move(error));
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
          return folder.NewFile(Utf8Path(Split(path).second), out);
        })) {
      return error;
    }
    {
      os::Guard guard(mutex_);
      if (made != file.path) Renamed(file, made);
      if (Error error = Holds(fileParent_[i])) return error;
    }
    const std::function<bool(std::uint64_t)> progress = [&](std::uint64_t bytes) {
      observer_.Done(bytes, entry.name);
      return !stop_ && !observer_.Cancelled();
    };
    if (Error error = copy_(entry, out, buffers, progress)) return error;
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

  const CopyEntry copy_;
  const Catalog& catalog_;
  Plan& plan_;
  const os::Path& target_;
  Observer& observer_;
  ExtractReport& report_;
  os::Folder root_;
  std::vector<std::size_t> folderParent_;  // kTarget: at the top
  std::vector<std::size_t> fileParent_;
  std::vector<std::size_t> pending_;  // what each folder is still to hold
  std::vector<os::Folder> held_;      // from when each folder is made until it is finished
  std::size_t made_ = 0;              // the folders made so far, in the plan's order
  std::size_t next_ = 0;              // the next file to extract
  std::atomic<bool> stop_{false};
  os::Mutex mutex_;                   // over all of the above but stop_, and the report
  Error error_;
};

// `size` bytes from the stream into the file at `at`.
Error CopyStretch(TarStream& stream, const Entry& entry, const os::File& out, std::uint64_t at, std::uint64_t size,
                  EntryBuffers& buffers, const std::function<bool(std::uint64_t)>& progress) {
  for (std::uint64_t written = 0; written < size;) {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(size - written, buffers.output.size()));
    std::size_t got = 0;
    if (Error error = stream.Read(buffers.output.data(), want, got)) return error;
    if (got != want) return Error{Failure::Damaged, {}, entry.name, "the archive ends early"};
    if (Error error = out.WriteAt(at + written, buffers.output.data(), got)) return error;
    written += got;
    if (!progress(got)) return Error{Failure::Cancelled, {}, {}, {}};
  }
  return {};
}

// A tar's entries, front to back through a second pass over its stream, one at a time. A sparse
// file's holes are left to the file system, which reads what was never written as zeros.
Error CopyFromStream(TarStream& stream, const Entry& entry, const os::File& out, EntryBuffers& buffers,
                     const std::function<bool(std::uint64_t)>& progress) {
  if (entry.dataOffset < stream.position()) return Error{Failure::Damaged, {}, entry.name, "its data comes too early"};
  if (Error error = stream.Skip(entry.dataOffset - stream.position())) return error;
  if (!entry.sparse) return CopyStretch(stream, entry, out, 0, entry.size, buffers, progress);
  std::uint64_t end = 0;  // of what is made so far
  const auto hole = [&](std::uint64_t to) { return to == end || progress(to - end); };
  for (const Extent& extent : entry.extents) {
    if (!hole(extent.offset)) return Error{Failure::Cancelled, {}, {}, {}};
    if (Error error = CopyStretch(stream, entry, out, extent.offset, extent.size, buffers, progress)) return error;
    end = extent.offset + extent.size;
  }
  if (end == entry.size) return {};
  if (Error error = out.Truncate(entry.size)) return error;
  return hole(entry.size) ? Error{} : Error{Failure::Cancelled, {}, {}, {}};
}

// The name a lone gzip'd file is given: the one stored in the stream, its last segment only, or
// the archive's without ".gz".
std::string GzipFileName(const std::string& stored, const os::Path& archive) {
  const std::size_t slash = stored.find_last_of("/\\");
  const std::string last = slash == std::string::npos ? stored : stored.substr(slash + 1);
  // Made safe here: a stored "C:x" is a name to keep, not a drive to refuse.
  if (!last.empty() && last != "." && last != "..") return SafeSegment(NameText(last));
  const os::Path name = archive.filename();
  std::string extension = Utf8Name(name.extension());
  for (char& c : extension) c = static_cast<char>(c | 0x20);
  return Utf8Name(extension == ".gz" ? name.stem() : name);
}

// The name a lone compressed file is given: the archive's without its extension.
std::string CompressedFileName(const os::Path& archive) {
  const os::Path name = archive.filename();
  std::string extension = Utf8Name(name.extension());
  for (char& c : extension) c = static_cast<char>(c | 0x20);
  const bool known = extension == ".xz" || extension == ".bz2" || extension == ".zst" || extension == ".lzma";
  return Utf8Name(known ? name.stem() : name);
}

std::unique_ptr<StreamDecoder> DecoderFor(ArchiveKind kind) {
  switch (kind) {
    case ArchiveKind::XzTar:
    case ArchiveKind::Xz:
      return MakeXzDecoder();
    case ArchiveKind::Bzip2Tar:
    case ArchiveKind::Bzip2:
      return MakeBzip2Decoder();
    case ArchiveKind::ZstdTar:
    case ArchiveKind::Zstd:
      return MakeZstdDecoder();
    case ArchiveKind::LzmaTar:
    case ArchiveKind::Lzma:
      return MakeLzmaDecoder();
    default:
      return nullptr;
  }
}

std::unique_ptr<TarStream> OpenTarStream(const os::File& file, ArchiveKind kind, Observer& observer) {
  std::unique_ptr<TarStream> stream;
  if (kind == ArchiveKind::Tar) {
    stream = std::make_unique<FileTarStream>(file);
  } else if (kind == ArchiveKind::GzipTar || kind == ArchiveKind::Gzip) {
    stream = std::make_unique<GzipTarStream>(file);
  } else {
    stream = std::make_unique<DecodedStream>(file, DecoderFor(kind));
  }
  stream->StopWhen([&observer] { return observer.Cancelled(); });
  return stream;
}

Error Extract(const os::Path& archive, const os::Path& folder, Observer& observer, ExtractReport& report,
              unsigned threads) {
  os::File file;
  if (Error error = os::File::OpenRead(archive, file)) return error;
  const ArchiveKind kind = KindOf(file);
  const bool lone = kind == ArchiveKind::Gzip || kind == ArchiveKind::Xz || kind == ArchiveKind::Bzip2 ||
                    kind == ArchiveKind::Zstd || kind == ArchiveKind::Lzma;
  const bool tar = lone || kind == ArchiveKind::Tar || kind == ArchiveKind::GzipTar || kind == ArchiveKind::XzTar ||
                   kind == ArchiveKind::Bzip2Tar || kind == ArchiveKind::ZstdTar || kind == ArchiveKind::LzmaTar;
  Catalog catalog;
  std::unique_ptr<sevenzip::Archive> sevenZip;
  if (kind == ArchiveKind::SevenZip) {
    sevenZip = std::make_unique<sevenzip::Archive>(file);
    if (Error error = sevenZip->Open(observer, catalog)) return error;
  }
  // A tar is read through once to list it, checking all of it (a gzip stream's CRC-32 too)
  // before anything is written, and again to extract it.
  if (tar) {
    const std::unique_ptr<TarStream> stream = OpenTarStream(file, kind, observer);
    if (kind == ArchiveKind::Gzip) {
      if (Error error = ReadGzipCatalog(*stream, catalog)) return error;
      const auto& gzip = static_cast<const GzipTarStream&>(*stream);
      Entry& entry = catalog.entries.front();
      entry.name = entry.storedName = GzipFileName(gzip.StoredName(), archive);
      if (const auto stored = gzip.StoredTime()) entry.times = TarTimes(*stored);
    } else if (lone) {
      if (Error error = ReadGzipCatalog(*stream, catalog)) return error;
      Entry& entry = catalog.entries.front();
      entry.name = entry.storedName = CompressedFileName(archive);
      // These formats store no time: the file keeps the archive's, as their own tools do.
      if (os::Status status; !os::InspectTarget(archive, status)) entry.times = status.times;
    } else if (Error error = ReadTarCatalog(*stream, catalog)) {
      return error;
    }
  } else if (!sevenZip) {
    if (Error error = ReadCentralDirectory(file, catalog)) return error;
    if (Error error = RefuseUnsupported(catalog)) return error;
    if (Error error = ReadLocalHeaders(file, catalog)) return error;
  }
  Plan plan;
  if (Error error = PlanExtraction(catalog, plan, report)) return error;
  std::uint64_t free = 0;
  if (Error error = os::FreeSpace(folder, free)) return error;
  if (plan.bytes > free) {
    return Error{Failure::TooLarge, folder, {},
                 "it needs " + std::to_string(plan.bytes) + " bytes, " + std::to_string(free) + " are free"};
  }
  Keys keys;
  if (!tar && !sevenZip) {
    if (Error error = ChoosePasswords(file, catalog, observer, keys)) return error;
  }
  observer.Total(plan.bytes);
  if (tar || sevenZip) {
    // A 7z's folders are read one after the other, each file checked as its last byte passes.
    const std::unique_ptr<TarStream> stream = sevenZip ? sevenZip->Data() : OpenTarStream(file, kind, observer);
    if (sevenZip) stream->StopWhen([&observer] { return observer.Cancelled(); });
    const CopyEntry copy = [&](const Entry& entry, const os::File& out, EntryBuffers& buffers,
                               const std::function<bool(std::uint64_t)>& progress) {
      return CopyFromStream(*stream, entry, out, buffers, progress);
    };
    return Extraction(copy, catalog, plan, folder, observer, report).Run(1);  // a stream has one reader
  }
  const CopyEntry copy = [&](const Entry& entry, const os::File& out, EntryBuffers& buffers,
                             const std::function<bool(std::uint64_t)>& progress) {
    return InflateEntry(file, entry, &out, buffers, keys.For(entry), progress);
  };
  return Extraction(copy, catalog, plan, folder, observer, report).Run(threads == 0 ? os::Cores() : threads);
}

}  // namespace

Error ExtractArchive(const os::Path& archive, const os::Path& folder, Observer& observer,
                     ExtractReport& report, unsigned threads) {
  Error error = Extract(archive, folder, observer, report, threads);
  if (error && error.file.empty()) error.file = archive;
  return error;
}

}  // namespace zip

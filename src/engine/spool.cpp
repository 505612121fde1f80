#include "engine/spool.h"

#include <algorithm>
#include <chrono>

#include "engine/sys/paths.h"

namespace zip {

Spool::~Spool() { (void)Close(); }

// A name no archive can count on: another entry taking it is numbered and said to be, as for
// any name found taken.
Error Spool::Open(const os::Folder& target) {
  target_ = target.path();
  if (Error error = os::FreeSpace(target_, free_)) return error;
  const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  Error error;
  for (std::uint64_t n = 0; n < 100; ++n) {
    error = target.NewFolder(Utf8Path("~spool-" + std::to_string((now + n) % 1000000007)), folder_);
    if (error.kind != Failure::Exists) break;
  }
  if (error) return error;
  path_ = folder_.path();
  return folder_.SetHidden(true);
}

Error Spool::Reserve(std::uint64_t bytes) {
  reserved_ += bytes;
  if (reserved_ <= free_ && reserved_ >= bytes) return {};
  return Error{Failure::TooLarge, target_, {},
               "it needs more than " + std::to_string(free_) + " bytes, " + std::to_string(free_) + " are free"};
}

os::Path Spool::Name(std::size_t index) const { return Utf8Path(std::to_string(index)); }

std::size_t Spool::Index(std::uint64_t key) const {
  const auto it = std::lower_bound(kept_.begin(), kept_.end(), key);
  return it != kept_.end() && *it == key ? static_cast<std::size_t>(it - kept_.begin()) : kept_.size();
}

bool Spool::Holds(std::uint64_t key) const { return Index(key) != kept_.size(); }

Error Spool::Keep(std::uint64_t key, os::File& file) {
  if (!kept_.empty() && key <= kept_.back()) return Error{Failure::Damaged, {}, {}, "its entries go back in the stream"};
  if (Error error = folder_.NewFile(Name(kept_.size()), file)) return error;
  kept_.push_back(key);
  placed_.push_back(0);
  return {};
}

Error Spool::Place(std::uint64_t key, const os::Folder& folder, const os::Path& name, os::File& out) {
  const std::size_t index = Index(key);
  if (Error error = folder_.Move(Name(index), folder, name, out)) return error;
  placed_[index] = 1;
  return {};
}

Error Spool::Close() {
  if (path_.empty()) return {};
  Error first;
  for (std::size_t index = 0; index < placed_.size(); ++index) {
    if (placed_[index] != 0) continue;
    if (Error error = os::Remove(path_ / Name(index)); error && !first) first = std::move(error);
  }
  folder_ = os::Folder();
  if (Error error = os::RemoveFolder(path_); error && !first) first = std::move(error);
  path_.clear();
  kept_.clear();
  placed_.clear();
  return first;
}

}  // namespace zip

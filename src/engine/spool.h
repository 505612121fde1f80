#pragma once
// A stream that is costly to decode is decoded once: as it is listed, each file's data is written
// into a hidden folder of the target's, and once every entry is placed each file is moved where
// it belongs. A failure leaves nothing of it behind.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/sys/error.h"
#include "engine/sys/os.h"

namespace zip {

class Spool {
 public:
  Spool() = default;
  ~Spool();  // removes what is still kept
  Spool(const Spool&) = delete;
  Spool& operator=(const Spool&) = delete;

  Error Open(const os::Folder& target);
  // Counts bytes about to be written: TooLarge, before they are, when the target's free space
  // would not hold what is kept (a small archive may decode to more than the disk holds).
  Error Reserve(std::uint64_t bytes);
  // A new file for the entry that `key` tells apart from every other: its place in the stream,
  // so each key is past the last.
  Error Keep(std::uint64_t key, os::File& file);
  bool Holds(std::uint64_t key) const;
  // The kept file moved into `folder` as `name` and given open; Exists when the name is taken.
  // Workers may place different keys at once.
  Error Place(std::uint64_t key, const os::Folder& folder, const os::Path& name, os::File& out);
  // The folder removed: what was kept and not placed (an entry left out) goes with it.
  Error Close();

 private:
  os::Path Name(std::size_t index) const;
  std::size_t Index(std::uint64_t key) const;  // kept_.size() when not kept

  os::Folder folder_;
  os::Path path_;
  os::Path target_;
  std::uint64_t free_ = 0;
  std::uint64_t reserved_ = 0;
  std::vector<std::uint64_t> kept_;  // the keys, in order: a file's index is its key's
  std::vector<char> placed_;         // by index; each written by the worker placing it
};

}  // namespace zip

#pragma once
// What each archive kind's reader does for the extraction, which reaches it only through the
// table of readers (extract/readers.cpp).
#include <cstdint>
#include <functional>
#include <optional>

#include "engine/codec/bytes.h"
#include "engine/codec/inflate.h"
#include "engine/codec/inflate64.h"
#include "engine/engine.h"
#include "engine/entry.h"
#include "engine/sys/os.h"

namespace zip {

// What each extracting worker keeps from entry to entry.
struct EntryBuffers {
  Inflater inflater;
  Inflater64 inflater64;
  Bytes input = Bytes(std::size_t{256} * 1024);
  Bytes output = Bytes(std::size_t{256} * 1024);
};

// Told each stretch written; answers whether to go on.
using Progress = std::function<bool(std::uint64_t)>;

class Reader {
 public:
  virtual ~Reader() = default;
  // Every entry, the whole archive checked before anything is placed in the target. A stream
  // costly to decode may keep its files' data in the target as it is read, hidden until placed.
  virtual Error List(Catalog& catalog, const os::Folder& target) = 0;
  // Once the entries are placed and before anything is written: the passwords, where entries
  // are encrypted.
  virtual Error Open(const Catalog& catalog) = 0;
  // How many workers copy at once, of the `threads` asked for (0: all cores).
  virtual unsigned Workers(unsigned threads) const = 0;
  // The files of one lane are copied by one worker, in their order (a solid block's, read front
  // to back); lanes go side by side. By default each file is a lane of its own.
  virtual std::optional<std::size_t> Lane(const Entry& /*entry*/) const { return std::nullopt; }
  // The entry's new file, `name` in `folder`; Exists when the name is taken.
  virtual Error Make(const Entry& /*entry*/, const os::Folder& folder, const os::Path& name, os::File& out) {
    return folder.NewFile(name, out);
  }
  // One entry's data into its new file.
  virtual Error Copy(const Entry& entry, const os::File& out, EntryBuffers& buffers, const Progress& progress) = 0;
  // Once every entry is made: what the reader kept in the target goes.
  virtual Error Finish() { return {}; }
};

}  // namespace zip

#pragma once
// The engine's seam to the operating system: files by position, folders, times, free space and
// threads. One implementation for POSIX systems, one for Windows.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/sys/error.h"

namespace zip::os {

// Times are 100-nanosecond ticks since 1970-01-01 UTC, as NTFS keeps them.
inline constexpr std::int64_t kTicksPerSecond = 10000000;
// Whole seconds, rounded down, for the fields that hold no finer times.
constexpr std::int64_t Seconds(std::int64_t ticks) {
  return ticks / kTicksPerSecond - (ticks % kTicksPerSecond < 0 ? 1 : 0);
}

// Windows' FILETIME counts the same ticks from 1601.
inline constexpr std::int64_t kFileTimeAt1970 = 116444736000000000;
// A FILETIME in the engine's ticks; none for 0, which archives write for no time, or past what they hold.
inline std::optional<std::int64_t> FromFileTime(std::uint64_t time) {
  if (time == 0 || time > static_cast<std::uint64_t>(INT64_MAX)) return std::nullopt;
  return static_cast<std::int64_t>(time) - kFileTimeAt1970;
}

struct Times {
  std::int64_t modified = 0;
  std::optional<std::int64_t> accessed;  // when not known: the modification time
  std::optional<std::int64_t> created;   // kept on Windows only: POSIX has no way to set it
};

// What Windows keeps beside a file's data that an archive holds too. POSIX keeps read-only as a
// file without its owner's write permission, and has no hidden attribute: it reads none and sets none.
struct Attributes {
  bool readOnly = false;
  bool hidden = false;
  bool operator==(const Attributes&) const = default;
};

class File {
 public:
  File() = default;
  ~File() { Close(); }
  File(File&& other) noexcept : handle_(std::exchange(other.handle_, -1)), path_(std::move(other.path_)) {}
  File& operator=(File&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = std::exchange(other.handle_, -1);
      path_ = std::move(other.path_);
    }
    return *this;
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  static Error OpenRead(const Path& path, File& file);
  // Fails when anything, a link included, already exists at the path.
  static Error CreateNew(const Path& path, File& file);

  // By position, so threads may share a file. Reads until `size` bytes or the end of the file;
  // `got` tells how many.
  Error ReadAt(std::uint64_t offset, std::uint8_t* data, std::size_t size, std::size_t& got) const;
  Error WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size) const;
  Error Size(std::uint64_t& size) const;
  Error Truncate(std::uint64_t size) const;
  Error SetTimes(const Times& times) const;
  // After the times: a read-only file takes no more changes, its times included.
  Error SetAttributes(const Attributes& attributes) const;

 private:
  friend class Folder;
  void Close();  // the system's own call
  std::intptr_t handle_ = -1;
  Path path_;
};

// A folder held open: what is made in it lands in that very folder, wherever it has been moved
// since, and never through a link that took its name. Each name made in it must be new, so
// nothing that was there, a link included, is ever opened.
class Folder {
 public:
  Folder() = default;
  ~Folder() { Close(); }
  Folder(Folder&& other) noexcept : handle_(std::exchange(other.handle_, -1)), path_(std::move(other.path_)) {}
  Folder& operator=(Folder&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = std::exchange(other.handle_, -1);
      path_ = std::move(other.path_);
    }
    return *this;
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  // Follows a link at the path: the caller chose it.
  static Error Open(const Path& path, Folder& folder);
  // `name` is one segment; both fail when anything already holds it.
  Error NewFolder(const Path& name, Folder& made) const;
  Error NewFile(const Path& name, File& file) const;
  // The file `name` in this folder moved into `to` as `newName` (one segment, fails when anything
  // holds it) and given open for writing, as NewFile would have made it.
  Error Move(const Path& name, const Folder& to, const Path& newName, File& moved) const;
  Error SetTimes(const Times& times) const;
  // Only hidden: read-only on a folder means nothing to Windows and on POSIX would keep its
  // content from being written or removed.
  Error SetHidden(bool hidden) const;
  const Path& path() const { return path_; }

 private:
  void Close();
  std::intptr_t handle_ = -1;
  Path path_;  // as made: for the messages only
};

enum class Kind { File, Folder, Link, Other };  // Link: a symbolic link, junction or other reparse point

struct Status {
  Kind kind = Kind::Other;
  std::uint64_t size = 0;
  Times times;  // all three known; POSIX, which keeps no creation time, gives the modification time
  Attributes attributes;
};

// Absolute and lexically normal, the names in it as they are (Windows' own conversion would drop
// trailing dots and blanks, and so name another file).
Path Absolute(const Path& path);

// Whether anything, a link that leads nowhere included, holds the path. Not when the system
// cannot tell: what is then made there fails by itself.
bool Taken(const Path& path);
// What a link at the path points to (the path's own status when it is no link).
Error InspectTarget(const Path& path, Status& status);
// Links in the folder are listed as links, never followed.
Error List(const Path& folder, std::vector<std::pair<Path, Status>>& items);
Error Remove(const Path& file);
Error RemoveFolder(const Path& emptyFolder);
Error FreeSpace(const Path& folder, std::uint64_t& bytes);

// Local wall-clock time, as DOS dates hold it.
struct Civil {
  int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
bool ToLocal(std::int64_t seconds, Civil& civil);
bool FromLocal(const Civil& civil, std::int64_t& seconds);

unsigned Cores();

// A password's bytes in the system's ANSI or OEM code page, as older zippers encrypted with; nullopt
// when it has no exact form there. Away from Windows there is none: only UTF-8 is tried.
enum class CodePage { Ansi, Oem };
std::optional<std::string> InCodePage(const std::string& utf8, CodePage page);

class Mutex {
 public:
  Mutex();
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;
  void Lock();
  void Unlock();

 private:
  friend class Condition;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

class Guard {
 public:
  explicit Guard(Mutex& mutex) : mutex_(mutex) { mutex_.Lock(); }
  ~Guard() { mutex_.Unlock(); }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

 private:
  Mutex& mutex_;
};

class Condition {
 public:
  Condition();
  ~Condition();
  Condition(const Condition&) = delete;
  Condition& operator=(const Condition&) = delete;
  // With the mutex locked; returns on a notification, a spurious wake-up or the time-out.
  void Wait(Mutex& mutex, unsigned milliseconds);
  void NotifyAll();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Runs the body on a thread of its own; the destructor waits for it.
class Thread {
 public:
  explicit Thread(std::function<void()> body);
  ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zip::os

#pragma once
// The engine's seam to the operating system: files by position, folders, times, free space and
// threads. One implementation for POSIX systems, one for Windows.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "zip/zip.h"

namespace zip::os {

using Path = std::filesystem::path;

// Times are whole seconds since 1970-01-01 UTC.
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

  // Reads until `size` bytes or the end of the file; `got` tells how many.
  Error ReadAt(std::uint64_t offset, std::uint8_t* data, std::size_t size, std::size_t& got) const;
  Error WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size) const;
  Error Size(std::uint64_t& size) const;
  Error Truncate(std::uint64_t size) const;
  Error SetModified(std::int64_t seconds) const;

 private:
  void Close();  // the system's own call
  std::intptr_t handle_ = -1;
  Path path_;
};

enum class Kind { File, Folder, Link, Other };  // Link: a symbolic link, junction or other reparse point

struct Status {
  Kind kind = Kind::Other;
  std::uint64_t size = 0;
  std::int64_t modified = 0;
};

// Absolute and lexically normal, the names in it as they are (Windows' own conversion would drop
// trailing dots and blanks, and so name another file).
Path Absolute(const Path& path);

// Never follows a link at the path itself.
Error Inspect(const Path& path, Status& status);
// What a link at the path points to (the path's own status when it is no link).
Error InspectTarget(const Path& path, Status& status);
Error List(const Path& folder, std::vector<std::pair<Path, Status>>& items);
// Fails when anything already exists at the path.
Error CreateFolder(const Path& path);
Error SetModified(const Path& path, std::int64_t seconds);
Error Remove(const Path& file);
Error FreeSpace(const Path& folder, std::uint64_t& bytes);

// Local wall-clock time, as DOS dates hold it.
struct Civil {
  int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
bool ToLocal(std::int64_t seconds, Civil& civil);
bool FromLocal(const Civil& civil, std::int64_t& seconds);

unsigned Cores();

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

// POSIX implementation of the system seam: descriptors, pread/pwrite, files and folders made
// relative to a held folder (openat, mkdirat), lstat and stat, futimens.
#include <dirent.h>
#include <stdio.h>  // renameat2
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string_view>
#include <thread>

#include "engine/sys/os.h"
#include "engine/sys/paths.h"
#include "engine/names/text.h"

namespace zip {

os::Path Utf8Path(std::string_view name) { return std::string(name); }

std::string Utf8Text(const os::Path& path) {
  const std::string& bytes = path.native();
  if (IsUtf8(bytes)) return bytes;
  std::string text;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t start = at;
    const char32_t point = NextCodePoint(bytes, at);
    AppendUtf8(text, at - start == 1 && point >= 0x80 ? char32_t{0xFFFD} : point);
  }
  return text;
}

std::string Utf8Name(const os::Path& path) { return Utf8Text(path); }

}  // namespace zip

namespace zip::os {
namespace {

Failure KindOf(int code) {
  switch (code) {
    case ENOENT:
    case ENOTDIR:
      return Failure::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return Failure::AccessDenied;
    case EBUSY:
    case ETXTBSY:
      return Failure::InUse;
    case ENOSPC:
    case EDQUOT:
      return Failure::DiskFull;
    case EEXIST:
      return Failure::Exists;
    default:
      return Failure::Io;
  }
}

Error SystemError(const Path& path, int code = errno) {
  return Error{KindOf(code), path, {}, std::strerror(code)};
}

int Fd(std::intptr_t handle) { return static_cast<int>(handle); }

std::int64_t Ticks(const struct timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * kTicksPerSecond + time.tv_nsec / 100;
}

Status StatusOf(const struct stat& info) {
  Status status;
  if (S_ISLNK(info.st_mode)) {
    status.kind = Kind::Link;
  } else if (S_ISDIR(info.st_mode)) {
    status.kind = Kind::Folder;
  } else if (S_ISREG(info.st_mode)) {
    status.kind = Kind::File;
  }
  status.size = static_cast<std::uint64_t>(info.st_size);
  status.times.modified = Ticks(info.st_mtim);
  status.times.accessed = Ticks(info.st_atim);
  status.times.created = status.times.modified;
  status.attributes.readOnly = (info.st_mode & S_IWUSR) == 0;
  return status;
}

// utimensat's pair: the access time, then the modification time.
struct Pair {
  struct timespec times[2];
};
Pair TimesOf(const Times& times) {
  const auto at = [](std::int64_t ticks) {
    const std::int64_t seconds = Seconds(ticks);
    return timespec{static_cast<time_t>(seconds), static_cast<long>((ticks - seconds * kTicksPerSecond) * 100)};
  };
  return {{at(times.accessed.value_or(times.modified)), at(times.modified)}};
}

struct CloseListing {
  void operator()(DIR* listing) const { ::closedir(listing); }
};

}  // namespace

void File::Close() {
  if (handle_ != -1) ::close(Fd(handle_));
  handle_ = -1;
}

Error File::OpenRead(const Path& path, File& file) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return SystemError(path);
  file = File();
  file.handle_ = fd;
  file.path_ = path;
  return {};
}

Error File::CreateNew(const Path& path, File& file) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return SystemError(path);
  file = File();
  file.handle_ = fd;
  file.path_ = path;
  return {};
}

Error File::ReadAt(std::uint64_t offset, std::uint8_t* data, std::size_t size, std::size_t& got) const {
  got = 0;
  while (got < size) {
    const ssize_t n = ::pread(Fd(handle_), data + got, size - got, static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return SystemError(path_);
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return {};
}

Error File::WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size) const {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(Fd(handle_), data + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return SystemError(path_, n < 0 ? errno : ENOSPC);
    done += static_cast<std::size_t>(n);
  }
  return {};
}

Error File::Size(std::uint64_t& size) const {
  struct stat info {};
  if (::fstat(Fd(handle_), &info) != 0) return SystemError(path_);
  size = static_cast<std::uint64_t>(info.st_size);
  return {};
}

Error File::Truncate(std::uint64_t size) const {
  if (::ftruncate(Fd(handle_), static_cast<off_t>(size)) != 0) return SystemError(path_);
  return {};
}

Error File::SetTimes(const Times& times) const {
  const Pair pair = TimesOf(times);
  if (::futimens(Fd(handle_), pair.times) != 0) return SystemError(path_);
  return {};
}

Error File::SetAttributes(const Attributes& attributes) const {
  if (!attributes.readOnly) return {};
  struct stat info {};
  if (::fstat(Fd(handle_), &info) != 0 || ::fchmod(Fd(handle_), info.st_mode & 07555) != 0) return SystemError(path_);
  return {};
}

void Folder::Close() {
  if (handle_ != -1) ::close(Fd(handle_));
  handle_ = -1;
}

Error Folder::Open(const Path& path, Folder& folder) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return SystemError(path);
  folder = Folder();
  folder.handle_ = fd;
  folder.path_ = path;
  return {};
}

// Between mkdirat and openat another process may put a link in its place: O_NOFOLLOW refuses it.
Error Folder::NewFolder(const Path& name, Folder& made) const {
  const Path path = path_ / name;
  if (::mkdirat(Fd(handle_), name.c_str(), 0777) != 0) return SystemError(path);
  const int fd = ::openat(Fd(handle_), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return SystemError(path);
  made = Folder();
  made.handle_ = fd;
  made.path_ = path;
  return {};
}

Error Folder::NewFile(const Path& name, File& file) const {
  const Path path = path_ / name;
  const int fd = ::openat(Fd(handle_), name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return SystemError(path);
  file = File();
  file.handle_ = fd;
  file.path_ = path;
  return {};
}

Error Folder::Move(const Path& name, const Folder& to, const Path& newName, File& moved) const {
  const Path path = to.path_ / newName;
  if (::renameat2(Fd(handle_), name.c_str(), Fd(to.handle_), newName.c_str(), RENAME_NOREPLACE) != 0) {
    return SystemError(path);
  }
  const int fd = ::openat(Fd(to.handle_), newName.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return SystemError(path);
  moved = File();
  moved.handle_ = fd;
  moved.path_ = path;
  return {};
}

Error Folder::SetTimes(const Times& times) const {
  const Pair pair = TimesOf(times);
  if (::futimens(Fd(handle_), pair.times) != 0) return SystemError(path_);
  return {};
}

Error Folder::SetHidden(bool) const { return {}; }

Path Absolute(const Path& path) {
  if (path.is_absolute()) return path.lexically_normal();
  const std::unique_ptr<char, decltype(&std::free)> current(::getcwd(nullptr, 0), &std::free);
  return current ? (Path(current.get()) / path).lexically_normal() : path.lexically_normal();
}

bool Taken(const Path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

Error InspectTarget(const Path& path, Status& status) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return SystemError(path);
  status = StatusOf(info);
  return {};
}

Error List(const Path& folder, std::vector<std::pair<Path, Status>>& items) {
  const std::unique_ptr<DIR, CloseListing> listing(::opendir(folder.c_str()));
  if (!listing) return SystemError(folder);
  for (;;) {
    errno = 0;
    const struct dirent* entry = ::readdir(listing.get());
    if (entry == nullptr) break;
    const std::string_view name(entry->d_name);
    if (name == "." || name == "..") continue;
    struct stat info {};
    if (::fstatat(::dirfd(listing.get()), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
      const int code = errno;
      return SystemError(folder / entry->d_name, code);
    }
    items.emplace_back(Path(entry->d_name), StatusOf(info));
  }
  if (errno != 0) return SystemError(folder);
  return {};
}

Error Remove(const Path& file) {
  if (::unlink(file.c_str()) != 0) return SystemError(file);
  return {};
}

Error RemoveFolder(const Path& emptyFolder) {
  if (::rmdir(emptyFolder.c_str()) != 0) return SystemError(emptyFolder);
  return {};
}

Error FreeSpace(const Path& folder, std::uint64_t& bytes) {
  struct statvfs info {};
  if (::statvfs(folder.c_str(), &info) != 0) return SystemError(folder);
  bytes = static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
  return {};
}

bool ToLocal(std::int64_t seconds, Civil& civil) {
  const auto time = static_cast<time_t>(seconds);
  struct tm local {};
  if (::localtime_r(&time, &local) == nullptr) return false;
  civil = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
  return true;
}

bool FromLocal(const Civil& civil, std::int64_t& seconds) {
  struct tm local {};
  local.tm_year = civil.year - 1900;
  local.tm_mon = civil.month - 1;
  local.tm_mday = civil.day;
  local.tm_hour = civil.hour;
  local.tm_min = civil.minute;
  local.tm_sec = civil.second;
  local.tm_isdst = -1;
  const time_t time = ::mktime(&local);
  if (time == static_cast<time_t>(-1)) return false;
  seconds = time;
  return true;
}

unsigned Cores() { return std::max(1U, std::thread::hardware_concurrency()); }

std::optional<std::string> InCodePage(const std::string&, CodePage) { return std::nullopt; }

struct Mutex::Impl {
  std::mutex mutex;
};
Mutex::Mutex() : impl_(std::make_unique<Impl>()) {}
Mutex::~Mutex() = default;
void Mutex::Lock() { impl_->mutex.lock(); }
void Mutex::Unlock() { impl_->mutex.unlock(); }

struct Condition::Impl {
  std::condition_variable condition;
};
Condition::Condition() : impl_(std::make_unique<Impl>()) {}
Condition::~Condition() = default;
void Condition::Wait(Mutex& mutex, unsigned milliseconds) {
  std::unique_lock<std::mutex> lock(mutex.impl_->mutex, std::adopt_lock);
  impl_->condition.wait_for(lock, std::chrono::milliseconds(milliseconds));
  lock.release();
}
void Condition::NotifyAll() { impl_->condition.notify_all(); }

struct Thread::Impl {
  std::thread thread;
};
Thread::Thread(std::function<void()> body) : impl_(std::make_unique<Impl>()) {
  impl_->thread = std::thread(std::move(body));
}
Thread::~Thread() { impl_->thread.join(); }

}  // namespace zip::os

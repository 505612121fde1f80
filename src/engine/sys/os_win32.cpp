// Windows implementation of the system seam: every path in its \\?\ form, positional reads and
// writes, files and folders made relative to a held folder, reparse points as links, SRW locks
// and condition variables. Each call that reaches the file system is a trip through its filters
// (and a request to the server under Wine), so the calls per file are few.
#include <windows.h>
#include <process.h>
#include <winternl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "base/handles.h"
#include "base/text.h"
#include "base/runtime/thrown.h"
#include "engine/sys/os_win32.h"
#include "engine/sys/paths.h"

namespace zip {

os::Path Utf8Path(std::string_view name) { return base::Wide(name); }

// Half a surrogate pair, which NTFS allows in a name, becomes U+FFFD.
std::string Utf8Text(const os::Path& path) { return base::Utf8(path.native()); }

std::string Utf8Name(const os::Path& path) {
  std::string name = Utf8Text(path);
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

}  // namespace zip

// ReadFile and WriteFile with an OVERLAPPED offset also post to the handle's completion port, a
// request of its own under Wine; the system's calls take the offset without one. Not in winternl.h.
extern "C" NTSTATUS NTAPI NtReadFile(HANDLE file, HANDLE event, PIO_APC_ROUTINE apc, PVOID apcContext,
                                     PIO_STATUS_BLOCK io, PVOID buffer, ULONG length, PLARGE_INTEGER offset,
                                     PULONG key);
extern "C" NTSTATUS NTAPI NtWriteFile(HANDLE file, HANDLE event, PIO_APC_ROUTINE apc, PVOID apcContext,
                                      PIO_STATUS_BLOCK io, PVOID buffer, ULONG length, PLARGE_INTEGER offset,
                                      PULONG key);

namespace zip::os {
namespace {

constexpr NTSTATUS kEndOfFile = static_cast<NTSTATUS>(0xC0000011L);

constexpr std::int64_t kEpochDifference = 11644473600;  // seconds from 1601 to 1970

HANDLE Native(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

constexpr std::int64_t kEpochTicks = kEpochDifference * kTicksPerSecond;

FILETIME ToFileTime(std::int64_t ticks) {
  const auto value = static_cast<std::uint64_t>(ticks + kEpochTicks);
  return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

std::int64_t FromFileTime(const FILETIME& time) {
  const std::uint64_t value = (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
  return static_cast<std::int64_t>(value) - kEpochTicks;
}

std::int64_t FromLarge(const LARGE_INTEGER& time) { return time.QuadPart - kEpochTicks; }

Attributes AttributesOf(DWORD attributes) {
  return {(attributes & FILE_ATTRIBUTE_READONLY) != 0, (attributes & FILE_ATTRIBUTE_HIDDEN) != 0};
}

// Times before 1601 cannot be set: those are left as they are.
Error SetFileTimes(HANDLE handle, const Times& times, const Path& path) {
  if (times.modified < -kEpochTicks) return {};
  const FILETIME modified = ToFileTime(times.modified);
  const std::int64_t accessedTicks = times.accessed.value_or(times.modified);
  const FILETIME accessed = ToFileTime(accessedTicks);
  const FILETIME created = ToFileTime(times.created.value_or(0));
  const bool withCreated = times.created && *times.created >= -kEpochTicks;
  if (!SetFileTime(handle, withCreated ? &created : nullptr, accessedTicks >= -kEpochTicks ? &accessed : nullptr,
                   &modified)) {
    return SystemError(path);
  }
  return {};
}

LARGE_INTEGER At(std::uint64_t offset) {
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(offset);
  return at;
}

// Symbolic links and junctions redirect a path; other reparse points (cloud files, say) do not.
Kind KindOf(DWORD attributes, DWORD tag) {
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(tag)) return Kind::Link;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Kind::Folder : Kind::File;
}

// What is made in a held folder is made in it by name, as the system's own call does: a link
// already holding the name makes the call fail, never opens what it points to.
constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_TRAVERSE |
                                      FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

Error CreateIn(HANDLE folder, const Path& name, const Path& path, ACCESS_MASK access, ULONG share, ULONG options,
               std::intptr_t& made) {
  const std::wstring& text = name.native();
  if (text.empty() || text.size() > 0x7FFF) return SystemError(path, ERROR_FILENAME_EXCED_RANGE);
  const auto bytes = static_cast<USHORT>(text.size() * sizeof(wchar_t));
  UNICODE_STRING string{bytes, bytes, const_cast<PWSTR>(text.c_str())};
  OBJECT_ATTRIBUTES attributes{};
  InitializeObjectAttributes(&attributes, &string, OBJ_CASE_INSENSITIVE, folder, nullptr);
  IO_STATUS_BLOCK io{};
  HANDLE handle = nullptr;
  const NTSTATUS status = NtCreateFile(&handle, access, &attributes, &io, /* allocationSize= */ nullptr,
                                       FILE_ATTRIBUTE_NORMAL, share, FILE_CREATE, options | FILE_SYNCHRONOUS_IO_NONALERT,
                                       /* eaBuffer= */ nullptr, /* eaLength= */ 0);
  if (!NT_SUCCESS(status)) return SystemError(path, RtlNtStatusToDosError(status));
  made = reinterpret_cast<std::intptr_t>(handle);
  return {};
}

}  // namespace

Failure FailureOf(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return Failure::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return Failure::AccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return Failure::InUse;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return Failure::DiskFull;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return Failure::Exists;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return Failure::NoMemory;
    default:
      return Failure::Io;
  }
}

Error SystemError(const Path& path, DWORD code) {
  wchar_t* words = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 code, 0, reinterpret_cast<wchar_t*>(&words), 0, nullptr);
  std::wstring text = words != nullptr ? words : L"";
  LocalFree(words);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
  return Error{FailureOf(code), path, {}, base::Utf8(text)};
}

// The system's own conversion is used only for the drive or current folder a relative path stands
// on, never for the names after it.
Path Absolute(const Path& path) {
  if (path.native().rfind(LR"(\\?\)", 0) == 0) return path;
  Path absolute = path;
  if (!path.is_absolute()) {
    const std::wstring root = path.root_path().native();  // "C:" of "C:name", "\" of "\name"
    std::wstring base(MAX_PATH, L'\0');
    for (;;) {
      const DWORD size = GetFullPathNameW(root.empty() ? L"." : root.c_str(), static_cast<DWORD>(base.size()),
                                          base.data(), /* filePart= */ nullptr);
      if (size < base.size()) {
        base.resize(size);
        break;
      }
      base.resize(size);
    }
    if (!base.empty()) absolute = Path(base) / path.native().substr(root.size());
  }
  absolute = absolute.lexically_normal();
  if (!absolute.has_filename() && absolute.has_relative_path()) absolute = absolute.parent_path();  // "C:\a\"
  return absolute;
}

std::wstring LongPath(const Path& path) {
  std::wstring absolute = Absolute(path).native();
  if (absolute.rfind(LR"(\\?\)", 0) == 0) return absolute;
  if (absolute.rfind(LR"(\\)", 0) == 0) return LR"(\\?\UNC\)" + absolute.substr(2);
  return LR"(\\?\)" + absolute;
}

bool Taken(const Path& path) { return GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

void File::Close() {
  if (handle_ != -1) CloseHandle(Native(handle_));
  handle_ = -1;
}

Error File::OpenRead(const Path& path, File& file) {
  const HANDLE handle = CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return SystemError(path);
  file = File();
  file.handle_ = reinterpret_cast<std::intptr_t>(handle);
  file.path_ = path;
  return {};
}

Error File::CreateNew(const Path& path, File& file) {
  const HANDLE handle = CreateFileW(LongPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return SystemError(path);
  file = File();
  file.handle_ = reinterpret_cast<std::intptr_t>(handle);
  file.path_ = path;
  return {};
}

Error File::ReadAt(std::uint64_t offset, std::uint8_t* data, std::size_t size, std::size_t& got) const {
  got = 0;
  while (got < size) {
    LARGE_INTEGER at = At(offset + got);
    const auto want = static_cast<ULONG>(std::min<std::size_t>(size - got, 1U << 30));
    IO_STATUS_BLOCK io{};
    const NTSTATUS status = NtReadFile(Native(handle_), /* event= */ nullptr, /* apc= */ nullptr,
                                       /* apcContext= */ nullptr, &io, data + got, want, &at, /* key= */ nullptr);
    if (status == kEndOfFile) break;
    if (!NT_SUCCESS(status)) return SystemError(path_, RtlNtStatusToDosError(status));
    if (io.Information == 0) break;
    got += io.Information;
  }
  return {};
}

Error File::WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size) const {
  std::size_t done = 0;
  while (done < size) {
    LARGE_INTEGER at = At(offset + done);
    const auto want = static_cast<ULONG>(std::min<std::size_t>(size - done, 1U << 30));
    IO_STATUS_BLOCK io{};
    const NTSTATUS status = NtWriteFile(Native(handle_), /* event= */ nullptr, /* apc= */ nullptr,
                                        /* apcContext= */ nullptr, &io, const_cast<std::uint8_t*>(data + done), want,
                                        &at, /* key= */ nullptr);
    if (!NT_SUCCESS(status)) return SystemError(path_, RtlNtStatusToDosError(status));
    if (io.Information == 0) return SystemError(path_, ERROR_DISK_FULL);
    done += io.Information;
  }
  return {};
}

Error File::Size(std::uint64_t& size) const {
  LARGE_INTEGER value{};
  if (!GetFileSizeEx(Native(handle_), &value)) return SystemError(path_);
  size = static_cast<std::uint64_t>(value.QuadPart);
  return {};
}

Error File::Truncate(std::uint64_t size) const {
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  if (!SetFileInformationByHandle(Native(handle_), FileEndOfFileInfo, &end, sizeof end)) return SystemError(path_);
  return {};
}

Error File::SetTimes(const Times& times) const { return SetFileTimes(Native(handle_), times, path_); }

Error File::SetAttributes(const Attributes& attributes) const {
  if (!attributes.readOnly && !attributes.hidden) return {};
  FILE_BASIC_INFO basic{};  // times of zero are left as they are
  basic.FileAttributes = FILE_ATTRIBUTE_ARCHIVE | (attributes.readOnly ? FILE_ATTRIBUTE_READONLY : 0) |
                         (attributes.hidden ? FILE_ATTRIBUTE_HIDDEN : 0);
  if (!SetFileInformationByHandle(Native(handle_), FileBasicInfo, &basic, sizeof basic)) return SystemError(path_);
  return {};
}

void Folder::Close() {
  if (handle_ != -1) CloseHandle(Native(handle_));
  handle_ = -1;
}

Error Folder::Open(const Path& path, Folder& folder) {
  const HANDLE handle = CreateFileW(LongPath(path).c_str(), kFolderAccess, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return SystemError(path);
  folder = Folder();
  folder.handle_ = reinterpret_cast<std::intptr_t>(handle);
  folder.path_ = path;
  return {};
}

// Shared for delete, so that the folder can be moved while it is held.
Error Folder::NewFolder(const Path& name, Folder& made) const {
  const Path path = path_ / name;
  std::intptr_t handle = -1;
  if (Error error = CreateIn(Native(handle_), name, path, kFolderAccess, kShareAll, FILE_DIRECTORY_FILE, handle)) {
    return error;
  }
  made = Folder();
  made.handle_ = handle;
  made.path_ = path;
  return {};
}

Error Folder::NewFile(const Path& name, File& file) const {
  const Path path = path_ / name;
  std::intptr_t handle = -1;
  if (Error error = CreateIn(Native(handle_), name, path, GENERIC_READ | GENERIC_WRITE | SYNCHRONIZE, FILE_SHARE_READ,
                             FILE_NON_DIRECTORY_FILE, handle)) {
    return error;
  }
  file = File();
  file.handle_ = handle;
  file.path_ = path;
  return {};
}

Error Folder::SetTimes(const Times& times) const { return SetFileTimes(Native(handle_), times, path_); }

Error Folder::SetHidden(bool hidden) const {
  if (!hidden) return {};
  FILE_BASIC_INFO basic{};
  if (!GetFileInformationByHandleEx(Native(handle_), FileBasicInfo, &basic, sizeof basic)) return SystemError(path_);
  FILE_BASIC_INFO hide{};  // times of zero are left as they are
  hide.FileAttributes = basic.FileAttributes | FILE_ATTRIBUTE_HIDDEN;
  if (!SetFileInformationByHandle(Native(handle_), FileBasicInfo, &hide, sizeof hide)) return SystemError(path_);
  return {};
}

Error InspectTarget(const Path& path, Status& status) {
  const base::OwnedHandle handle(CreateFileW(LongPath(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll,
                                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return SystemError(path);
  FILE_BASIC_INFO basic{};
  FILE_STANDARD_INFO standard{};
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!GetFileInformationByHandleEx(handle.get(), FileBasicInfo, &basic, sizeof basic) ||
      !GetFileInformationByHandleEx(handle.get(), FileStandardInfo, &standard, sizeof standard) ||
      !GetFileInformationByHandleEx(handle.get(), FileAttributeTagInfo, &tag, sizeof tag)) {
    return SystemError(path);
  }
  status.kind = KindOf(tag.FileAttributes, tag.ReparseTag);
  status.size = static_cast<std::uint64_t>(standard.EndOfFile.QuadPart);
  status.times = {FromLarge(basic.LastWriteTime), FromLarge(basic.LastAccessTime), FromLarge(basic.CreationTime)};
  status.attributes = AttributesOf(basic.FileAttributes);
  return {};
}

Error List(const Path& folder, std::vector<std::pair<Path, Status>>& items) {
  WIN32_FIND_DATAW found{};
  const base::OwnedSearch search(FindFirstFileExW(LongPath(folder / L"*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                       nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!search) return SystemError(folder);
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    Status status;
    status.kind = KindOf(found.dwFileAttributes, found.dwReserved0);
    status.size = (std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
    status.times = {FromFileTime(found.ftLastWriteTime), FromFileTime(found.ftLastAccessTime),
                    FromFileTime(found.ftCreationTime)};
    status.attributes = AttributesOf(found.dwFileAttributes);
    items.emplace_back(Path(name), status);
  } while (FindNextFileW(search.get(), &found));
  if (GetLastError() != ERROR_NO_MORE_FILES) return SystemError(folder);
  return {};
}

Error Remove(const Path& file) {
  if (!DeleteFileW(LongPath(file).c_str())) return SystemError(file);
  return {};
}

Error FreeSpace(const Path& folder, std::uint64_t& bytes) {
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(LongPath(folder).c_str(), &available, nullptr, nullptr)) return SystemError(folder);
  bytes = available.QuadPart;
  return {};
}

bool ToLocal(std::int64_t seconds, Civil& civil) {
  const FILETIME time = ToFileTime(seconds * kTicksPerSecond);
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  if (seconds < -kEpochDifference || !FileTimeToSystemTime(&time, &utc) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    return false;
  }
  civil = {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
  return true;
}

bool FromLocal(const Civil& civil, std::int64_t& seconds) {
  SYSTEMTIME local{};
  local.wYear = static_cast<WORD>(civil.year);
  local.wMonth = static_cast<WORD>(civil.month);
  local.wDay = static_cast<WORD>(civil.day);
  local.wHour = static_cast<WORD>(civil.hour);
  local.wMinute = static_cast<WORD>(civil.minute);
  local.wSecond = static_cast<WORD>(civil.second);
  SYSTEMTIME utc{};
  FILETIME time{};
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &time)) return false;
  seconds = Seconds(FromFileTime(time));
  return true;
}

unsigned Cores() {
  const DWORD count = GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
  return count > 0 ? count : 1;
}

std::optional<std::string> InCodePage(const std::string& utf8, CodePage page) {
  const int size = static_cast<int>(utf8.size());
  const int wideSize = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
  if (wideSize <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), wideSize);
  const UINT codePage = page == CodePage::Ansi ? CP_ACP : CP_OEMCP;
  BOOL lossy = FALSE;
  const int length = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), wideSize, nullptr, 0,
                                         /* defaultChar= */ nullptr, &lossy);
  std::optional<std::string> bytes;
  if (length > 0 && !lossy) {
    bytes.emplace(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), wideSize, bytes->data(), length, nullptr, &lossy);
  }
  SecureZeroMemory(wide.data(), wide.size() * sizeof(wchar_t));
  if (lossy) bytes.reset();
  return bytes;
}

struct Mutex::Impl {
  SRWLOCK lock = SRWLOCK_INIT;
};
Mutex::Mutex() : impl_(std::make_unique<Impl>()) {}
Mutex::~Mutex() = default;
void Mutex::Lock() { AcquireSRWLockExclusive(&impl_->lock); }
void Mutex::Unlock() { ReleaseSRWLockExclusive(&impl_->lock); }

struct Condition::Impl {
  CONDITION_VARIABLE condition = CONDITION_VARIABLE_INIT;
};
Condition::Condition() : impl_(std::make_unique<Impl>()) {}
Condition::~Condition() = default;
void Condition::Wait(Mutex& mutex, unsigned milliseconds) {
  SleepConditionVariableSRW(&impl_->condition, &mutex.impl_->lock, milliseconds, 0);
}
void Condition::NotifyAll() { WakeAllConditionVariable(&impl_->condition); }

struct Thread::Impl {
  std::function<void()> body;
  HANDLE handle = nullptr;
};

namespace {
unsigned __stdcall Start(void* impl) {
  static_cast<std::function<void()>*>(impl)->operator()();
  return 0;
}
}  // namespace

Thread::Thread(std::function<void()> body) : impl_(std::make_unique<Impl>()) {
  impl_->body = std::move(body);
  const std::uintptr_t handle = _beginthreadex(nullptr, 0, Start, &impl_->body, 0, nullptr);
  if (handle == 0) throw runtime::Thrown("no thread: ", std::strerror(errno));
  impl_->handle = reinterpret_cast<HANDLE>(handle);
}

Thread::~Thread() {
  WaitForSingleObject(impl_->handle, INFINITE);
  CloseHandle(impl_->handle);
}

}  // namespace zip::os

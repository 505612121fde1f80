// The least an extractor can do, the yardstick for Spillet.exe under Wine: reads a zip's central
// directory (stored and deflate only, trusting it), makes the folders, then on as many threads
// as Spillet uses creates each file, inflates into it with zlib, sets its modification time
// through the handle and closes it. No checks, no safety, no progress.
//   bare_unzip.exe ARCHIVE FOLDER   (both absolute)
#include <windows.h>
#include <zlib.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

struct Entry {
  std::wstring name;  // with "\"
  std::uint16_t method = 0;
  std::uint16_t dosTime = 0, dosDate = 0;
  std::uint32_t compressedSize = 0, size = 0, localOffset = 0;
};

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) { return U16(p) | static_cast<std::uint32_t>(U16(p + 2)) << 16; }

bool ReadAt(HANDLE file, std::uint64_t offset, void* data, DWORD size) {
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(offset);
  DWORD got = 0;
  return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ReadFile(file, data, size, &got, nullptr) && got == size;
}

HANDLE OpenArchive(const std::wstring& path) {
  return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

bool ReadDirectory(const std::wstring& archive, std::vector<Entry>& entries) {
  const HANDLE file = OpenArchive(archive);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  const auto tailSize = static_cast<DWORD>(size.QuadPart < 65557 ? size.QuadPart : 65557);
  std::vector<std::uint8_t> tail(tailSize);
  bool ok = ReadAt(file, static_cast<std::uint64_t>(size.QuadPart) - tailSize, tail.data(), tailSize);
  std::size_t end = tailSize >= 22 ? tailSize - 22 : 0;
  while (ok && end > 0 && U32(&tail[end]) != 0x06054b50) --end;
  std::vector<std::uint8_t> directory(ok ? U32(&tail[end + 12]) : 0);
  ok = ok && ReadAt(file, U32(&tail[end + 16]), directory.data(), static_cast<DWORD>(directory.size()));
  CloseHandle(file);
  for (std::size_t at = 0; ok && at + 46 <= directory.size();) {
    const std::uint8_t* h = &directory[at];
    Entry entry;
    entry.method = U16(h + 10);
    entry.dosTime = U16(h + 12);
    entry.dosDate = U16(h + 14);
    entry.compressedSize = U32(h + 20);
    entry.size = U32(h + 24);
    entry.localOffset = U32(h + 42);
    const int nameLength = U16(h + 28);
    entry.name.resize(static_cast<std::size_t>(nameLength));
    entry.name.resize(static_cast<std::size_t>(MultiByteToWideChar(
        CP_UTF8, 0, reinterpret_cast<const char*>(h + 46), nameLength, entry.name.data(), nameLength)));
    for (wchar_t& c : entry.name) c = c == L'/' ? L'\\' : c;
    entries.push_back(std::move(entry));
    at += 46 + nameLength + U16(h + 30) + U16(h + 32);
  }
  return ok;
}

class Extractor {
 public:
  Extractor(std::wstring archive, std::wstring folder, const std::vector<Entry>& entries)
      : archive_(std::move(archive)), folder_(std::move(folder)), entries_(entries) {}

  bool Run() {
    std::set<std::wstring> made;
    CreateDirectoryW(folder_.c_str(), nullptr);
    for (const Entry& entry : entries_) {
      for (std::size_t slash = entry.name.find(L'\\'); slash != std::wstring::npos;
           slash = entry.name.find(L'\\', slash + 1)) {
        const std::wstring folder = entry.name.substr(0, slash);
        if (made.insert(folder).second && !CreateDirectoryW((folder_ + L"\\" + folder).c_str(), nullptr)) return false;
      }
    }
    std::vector<HANDLE> threads(GetActiveProcessorCount(ALL_PROCESSOR_GROUPS));
    for (HANDLE& thread : threads) {
      thread = CreateThread(nullptr, 0, Start, this, 0, nullptr);
    }
    WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE);
    for (const HANDLE thread : threads) CloseHandle(thread);
    return !failed_;
  }

 private:
  static DWORD WINAPI Start(void* self) { return static_cast<Extractor*>(self)->Work(); }

  DWORD Work() {
    const HANDLE archive = OpenArchive(archive_);
    std::vector<std::uint8_t> input(256 * 1024), output(256 * 1024);
    z_stream stream{};
    inflateInit2(&stream, -15);
    for (std::size_t i = next_++; i < entries_.size() && !failed_; i = next_++) {
      if (!Extract(archive, entries_[i], stream, input, output)) failed_ = true;
    }
    inflateEnd(&stream);
    CloseHandle(archive);
    return 0;
  }

  bool Extract(HANDLE archive, const Entry& entry, z_stream& stream, std::vector<std::uint8_t>& input,
               std::vector<std::uint8_t>& output) {
    if (entry.name.empty() || entry.name.back() == L'\\') return true;
    std::uint8_t local[30];
    if (!ReadAt(archive, entry.localOffset, local, sizeof local)) return false;
    LARGE_INTEGER skip{};
    skip.QuadPart = U16(local + 26) + U16(local + 28);
    if (!SetFilePointerEx(archive, skip, nullptr, FILE_CURRENT)) return false;
    const HANDLE out = CreateFileW((folder_ + L"\\" + entry.name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    inflateReset(&stream);
    for (std::uint32_t left = entry.compressedSize; ok && left > 0;) {
      DWORD got = 0;
      const DWORD want = left < input.size() ? left : static_cast<DWORD>(input.size());
      ok = ReadFile(archive, input.data(), want, &got, nullptr) && got == want;
      left -= want;
      DWORD written = 0;
      if (entry.method == 0) {
        ok = ok && WriteFile(out, input.data(), got, &written, nullptr);
        continue;
      }
      stream.next_in = input.data();
      stream.avail_in = got;
      // Z_BUF_ERROR: all given was used and nothing more was pending.
      for (int result = Z_OK; ok && result == Z_OK && (stream.avail_in > 0 || stream.avail_out == 0);) {
        stream.next_out = output.data();
        stream.avail_out = static_cast<uInt>(output.size());
        result = inflate(&stream, Z_NO_FLUSH);
        ok = (result == Z_OK || result == Z_STREAM_END || result == Z_BUF_ERROR) &&
             WriteFile(out, output.data(), static_cast<DWORD>(output.size() - stream.avail_out), &written, nullptr);
      }
    }
    FILETIME localTime{}, time{};
    ok = ok && DosDateTimeToFileTime(entry.dosDate, entry.dosTime, &localTime) &&
         LocalFileTimeToFileTime(&localTime, &time) && SetFileTime(out, nullptr, nullptr, &time);
    CloseHandle(out);
    return ok;
  }

  const std::wstring archive_, folder_;
  const std::vector<Entry>& entries_;
  std::atomic<std::size_t> next_{0};
  std::atomic<bool> failed_{false};
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  const std::wstring archive = std::wstring(L"\\\\?\\") + argv[1], folder = std::wstring(L"\\\\?\\") + argv[2];
  std::vector<Entry> entries;
  if (!ReadDirectory(archive, entries)) return 1;
  return Extractor(archive, folder, entries).Run() ? 0 : 1;
}

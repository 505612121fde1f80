#include "engine/tar/entries.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

#include "engine/codec/bytes.h"
#include "engine/tar/sparse.h"
#include "engine/names/text.h"

namespace zip {
namespace {

// Longer names and pax records than any file system holds are not names but a bomb.
constexpr std::uint64_t kMostRecord = std::uint64_t{1} << 20;

Error Damaged(const std::string& entry, const std::string& detail) {
  return Error{Failure::Damaged, {}, entry, detail};
}


std::uint64_t Padded(std::uint64_t size) { return (size + kTarBlock - 1) / kTarBlock * kTarBlock; }

// The record's data, padded to whole blocks in the stream.
Error ReadRecord(Stream& stream, const TarHeader& header, std::string& data) {
  if (header.size > kMostRecord) return Damaged(NameText(header.name), "a tar record is too long");
  data.resize(static_cast<std::size_t>(header.size));
  std::size_t got = 0;
  if (Error error = stream.Read(reinterpret_cast<std::uint8_t*>(data.data()), data.size(), got)) return error;
  if (got != data.size()) return Damaged({}, "the archive ends early");
  return stream.Skip(Padded(header.size) - header.size);
}

struct Pax {
  std::optional<std::string> path;  // "linkpath" is not kept: links are not extracted
  std::optional<std::uint64_t> size;
  std::optional<std::int64_t> modified;
  SparsePax sparse;
};

bool Decimal(std::string_view text, std::uint64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// "LENGTH KEY=VALUE\n" records, LENGTH counting the whole record.
Error ReadPax(std::string_view data, Pax& pax) {
  while (!data.empty()) {
    const std::size_t space = data.find(' ');
    std::uint64_t length = 0;
    if (space == std::string_view::npos || !Decimal(data.substr(0, space), length) || length <= space + 1 ||
        length > data.size() || data[length - 1] != '\n') {
      return Damaged({}, "a pax record's length does not hold");
    }
    const std::string_view record = data.substr(space + 1, length - space - 2);
    data.remove_prefix(length);
    const std::size_t equals = record.find('=');
    if (equals == std::string_view::npos) return Damaged({}, "a pax record has no value");
    const std::string_view key = record.substr(0, equals), value = record.substr(equals + 1);
    // An empty value deletes the key's record, so that the header's own field counts again.
    if (value.empty()) {
      if (key == "path") pax.path.reset();
      if (key == "size") pax.size.reset();
      if (key == "mtime") pax.modified.reset();
      continue;
    }
    if (key == "path") pax.path = std::string(value);
    if (key == "size") {
      std::uint64_t size = 0;
      if (!Decimal(value, size)) return Damaged({}, "a pax size is no number");
      pax.size = size;
    }
    if (key.starts_with("GNU.sparse.")) {
      if (Error error = ReadSparseRecord(key, value, pax.sparse)) return error;
    }
    if (key == "mtime") {
      // Seconds, perhaps negative, perhaps with a fraction that a file's time here does not keep.
      const std::string_view whole = value.substr(0, value.find('.'));
      std::int64_t seconds = 0;
      const auto [end, error] = std::from_chars(whole.data(), whole.data() + whole.size(), seconds);
      if (end != whole.data() + whole.size() || (error != std::errc() && error != std::errc::result_out_of_range)) {
        return Damaged({}, "a pax time is no number");
      }
      // One past any number is past any time a file keeps: left unset, as the header's would be.
      if (error == std::errc::result_out_of_range) seconds = whole.starts_with('-') ? INT64_MIN : INT64_MAX;
      pax.modified = seconds;
    }
  }
  return {};
}

// What each type of header stands for, and whether data follows it in the stream whatever its
// size field says, as POSIX's pax and GNU tar read it (libarchive reads the same).
enum class Role { PaxRecords, GlobalRecords, LongName, Unused, File, Sparse, Folder, Link, Special, Label, Continued };
enum class Data { None, Size, InPax };
struct TarType {
  char flag;
  Role role;
  Data data;
};
constexpr TarType kTarTypes[] = {
    {'0', Role::File, Data::Size},
    {'\0', Role::File, Data::Size},
    {'7', Role::File, Data::Size},  // contiguous
    // POSIX's pax lets a hard link carry its file's data; ustar gives it none, nor does GNU tar.
    {'1', Role::Link, Data::InPax},
    {'2', Role::Link, Data::None},
    {'3', Role::Special, Data::None},
    {'4', Role::Special, Data::None},
    {'5', Role::Folder, Data::None},
    {'6', Role::Special, Data::None},
    {'D', Role::Folder, Data::Size},  // GNU's listing of the folder's names, passed over
    {'S', Role::Sparse, Data::Size},  // GNU's old sparse file: the stretches its map names
    {'V', Role::Label, Data::Size},   // GNU's volume label
    {'M', Role::Continued, Data::Size},  // a file's rest, begun on another volume
    {'x', Role::PaxRecords, Data::Size},
    {'X', Role::PaxRecords, Data::Size},  // Solaris tar's older 'x'
    {'g', Role::GlobalRecords, Data::Size},
    {'L', Role::LongName, Data::Size},
    {'K', Role::Unused, Data::Size},  // GNU's long link name: links are not extracted
    {'A', Role::Unused, Data::Size},  // Solaris tar's ACL of the next entry, under its name
};

// Types unknown are files, as POSIX says.
TarType TypeOf(char flag) {
  for (const TarType& type : kTarTypes) {
    if (type.flag == flag) return type;
  }
  return {flag, Role::File, Data::Size};
}

}  // namespace

std::optional<os::Times> TarTimes(std::int64_t seconds) {
  constexpr std::int64_t kFirst = -11644473600, kLast = 253402300799, kTicks = 10000000;
  if (seconds < kFirst || seconds > kLast) return std::nullopt;
  return os::Times{.modified = seconds * kTicks, .accessed = {}, .created = {}};
}

std::string NameText(std::string_view name) {
  if (IsUtf8(name)) return std::string(name);
  std::string text;
  for (const char c : name) AppendUtf8(text, static_cast<std::uint8_t>(c));
  return text;
}

Error ReadTarCatalog(Stream& stream, Catalog& catalog, const KeepData& keep) {
  std::array<std::uint8_t, kTarBlock> block{};
  Pax pax;
  std::optional<std::string> longName;
  bool paxArchive = false;  // a pax header seen: hard links may carry data
  bool awaited = false;     // an extended header read, its entry not yet
  std::size_t zeroBlocks = 0;  // in a row: two end the archive
  std::size_t extentBudget = kMostExtents;
  for (;;) {
    std::size_t got = 0;
    if (Error error = stream.Read(block.data(), block.size(), got)) return error;
    const bool zeros = std::all_of(block.begin(), block.begin() + got, [](std::uint8_t b) { return b == 0; });
    if (awaited && zeros) return Damaged({}, "the archive ends between an extended header and its entry");
    if (got == 0) break;  // writers that leave out the end blocks
    // Zeros end an archive, but another may follow them (cat a.tar b.tar): read on, as GNU tar -i does.
    if (zeros) {
      ++zeroBlocks;
      continue;
    }
    // Past an end block, less than a block holds no header; past the two end blocks, what is no
    // header is the last record's padding, which old writers left unwiped.
    if (got != block.size()) return zeroBlocks >= 1 ? stream.Finish() : Damaged({}, "the archive ends early");
    TarHeader header;
    if (Error error = ReadTarHeader(block, header)) return zeroBlocks >= 2 ? stream.Finish() : error;
    zeroBlocks = 0;
    const TarType type = TypeOf(header.type);
    std::string record;
    switch (type.role) {
      case Role::PaxRecords:
        paxArchive = awaited = true;
        if (Error error = ReadRecord(stream, header, record)) return error;
        if (Error error = ReadPax(record, pax)) return error;
        continue;
      case Role::GlobalRecords:  // global defaults: nothing here that a name or a time needs
        paxArchive = true;
        if (Error error = ReadRecord(stream, header, record)) return error;
        continue;
      case Role::LongName:
        awaited = true;
        if (Error error = ReadRecord(stream, header, record)) return error;
        longName = record.substr(0, record.find('\0'));
        continue;
      case Role::Unused:  // about the next entry, nothing extraction keeps
        awaited = true;
        if (Error error = ReadRecord(stream, header, record)) return error;
        continue;
      default:
        break;
    }
    awaited = false;
    Entry entry;
    const std::optional<std::string>& path = pax.sparse.name ? pax.sparse.name : pax.path;
    entry.name = NameText(path ? *path : longName ? *longName : header.name);
    entry.storedName = entry.name;
    const bool carries = type.data == Data::Size || (type.data == Data::InPax && paxArchive);
    const std::uint64_t size = !carries ? 0 : pax.size ? *pax.size : header.size;
    entry.times = TarTimes(pax.modified ? *pax.modified : header.modified);
    if (size > INT64_MAX) return Damaged(entry.name, "its size is past any file's");  // and past padding
    const SparsePax sparse = std::move(pax.sparse);
    pax = {};
    longName.reset();
    std::uint64_t consumed = 0;  // of the data, by a sparse map
    entry.dataOffset = stream.position();
    switch (type.role) {
      case Role::Sparse:
        if (Error error = ReadOldGnuSparse(block, stream, size, entry, extentBudget)) return error;
        break;
      case Role::File:
        if (sparse.Sparse()) {
          if (Error error = ReadPaxSparse(sparse, stream, size, entry, extentBudget, consumed)) return error;
          break;
        }
        entry.folder = !entry.name.empty() && entry.name.back() == '/';
        entry.size = entry.compressedSize = entry.folder ? 0 : size;
        break;
      case Role::Continued:
        return Error{Failure::UnsupportedMethod, {}, entry.name, "GNU tar's multi-volume format"};
      case Role::Label:
        if (Error error = stream.Skip(Padded(size))) return error;
        continue;
      case Role::Link:
        entry.link = true;
        break;
      case Role::Special:
        entry.special = true;
        break;
      default:  // a folder
        entry.folder = true;
        break;
    }
    if (entry.size > INT64_MAX) return Damaged(entry.name, "its size is past any file's");
    if (keep && (type.role == Role::File || type.role == Role::Sparse) && !entry.folder) {
      const std::uint64_t before = stream.position();
      if (Error error = keep(entry, stream)) return error;
      consumed += stream.position() - before;
    }
    if (Error error = stream.Skip(Padded(size) - consumed)) {
      return error.kind == Failure::Damaged ? Damaged(entry.name, "the archive ends before its data does") : error;
    }
    catalog.entries.push_back(std::move(entry));
  }
  return stream.Finish();
}

Error ReadGzipCatalog(Stream& stream, Catalog& catalog, const os::File& into,
                      const std::function<Error(std::uint64_t bytes)>& reserve) {
  Bytes buffer(std::size_t{256} * 1024);
  for (std::size_t got = buffer.size(); got == buffer.size();) {
    const std::uint64_t at = stream.position();
    if (Error error = stream.Read(buffer.data(), buffer.size(), got)) return error;
    if (got > 0) {
      if (Error error = reserve(got)) return error;
      if (Error error = into.WriteAt(at, buffer.data(), got)) return error;
    }
  }
  Entry entry;
  entry.size = entry.compressedSize = stream.position();
  catalog.entries.push_back(std::move(entry));
  return {};
}

}  // namespace zip

#include "engine/sevenzip/sevenzip_archive.h"

#include <Sha256.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "engine/names/text.h"

namespace zip::sevenzip {
namespace {

// A header encoded in one more header is read again, but not without end.
constexpr int kMostHeaderRounds = 4;
// What an encoded header may unpack to: far past any real archive's, short of a bomb's.
constexpr std::uint64_t kMostHeader = sizeof(void*) == 4 ? std::uint64_t{256} << 20 : std::uint64_t{1} << 30;
// 7-Zip's own limit on the key derivation's cost: 2^24 rounds.
constexpr unsigned kMostCost = 24;
constexpr unsigned kNoHash = 0x3F;  // the key is the salt and password as they are
// A password is tried on the first file of the smallest encrypted folder, this much of it at most.
constexpr std::uint64_t kTrial = std::uint64_t{1} << 20;

Error Damaged(const std::string& what) { return Error{Failure::Damaged, {}, {}, "its 7z " + what}; }

std::uint32_t Crc(std::uint32_t crc, std::span<const std::uint8_t> bytes) {
  return static_cast<std::uint32_t>(crc32(crc, bytes.data(), static_cast<uInt>(bytes.size())));
}

// Windows attributes, with POSIX's mode in the high half when bit 15 says so (p7zip, 7-Zip for Linux).
constexpr std::uint32_t kReadOnly = 0x01, kHidden = 0x02, kDirectory = 0x10, kReparsePoint = 0x400;
constexpr std::uint32_t kUnixExtension = 0x8000;
bool IsLink(std::uint32_t attributes) {
  if ((attributes & kReparsePoint) != 0) return true;
  return (attributes & kUnixExtension) != 0 && ((attributes >> 16) & 0170000) == 0120000;
}

// The files' data, folder after folder, from the first folder given to before the end one.
class DataStream final : public Stream {
 public:
  DataStream(const os::File& file, const Streams& streams, const std::vector<std::string>& names, const KeyFor& keyFor,
             std::size_t folder, std::size_t end, std::size_t fileIndex, std::uint64_t position)
      : file_(file), streams_(streams), names_(names), keyFor_(keyFor), folder_(folder), end_(end),
        file_index_(fileIndex) {
    position_ = position;
  }

  Error Read(std::uint8_t* data, std::size_t size, std::size_t& got) override {
    got = 0;
    while (got < size) {
      if (Error error = CheckCancelled()) return error;
      // A folder is done once each of its files is, those of no bytes at its end too.
      if (filesLeft_ == 0) {
        if (folder_ == end_) break;
        if (Error error = NextFolder()) return error;
        continue;
      }
      if (!inFile_) {
        inFile_ = true;
        leftInFile_ = streams_.sizes[file_index_];
        crc_ = Crc(0, {});
      }
      const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(size - got, leftInFile_));
      if (want > 0) {
        std::size_t read = 0;
        if (Error error = source_->Read({data + got, want}, read)) return Named(std::move(error));
        if (read != want) return Named(Damaged("data ends before its files do"));
        crc_ = Crc(crc_, {data + got, read});
        if (folderCrc_) folderCrc_->second = Crc(folderCrc_->second, {data + got, read});
        got += read;
        leftInFile_ -= read;
      }
      if (leftInFile_ == 0) {
        if (Error error = EndFile()) return error;
      }
    }
    position_ += got;
    return {};
  }

  Error Skip(std::uint64_t size) override { return SkipByReading(size, scratch_); }

  Error Finish() override { return {}; }

 private:
  // The next folder that holds files; those of none are passed over undecoded.
  Error NextFolder() {
    source_.reset();
    while (folder_ < end_ && streams_.perFolder[folder_] == 0) ++folder_;
    if (folder_ == end_) return {};
    const std::size_t folder = folder_++;
    filesLeft_ = streams_.perFolder[folder];
    // A folder of several files may have its own CRC beside or instead of theirs: both are checked.
    folderCrc_.reset();
    if (const auto& crc = streams_.folders[folder].crc; crc && filesLeft_ > 1) folderCrc_.emplace(*crc, Crc(0, {}));
    if (streams_.folders[folder].size() == 0) return {};  // empty files only: nothing to decode
    return OpenFolder(file_, kSignatureHeaderSize, streams_, folder, keyFor_, source_);
  }

  // The file read whole: its CRC, and the folder's after its last file. Files of no bytes after
  // it are done with it, so that the folder's end is seen when its data ends.
  Error EndFile() {
    for (;;) {
      const auto& expected = streams_.crcs[file_index_];
      if (expected && *expected != crc_) return Named(Damaged("data fails its CRC"));
      if (--filesLeft_ == 0 && folderCrc_ && folderCrc_->first != folderCrc_->second) {
        return Named(Damaged("data fails its folder's CRC"));
      }
      ++file_index_;
      inFile_ = false;
      if (filesLeft_ == 0 || streams_.sizes[file_index_] != 0) return {};
      crc_ = Crc(0, {});
    }
  }

  Error Named(Error error) {
    if (error.entry.empty() && file_index_ < names_.size()) error.entry = names_[file_index_];
    return error;
  }

  const os::File& file_;
  const Streams& streams_;
  const std::vector<std::string>& names_;
  const KeyFor& keyFor_;
  std::unique_ptr<Source> source_;
  std::size_t folder_;            // the next folder to open
  const std::size_t end_;
  std::size_t file_index_;       // the file being read, among those with data
  std::uint32_t filesLeft_ = 0;  // in the open folder, the one being read among them
  bool inFile_ = false;
  std::uint64_t leftInFile_ = 0;
  std::uint32_t crc_ = 0;
  std::optional<std::pair<std::uint32_t, std::uint32_t>> folderCrc_;  // expected, so far
  Bytes scratch_ = Bytes(std::size_t{256} * 1024);
};

Bytes Utf16(const std::string& utf8) {
  Bytes out;
  for (std::size_t at = 0; at < utf8.size();) {
    char32_t point = NextCodePoint(utf8, at);
    if (point >= 0x10000) {
      point -= 0x10000;
      const char16_t high = static_cast<char16_t>(0xD800 + (point >> 10));
      out.push_back(static_cast<std::uint8_t>(high));
      out.push_back(static_cast<std::uint8_t>(high >> 8));
      point = 0xDC00 + (point & 0x3FF);
    }
    out.push_back(static_cast<std::uint8_t>(point));
    out.push_back(static_cast<std::uint8_t>(point >> 8));
  }
  return out;
}

}  // namespace

std::optional<AesKey> DeriveKey(std::span<const std::uint8_t> properties, const std::string& password) {
  unsigned cost = 0;
  std::span<const std::uint8_t> salt;
  if (!properties.empty()) {
    cost = properties[0] & 0x3F;
    if (properties.size() >= 2) {
      const std::size_t size = (properties[0] >> 7 & 1) + (properties[1] >> 4);
      if (properties.size() < 2 + size) return std::nullopt;
      salt = properties.subspan(2, size);
    }
  }
  const Bytes utf16 = Utf16(password);
  AesKey key{};
  if (cost == kNoHash) {
    Bytes plain(salt.begin(), salt.end());
    plain.insert(plain.end(), utf16.begin(), utf16.end());
    std::memcpy(key.bytes, plain.data(), std::min(plain.size(), sizeof key.bytes));
    return key;
  }
  if (cost > kMostCost) return std::nullopt;
  Bytes round(salt.begin(), salt.end());
  round.insert(round.end(), utf16.begin(), utf16.end());
  const std::size_t counter = round.size();
  round.resize(counter + 8, 0);
  CSha256 sha;
  Sha256_Init(&sha);
  for (std::uint64_t i = 0; i < (std::uint64_t{1} << cost); ++i) {
    Sha256_Update(&sha, round.data(), round.size());
    for (std::size_t b = counter; b < round.size() && ++round[b] == 0; ++b) {
    }
  }
  Sha256_Final(&sha, key.bytes);
  std::fill(round.begin(), round.end(), 0);  // the password in it
  return key;
}

std::optional<AesKey> Archive::Key(std::span<const std::uint8_t> properties) {
  os::Guard guard(keysMutex_);  // workers decode folders side by side
  if (!password_) return std::nullopt;
  const Bytes key(properties.begin(), properties.end());
  auto it = keys_.find(key);
  if (it == keys_.end()) it = keys_.emplace(key, DeriveKey(properties, *password_)).first;
  return it->second;
}

Error Archive::AskPassword(Observer& observer, bool wrong) {
  const std::optional<PasswordAnswer> answer = observer.Password(PasswordQuestion{wrong, {}});
  if (!answer) return Error{Failure::Encrypted, {}, {}, "no password was given"};
  password_ = answer->password;
  keys_.clear();
  return {};
}

Error Archive::Decode(const Streams& streams, std::size_t folder, Bytes& out) {
  const std::uint64_t size = streams.folders[folder].size();
  if (size > kMostHeader) return Error{Failure::TooLarge, {}, {}, "its 7z header claims " + std::to_string(size) + " bytes"};
  std::unique_ptr<Source> source;
  if (Error error = OpenFolder(file_, kSignatureHeaderSize, streams, folder, keyFor_, source)) return error;
  out.resize(static_cast<std::size_t>(size));
  std::size_t got = 0;
  if (Error error = source->Read(out, got)) return error;
  if (got != out.size()) return Damaged("header ends early");
  const auto& crc = streams.folders[folder].crc;
  if (crc && *crc != Crc(0, out)) return Damaged("header fails its CRC");
  return {};
}

Error Archive::ReadHeaderBytes(Observer& observer, Bytes& bytes) {
  std::uint8_t signature[kSignatureHeaderSize];
  std::size_t got = 0;
  if (Error error = file_.ReadAt(0, signature, sizeof signature, got)) return error;
  Start start;
  if (Error error = ReadStart({signature, got}, start)) return error;
  std::uint64_t fileSize = 0;
  if (Error error = file_.Size(fileSize)) return error;
  const std::uint64_t room = fileSize - kSignatureHeaderSize;
  if (start.offset > room || start.size > room - start.offset) return Damaged("archive ends early (a part of it is missing)");
  if (start.size == 0) return {};  // an empty archive
  bytes.resize(static_cast<std::size_t>(start.size));
  if (Error error = file_.ReadAt(kSignatureHeaderSize + start.offset, bytes.data(), bytes.size(), got)) return error;
  if (got != bytes.size() || Crc(0, bytes) != start.crc) return Damaged("header fails its CRC");
  for (int round = 0; !bytes.empty() && bytes[0] == kEncodedHeader; ++round) {
    if (round == kMostHeaderRounds) return Damaged("header is encoded without end");
    Streams streams;
    if (Error error = ReadEncodedHeader(bytes, streams)) return error;
    const bool encrypted = Encrypted(streams.folders[0]);
    if (encrypted && !password_) {
      if (Error error = AskPassword(observer, false)) return error;
    }
    Bytes plain;
    // A wrong password decrypts to what does not decode, or fails the header's CRC.
    for (Error error = Decode(streams, 0, plain); error; error = Decode(streams, 0, plain)) {
      if (!encrypted || error.kind != Failure::Damaged) return error;
      if (Error asked = AskPassword(observer, true)) return asked;
    }
    bytes = std::move(plain);
  }
  return {};
}

// The first file of the smallest encrypted folder, or its first MiB, decoded: a wrong password
// makes data that does not decode, or fails its CRC.
Error Archive::CheckPassword(Observer& observer) {
  const Streams& streams = header_.streams;
  std::optional<std::size_t> smallest;
  std::size_t firstFile = 0, smallestFile = 0;
  for (std::size_t f = 0; f < streams.folders.size(); firstFile += streams.perFolder[f], ++f) {
    if (!Encrypted(streams.folders[f]) || streams.perFolder[f] == 0) continue;
    if (!smallest || streams.folders[f].size() < streams.folders[*smallest].size()) {
      smallest = f;
      smallestFile = firstFile;
    }
  }
  if (!smallest) return {};
  if (!password_) {
    if (Error error = AskPassword(observer, false)) return error;
  }
  const std::uint64_t fileSize = streams.sizes[smallestFile];
  const bool whole = fileSize <= kTrial;
  Bytes trial(static_cast<std::size_t>(whole ? fileSize : kTrial));
  for (;;) {
    std::unique_ptr<Source> source;
    Error error = OpenFolder(file_, kSignatureHeaderSize, streams, *smallest, keyFor_, source);
    std::size_t got = 0;
    if (!error) error = source->Read(trial, got);
    if (!error && got != trial.size()) error = Damaged("data ends early");
    const auto& crc = streams.crcs[smallestFile];
    if (!error && whole && crc && *crc != Crc(0, trial)) error = Damaged("data fails its CRC");
    if (!error) return {};
    if (error.kind != Failure::Damaged) return error;
    if (Error asked = AskPassword(observer, true)) return asked;
  }
}

Error Archive::Open(Observer& observer, Catalog& catalog) {
  Bytes bytes;
  if (Error error = ReadHeaderBytes(observer, bytes)) return error;
  if (!bytes.empty()) {
    if (Error error = ReadHeader(bytes, header_)) return error;
  }
  const Streams& streams = header_.streams;
  // The packed streams within the file, and each folder's files within its output.
  std::uint64_t fileSize = 0;
  if (Error error = file_.Size(fileSize)) return error;
  std::uint64_t end = kSignatureHeaderSize + streams.packPosition;
  if (end < streams.packPosition) return Damaged("header does not check out");
  for (const std::uint64_t size : streams.packSizes) {
    if (size > fileSize || end > fileSize - size) return Damaged("archive ends early (a part of it is missing)");
    end += size;
  }
  if (Error error = CheckPassword(observer)) return error;
  std::uint64_t start = 0;
  std::size_t first = 0;
  for (std::size_t f = 0; f < streams.folders.size(); ++f) {
    folderStart_.push_back(start);
    folderFirstFile_.push_back(first);
    for (std::uint32_t i = 0; i < streams.perFolder[f]; ++i) start += streams.sizes[first + i];
    first += streams.perFolder[f];
  }
  folderEnd_ = start;

  std::uint64_t offset = 0;
  std::size_t stream = 0;
  for (const Item& item : header_.items) {
    if (item.anti) continue;
    Entry entry;
    entry.name = entry.storedName = item.name;
    const std::uint32_t attributes = item.attributes.value_or(0);
    entry.folder = item.folder || (!item.hasData && (attributes & kDirectory) != 0);
    entry.link = !entry.folder && IsLink(attributes);
    entry.attributes = {(attributes & kReadOnly) != 0, (attributes & kHidden) != 0};
    if (const auto modified = item.modified ? os::FromFileTime(*item.modified) : std::nullopt) {
      entry.times = os::Times{*modified, item.accessed ? os::FromFileTime(*item.accessed) : std::nullopt,
                              item.created ? os::FromFileTime(*item.created) : std::nullopt};
    }
    if (item.hasData) {
      entry.size = entry.compressedSize = streams.sizes[stream];
      entry.dataOffset = offset;
      if (const auto& crc = streams.crcs[stream]) entry.crc = *crc;
      offset += entry.size;
      names_.push_back(item.name);
      ++stream;
    } else {
      entry.dataOffset = offset;
    }
    catalog.entries.push_back(std::move(entry));
  }
  return {};
}

std::unique_ptr<Stream> Archive::FolderData(std::size_t folder) {
  return std::make_unique<DataStream>(file_, header_.streams, names_, keyFor_, folder, folder + 1,
                                      folderFirstFile_[folder], folderStart_[folder]);
}

std::size_t Archive::FolderAt(std::uint64_t offset) const {
  // The last folder starting at or before it that holds bytes: folders of empty files start there too.
  std::size_t folder = static_cast<std::size_t>(std::upper_bound(folderStart_.begin(), folderStart_.end(), offset) -
                                                folderStart_.begin());
  while (folder > 0 && header_.streams.folders[folder - 1].size() == 0) --folder;
  return folder > 0 ? folder - 1 : 0;
}

std::uint64_t Archive::FolderEnd(std::size_t folder) const {
  return folder + 1 < folderStart_.size() ? folderStart_[folder + 1] : folderEnd_;
}

}  // namespace zip::sevenzip

#pragma once
// A 7z archive opened for extraction: its header read (decoded, and decrypted with a password
// the observer gives when it is encrypted), its files as catalog entries, and their data as one
// stream, folder after folder, each file's CRC checked as its last byte passes.
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "engine/entry.h"
#include "engine/sevenzip/sevenzip_folder.h"
#include "engine/sevenzip/sevenzip_header.h"
#include "engine/codec/stream.h"

namespace zip::sevenzip {

class Archive {
 public:
  explicit Archive(const os::File& file) : file_(file) {}
  // Reads the header into entries: each file's data at its offset in the folders' data, one
  // folder after another. Asks for a password until one opens what is encrypted, before anything
  // is written.
  Error Open(Observer& observer, Catalog& catalog);
  std::size_t Folders() const { return folderStart_.size(); }
  // One folder's data, its positions as in all of them; which folder holds an offset of it, where
  // the folder's data ends, and whether it holds more than one file (a solid block).
  std::unique_ptr<Stream> FolderData(std::size_t folder);
  std::size_t FolderAt(std::uint64_t offset) const;
  std::uint64_t FolderEnd(std::size_t folder) const;
  bool Solid(std::size_t folder) const { return header_.streams.perFolder[folder] > 1; }

 private:
  Error ReadHeaderBytes(Observer& observer, Bytes& bytes);
  Error Decode(const Streams& streams, std::size_t folder, Bytes& out);
  Error AskPassword(Observer& observer, bool wrong);
  Error CheckPassword(Observer& observer);
  std::optional<AesKey> Key(std::span<const std::uint8_t> properties);

  const os::File& file_;
  Header header_;
  std::vector<std::string> names_;  // of each file with data, for the CRC's failure
  std::optional<std::string> password_;
  std::vector<std::uint64_t> folderStart_;     // where each folder's data starts
  std::uint64_t folderEnd_ = 0;               // and where the last one's ends
  std::vector<std::size_t> folderFirstFile_;  // and its first file, among those with data
  os::Mutex keysMutex_;
  std::map<Bytes, std::optional<AesKey>> keys_;  // for the password: one derivation per salt and cost
  KeyFor keyFor_ = [this](std::span<const std::uint8_t> properties) { return Key(properties); };
};

// The AES key 7-Zip derives: SHA-256 over 2^cost rounds of the salt, the password in UTF-16LE and
// the round's number; nullopt for a cost past what 7-Zip itself accepts.
std::optional<AesKey> DeriveKey(std::span<const std::uint8_t> properties, const std::string& password);

}  // namespace zip::sevenzip

#pragma once
// Encrypted entries' data decrypted as it is read: traditional PKWARE encryption, or WinZip AES
// (AES in counter mode, with an HMAC-SHA1 over the encrypted data).
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>

#include "engine/zip/catalog.h"
#include "engine/codec/crypto.h"
#include "engine/zip/local_header.h"

namespace zip {

// A password's bytes in one encoding, cleared when dropped.
class Secret {
 public:
  Secret() = default;
  explicit Secret(const std::string& bytes) : bytes_(bytes) {}
  explicit Secret(std::span<const std::uint8_t> bytes) : bytes_(bytes.begin(), bytes.end()) {}
  // Copied, not moved: a short string's bytes would stay behind in the other.
  Secret(Secret&& other) noexcept {
    bytes_ = other.bytes_;
    other.Clear();
  }
  Secret(const Secret&) = delete;
  Secret& operator=(const Secret&) = delete;
  Secret& operator=(Secret&& other) noexcept {
    Clear();
    bytes_ = other.bytes_;
    other.Clear();
    return *this;
  }
  ~Secret() { Clear(); }
  std::span<const std::uint8_t> bytes() const {
    return {reinterpret_cast<const std::uint8_t*>(bytes_.data()), bytes_.size()};
  }
  bool operator==(const Secret& other) const { return bytes_ == other.bytes_; }

 private:
  void Clear() {
    crypto::Wipe(bytes_.data(), bytes_.size());
    bytes_.clear();
  }
  std::string bytes_;
};

// What opens each encrypted entry of a catalog: the password's bytes (traditional) or the keys
// derived from it (AES), so that no entry's keys are derived twice.
class Keys {
 public:
  const Secret& For(const Entry& entry) const {
    const auto it = keys_.find(&entry);
    return it == keys_.end() ? none_ : it->second;
  }
  void Set(const Entry& entry, Secret key) { keys_[&entry] = std::move(key); }

 private:
  std::unordered_map<const Entry*, Secret> keys_;
  Secret none_;
};

inline bool IsEncrypted(const Entry& entry) { return (entry.zipFields.flags & kFlagEncrypted) != 0; }

class Decryption {
 public:
  Decryption() = default;
  virtual ~Decryption() = default;
  Decryption(const Decryption&) = delete;
  Decryption& operator=(const Decryption&) = delete;
  // Decrypts in place the next stretch of the entry's data; false when the system fails.
  virtual bool Apply(std::span<std::uint8_t> data) = 0;
  // Whether what follows the data (AES: the first 10 bytes of the HMAC) matches all that was applied.
  virtual bool Authentic(std::span<const std::uint8_t> trailer) = 0;
};

struct Opened {
  std::unique_ptr<Decryption> decryption;
  std::uint64_t header = 0;   // bytes before the encrypted data
  std::uint64_t trailer = 0;  // bytes after it
};

// Reads an encrypted entry's header, at its data's start, and checks the password against it (the
// check byte, or the AES verifier): Failure::Encrypted when the check fails, Damaged when the header
// is cut. When it passes, `key` is what opens the entry. Only the whole data tells a password that
// passes by chance (1 in 256, or 1 in 65536) from the right one.
Error CheckPassword(const os::File& archive, const Entry& entry, std::span<const std::uint8_t> password, Secret& key);

// Reads the header and sets up the decryption with a key CheckPassword gave.
Error OpenDecryption(const os::File& archive, const Entry& entry, const Secret& key, Opened& opened);

}  // namespace zip

#include "engine/zip/decrypt.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <vector>

namespace zip {
namespace {

constexpr std::size_t kTraditionalHeader = 12;
constexpr std::size_t kVerifierSize = 2;
constexpr std::size_t kMacSize = 10;
constexpr unsigned kAesIterations = 1000;
constexpr std::size_t kBlock = 16;

Error Cut(const Entry& entry) { return Error{Failure::Damaged, {}, entry.name, "its encryption header is cut"}; }
Error Wrong(const Entry& entry) { return Error{Failure::Encrypted, {}, entry.name, "the password is wrong"}; }

class Traditional final : public Decryption {
 public:
  explicit Traditional(std::span<const std::uint8_t> password) : table_(::get_crc_table()) {
    for (const std::uint8_t byte : password) Update(byte);
  }
  ~Traditional() override { crypto::Wipe(keys_.data(), sizeof keys_); }
  Traditional(const Traditional&) = delete;
  Traditional& operator=(const Traditional&) = delete;

  bool Apply(std::span<std::uint8_t> data) override {
    for (std::uint8_t& byte : data) {
      const std::uint32_t mixed = (keys_[2] | 2) & 0xFFFF;
      byte = static_cast<std::uint8_t>(byte ^ ((mixed * (mixed ^ 1)) >> 8));
      Update(byte);
    }
    return true;
  }
  bool Authentic(std::span<const std::uint8_t>) override { return true; }  // the CRC-32 is its check

 private:
  std::uint32_t Crc(std::uint32_t crc, std::uint8_t byte) const {
    return static_cast<std::uint32_t>(table_[(crc ^ byte) & 0xFF]) ^ (crc >> 8);
  }
  void Update(std::uint8_t byte) {
    keys_[0] = Crc(keys_[0], byte);
    keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813 + 1;
    keys_[2] = Crc(keys_[2], static_cast<std::uint8_t>(keys_[1] >> 24));
  }

  const z_crc_t* table_;
  std::array<std::uint32_t, 3> keys_{0x12345678, 0x23456789, 0x34567890};
};

// AES-CTR with a little-endian counter from 1; the MAC covers the encrypted bytes.
class WinZipAes final : public Decryption {
 public:
  WinZipAes(std::span<const std::uint8_t> key, std::span<const std::uint8_t> macKey) : aes_(key), mac_(macKey) {}
  ~WinZipAes() override { crypto::Wipe(stream_.data(), stream_.size()); }
  WinZipAes(const WinZipAes&) = delete;
  WinZipAes& operator=(const WinZipAes&) = delete;
  bool Ready() const { return static_cast<bool>(aes_) && static_cast<bool>(mac_); }

  bool Apply(std::span<std::uint8_t> data) override {
    if (!mac_.Update(data)) return false;
    for (std::uint8_t& byte : data) {
      if (at_ == stream_.size() && !Refill()) return false;
      byte ^= stream_[at_++];
    }
    return true;
  }

  bool Authentic(std::span<const std::uint8_t> trailer) override {
    std::array<std::uint8_t, 20> mac{};
    return mac_.Final(mac) && trailer.size() == kMacSize && std::equal(trailer.begin(), trailer.end(), mac.begin());
  }

 private:
  bool Refill() {
    for (std::size_t block = 0; block < counters_.size(); block += kBlock) {
      ++counter_;
      for (int i = 0; i < 8; ++i) counters_[block + i] = static_cast<std::uint8_t>(counter_ >> (8 * i));
    }
    at_ = 0;
    return aes_.Encrypt(counters_, stream_);
  }

  crypto::Aes aes_;
  crypto::HmacSha1 mac_;
  std::vector<std::uint8_t> counters_ = std::vector<std::uint8_t>(256 * kBlock);  // the high 8 bytes stay 0
  std::vector<std::uint8_t> stream_ = std::vector<std::uint8_t>(256 * kBlock);
  std::size_t at_ = stream_.size();
  std::uint64_t counter_ = 0;
};

// The key, the MAC key and the verifier, cleared on leaving.
struct Derived {
  Derived() = default;
  ~Derived() { crypto::Wipe(bytes.data(), bytes.size()); }
  Derived(const Derived&) = delete;
  Derived& operator=(const Derived&) = delete;
  std::array<std::uint8_t, std::size_t{2} * 32 + kVerifierSize> bytes{};
};

Error ReadHeader(const os::File& archive, const Entry& entry, std::span<std::uint8_t> header) {
  std::size_t got = 0;
  if (Error error = archive.ReadAt(entry.dataOffset, header.data(), header.size(), got)) return error;
  return got == header.size() ? Error{} : Cut(entry);
}

Error OpenTraditional(const os::File& archive, const Entry& entry, std::span<const std::uint8_t> password, Opened& opened) {
  if (entry.compressedSize < kTraditionalHeader) return Cut(entry);
  std::array<std::uint8_t, kTraditionalHeader> header{};
  if (Error error = ReadHeader(archive, entry, header)) return error;
  auto decryption = std::make_unique<Traditional>(password);
  decryption->Apply(header);
  // Streaming writers know no CRC-32 up front and check with the time instead.
  const bool described = (entry.zipFields.flags & kFlagDataDescriptor) != 0;
  const auto check = static_cast<std::uint8_t>(described ? entry.zipFields.dosTime >> 8 : entry.crc >> 24);
  if (header.back() != check) return Wrong(entry);
  opened = {std::move(decryption), kTraditionalHeader, 0};
  return {};
}

struct AesSizes {
  std::size_t salt;
  std::size_t key;
};

Error SizesOf(const Entry& entry, AesSizes& sizes) {
  sizes = {4 + 4 * std::size_t{entry.zipFields.aesStrength}, 8 + 8 * std::size_t{entry.zipFields.aesStrength}};
  return entry.compressedSize < sizes.salt + kVerifierSize + kMacSize ? Cut(entry) : Error{};
}

Error CheckAes(const os::File& archive, const Entry& entry, std::span<const std::uint8_t> password, Secret& key) {
  AesSizes sizes{};
  if (Error error = SizesOf(entry, sizes)) return error;
  std::array<std::uint8_t, 16 + kVerifierSize> header{};
  const std::span<std::uint8_t> read(header.data(), sizes.salt + kVerifierSize);
  if (Error error = ReadHeader(archive, entry, read)) return error;
  Derived derived;
  const std::span<std::uint8_t> keys(derived.bytes.data(), 2 * sizes.key + kVerifierSize);
  if (!crypto::DeriveKey(password, read.first(sizes.salt), kAesIterations, keys)) {
    return Error{Failure::Io, {}, entry.name, "the system's cryptography failed"};
  }
  if (!std::ranges::equal(keys.subspan(2 * sizes.key), read.subspan(sizes.salt))) return Wrong(entry);
  key = Secret(keys.first(2 * sizes.key));
  return {};
}

Error OpenAes(const Entry& entry, const Secret& key, Opened& opened) {
  AesSizes sizes{};
  if (Error error = SizesOf(entry, sizes)) return error;
  if (key.bytes().size() != 2 * sizes.key) return Wrong(entry);
  auto decryption = std::make_unique<WinZipAes>(key.bytes().first(sizes.key), key.bytes().subspan(sizes.key));
  if (!decryption->Ready()) return Error{Failure::Io, {}, entry.name, "the system's cryptography failed"};
  opened = {std::move(decryption), sizes.salt + kVerifierSize, kMacSize};
  return {};
}

}  // namespace

Error CheckPassword(const os::File& archive, const Entry& entry, std::span<const std::uint8_t> password, Secret& key) {
  if (entry.zipFields.aesStrength != 0) return CheckAes(archive, entry, password, key);
  Opened opened;
  if (Error error = OpenTraditional(archive, entry, password, opened)) return error;
  key = Secret(password);
  return {};
}

Error OpenDecryption(const os::File& archive, const Entry& entry, const Secret& key, Opened& opened) {
  return entry.zipFields.aesStrength != 0 ? OpenAes(entry, key, opened) : OpenTraditional(archive, entry, key.bytes(), opened);
}

}  // namespace zip

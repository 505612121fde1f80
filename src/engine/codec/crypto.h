#pragma once
// The cryptography WinZip AES needs, from the system: CNG (bcrypt.dll) on Windows, libcrypto elsewhere.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace zip::crypto {

// Clears secrets where the compiler may not drop the writes.
void Wipe(void* data, std::size_t size);

// PBKDF2 with HMAC-SHA1; false when the system refuses.
bool DeriveKey(std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt, unsigned iterations,
               std::span<std::uint8_t> key);

// AES on whole 16-byte blocks, each alone (ECB): counter mode is built on it.
class Aes {
 public:
  explicit Aes(std::span<const std::uint8_t> key);
  ~Aes();
  Aes(const Aes&) = delete;
  Aes& operator=(const Aes&) = delete;
  explicit operator bool() const { return state_ != nullptr; }
  bool Encrypt(std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

class HmacSha1 {
 public:
  explicit HmacSha1(std::span<const std::uint8_t> key);
  ~HmacSha1();
  HmacSha1(const HmacSha1&) = delete;
  HmacSha1& operator=(const HmacSha1&) = delete;
  explicit operator bool() const { return state_ != nullptr; }
  bool Update(std::span<const std::uint8_t> data);
  bool Final(std::array<std::uint8_t, 20>& mac);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zip::crypto

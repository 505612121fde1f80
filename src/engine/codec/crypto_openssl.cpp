#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include "engine/codec/crypto.h"

namespace zip::crypto {

void Wipe(void* data, std::size_t size) { OPENSSL_cleanse(data, size); }

bool DeriveKey(std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt, unsigned iterations,
               std::span<std::uint8_t> key) {
  return PKCS5_PBKDF2_HMAC_SHA1(reinterpret_cast<const char*>(password.data()), static_cast<int>(password.size()),
                                salt.data(), static_cast<int>(salt.size()), static_cast<int>(iterations),
                                static_cast<int>(key.size()), key.data()) == 1;
}

struct Aes::State {
  State() = default;
  ~State() { EVP_CIPHER_CTX_free(context); }
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
};

Aes::Aes(std::span<const std::uint8_t> key) {
  const EVP_CIPHER* cipher = key.size() == 16 ? EVP_aes_128_ecb() : key.size() == 24 ? EVP_aes_192_ecb()
                           : key.size() == 32 ? EVP_aes_256_ecb() : nullptr;
  auto state = std::make_unique<State>();
  if (cipher == nullptr || state->context == nullptr ||
      EVP_EncryptInit_ex(state->context, cipher, nullptr, key.data(), nullptr) != 1 ||
      EVP_CIPHER_CTX_set_padding(state->context, 0) != 1) {
    return;
  }
  state_ = std::move(state);
}

Aes::~Aes() = default;

bool Aes::Encrypt(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
  int written = 0;
  return EVP_EncryptUpdate(state_->context, out.data(), &written, in.data(), static_cast<int>(in.size())) == 1 &&
         static_cast<std::size_t>(written) == in.size();
}

struct HmacSha1::State {
  State() = default;
  ~State() {
    EVP_MAC_CTX_free(context);
    EVP_MAC_free(mac);
  }
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  EVP_MAC* mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
  EVP_MAC_CTX* context = mac != nullptr ? EVP_MAC_CTX_new(mac) : nullptr;
};

HmacSha1::HmacSha1(std::span<const std::uint8_t> key) {
  auto state = std::make_unique<State>();
  char digest[] = "SHA1";
  const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0), OSSL_PARAM_construct_end()};
  if (state->context == nullptr || EVP_MAC_init(state->context, key.data(), key.size(), params) != 1) return;
  state_ = std::move(state);
}

HmacSha1::~HmacSha1() = default;

bool HmacSha1::Update(std::span<const std::uint8_t> data) {
  return EVP_MAC_update(state_->context, data.data(), data.size()) == 1;
}

bool HmacSha1::Final(std::array<std::uint8_t, 20>& mac) {
  std::size_t written = 0;
  return EVP_MAC_final(state_->context, mac.data(), &written, mac.size()) == 1 && written == mac.size();
}

}  // namespace zip::crypto

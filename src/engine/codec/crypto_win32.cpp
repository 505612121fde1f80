#include <windows.h>
#include <bcrypt.h>

#include "engine/codec/crypto.h"

namespace zip::crypto {
namespace {

// CNG's functions, from bcrypt.dll loaded the first time an archive needs them and kept: imported,
// it would be loaded at every start, which under Wine costs the tool several milliseconds before
// its first step. Without it, or without one of them, every call fails as the system's refusal.
class Cng {
 public:
  Cng() : module_(LoadLibraryExW(L"bcrypt.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    if (module_ == nullptr) return;
    const bool all = Find("BCryptOpenAlgorithmProvider", OpenAlgorithmProvider) &&
                     Find("BCryptCloseAlgorithmProvider", CloseAlgorithmProvider) &&
                     Find("BCryptDeriveKeyPBKDF2", DeriveKeyPBKDF2) && Find("BCryptSetProperty", SetProperty) &&
                     Find("BCryptGenerateSymmetricKey", GenerateSymmetricKey) && Find("BCryptDestroyKey", DestroyKey) &&
                     Find("BCryptEncrypt", Encrypt) && Find("BCryptCreateHash", CreateHash) &&
                     Find("BCryptHashData", HashData) && Find("BCryptFinishHash", FinishHash) &&
                     Find("BCryptDestroyHash", DestroyHash);
    if (!all) OpenAlgorithmProvider = nullptr;
  }
  ~Cng() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  Cng(const Cng&) = delete;
  Cng& operator=(const Cng&) = delete;

  decltype(&BCryptOpenAlgorithmProvider) OpenAlgorithmProvider = nullptr;  // null when any is missing
  decltype(&BCryptCloseAlgorithmProvider) CloseAlgorithmProvider = nullptr;
  decltype(&BCryptDeriveKeyPBKDF2) DeriveKeyPBKDF2 = nullptr;
  decltype(&BCryptSetProperty) SetProperty = nullptr;
  decltype(&BCryptGenerateSymmetricKey) GenerateSymmetricKey = nullptr;
  decltype(&BCryptDestroyKey) DestroyKey = nullptr;
  decltype(&BCryptEncrypt) Encrypt = nullptr;
  decltype(&BCryptCreateHash) CreateHash = nullptr;
  decltype(&BCryptHashData) HashData = nullptr;
  decltype(&BCryptFinishHash) FinishHash = nullptr;
  decltype(&BCryptDestroyHash) DestroyHash = nullptr;

 private:
  template <typename Function>
  bool Find(const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
    return function != nullptr;
  }

  HMODULE module_;
};

const Cng& Library() {
  static const Cng cng;
  return cng;
}

class Provider {
 public:
  Provider(const wchar_t* algorithm, ULONG flags) {
    const Cng& cng = Library();
    if (cng.OpenAlgorithmProvider == nullptr ||
        !BCRYPT_SUCCESS(cng.OpenAlgorithmProvider(&handle_, algorithm, /* implementation= */ nullptr, flags))) {
      handle_ = nullptr;
    }
  }
  ~Provider() {
    if (handle_ != nullptr) Library().CloseAlgorithmProvider(handle_, 0);
  }
  Provider(const Provider&) = delete;
  Provider& operator=(const Provider&) = delete;
  BCRYPT_ALG_HANDLE get() const { return handle_; }

 private:
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

PUCHAR Bytes(std::span<const std::uint8_t> data) { return const_cast<PUCHAR>(data.data()); }

}  // namespace

void Wipe(void* data, std::size_t size) { SecureZeroMemory(data, size); }

bool DeriveKey(std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt, unsigned iterations,
               std::span<std::uint8_t> key) {
  const Provider hmac(BCRYPT_SHA1_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
  return hmac.get() != nullptr &&
         BCRYPT_SUCCESS(Library().DeriveKeyPBKDF2(hmac.get(), Bytes(password), static_cast<ULONG>(password.size()), Bytes(salt),
                                              static_cast<ULONG>(salt.size()), iterations, key.data(),
                                              static_cast<ULONG>(key.size()), /* flags= */ 0));
}

struct Aes::State {
  Provider provider{BCRYPT_AES_ALGORITHM, 0};
  BCRYPT_KEY_HANDLE key = nullptr;
  State() = default;
  ~State() {
    if (key != nullptr) Library().DestroyKey(key);
  }
  State(const State&) = delete;
  State& operator=(const State&) = delete;
};

Aes::Aes(std::span<const std::uint8_t> key) {
  auto state = std::make_unique<State>();
  if (state->provider.get() == nullptr) return;
  const wchar_t* mode = BCRYPT_CHAIN_MODE_ECB;
  if (!BCRYPT_SUCCESS(Library().SetProperty(state->provider.get(), BCRYPT_CHAINING_MODE,
                                        reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(mode)),
                                        static_cast<ULONG>((wcslen(mode) + 1) * sizeof(wchar_t)), 0)) ||
      !BCRYPT_SUCCESS(Library().GenerateSymmetricKey(state->provider.get(), &state->key, /* keyObject= */ nullptr, 0,
                                                 Bytes(key), static_cast<ULONG>(key.size()), 0))) {
    return;
  }
  state_ = std::move(state);
}

Aes::~Aes() = default;

bool Aes::Encrypt(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
  ULONG written = 0;
  return BCRYPT_SUCCESS(Library().Encrypt(state_->key, Bytes(in), static_cast<ULONG>(in.size()), /* padding= */ nullptr,
                                      /* iv= */ nullptr, 0, out.data(), static_cast<ULONG>(out.size()), &written, 0)) &&
         written == in.size();
}

struct HmacSha1::State {
  Provider provider{BCRYPT_SHA1_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG};
  BCRYPT_HASH_HANDLE hash = nullptr;
  State() = default;
  ~State() {
    if (hash != nullptr) Library().DestroyHash(hash);
  }
  State(const State&) = delete;
  State& operator=(const State&) = delete;
};

HmacSha1::HmacSha1(std::span<const std::uint8_t> key) {
  auto state = std::make_unique<State>();
  if (state->provider.get() == nullptr ||
      !BCRYPT_SUCCESS(Library().CreateHash(state->provider.get(), &state->hash, /* hashObject= */ nullptr, 0, Bytes(key),
                                       static_cast<ULONG>(key.size()), 0))) {
    return;
  }
  state_ = std::move(state);
}

HmacSha1::~HmacSha1() = default;

bool HmacSha1::Update(std::span<const std::uint8_t> data) {
  return BCRYPT_SUCCESS(Library().HashData(state_->hash, Bytes(data), static_cast<ULONG>(data.size()), 0));
}

bool HmacSha1::Final(std::array<std::uint8_t, 20>& mac) {
  return BCRYPT_SUCCESS(Library().FinishHash(state_->hash, mac.data(), static_cast<ULONG>(mac.size()), 0));
}

}  // namespace zip::crypto

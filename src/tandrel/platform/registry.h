#pragma once
// Registry keys, opened and closed by one owner.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

enum class RegRoot : std::uint32_t { CurrentUser = 0x80000001, LocalMachine = 0x80000002 };

inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorMoreData = 234;

// Each key is opened with the one right its call needs.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyWow64View64 = 0x0100;  // the 64-bit view from a 32-bit process

struct RegValue {
  std::uint32_t type = 0;
  std::string text;          // REG_SZ and REG_EXPAND_SZ, as UTF-8, without the terminating NUL
  std::string data;          // any other type, its bytes
  std::uint32_t bytes = 0;   // stored size
};

class RegKey {
 public:
  RegKey() = default;
  ~RegKey();
  RegKey(RegKey&& other) noexcept;
  RegKey& operator=(RegKey&& other) noexcept;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  // Each returns the system's error code; 0 is success.
  static long Open(RegRoot root, std::string_view path, std::uint32_t access, RegKey& key);
  static long Create(RegRoot root, std::string_view path, RegKey& key);  // for setting values
  long Query(std::string_view name, std::uint32_t maxBytes, RegValue& value) const;
  long SetString(std::string_view name, std::string_view text) const;
  long DeleteValue(std::string_view name) const;

 private:
  std::uintptr_t handle_ = 0;
};

}  // namespace platform

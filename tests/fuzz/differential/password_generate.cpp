#include "password_generate.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <string_view>

#include "../../engine/builder.h"
#include "draw.h"

namespace differential {
namespace {

std::uint32_t Crc(std::string_view data) {
  return static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string RawDeflate(const std::string& data) {
  z_stream stream{};
  deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, data.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));  // zlib's interface is not const
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

// Traditional PKWARE encryption's three keys, as its note gives them.
class TraditionalKeys {
 public:
  explicit TraditionalKeys(std::string_view password) {
    for (const char c : password) Update(static_cast<std::uint8_t>(c));
  }
  std::uint8_t Encrypt(std::uint8_t plain) {
    const std::uint8_t cipher = plain ^ Stream();
    Update(plain);
    return cipher;
  }
  std::uint8_t Decrypt(std::uint8_t cipher) {
    const std::uint8_t plain = cipher ^ Stream();
    Update(plain);
    return plain;
  }

 private:
  static std::uint32_t Crc32Byte(std::uint32_t crc, std::uint8_t byte) {
    return ~static_cast<std::uint32_t>(crc32(~crc, &byte, 1));
  }
  std::uint8_t Stream() const {
    const std::uint32_t t = (keys_[2] | 2) & 0xFFFF;
    return static_cast<std::uint8_t>((t * (t ^ 1)) >> 8);
  }
  void Update(std::uint8_t byte) {
    keys_[0] = Crc32Byte(keys_[0], byte);
    keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813 + 1;
    keys_[2] = Crc32Byte(keys_[2], static_cast<std::uint8_t>(keys_[1] >> 24));
  }
  std::array<std::uint32_t, 3> keys_ = {0x12345678, 0x23456789, 0x34567890};
};

// Whether the password's keys turn the encryption header's last byte into the check byte.
bool PassesCheck(std::string_view password, std::string_view header, std::uint8_t check) {
  TraditionalKeys keys(password);
  std::uint8_t last = 0;
  for (const char c : header) last = keys.Decrypt(static_cast<std::uint8_t>(c));
  return last == check;
}

struct Encrypted {
  std::string password;
  std::string header;  // traditional: the 12 bytes as stored, empty for AES
  std::uint8_t check = 0;
};

// The passwords: a few drawn, so that entries share one or have their own.
std::vector<std::string> DrawPasswords(Draw& draw) {
  std::vector<std::string> passwords;
  for (unsigned n = 1 + draw.Below(3); n > 0; --n) {
    std::string password = "pw" + std::to_string(passwords.size());
    for (const char c : draw.Bytes(6)) password += static_cast<char>('!' + static_cast<std::uint8_t>(c) % 94);
    passwords.push_back(password);
  }
  return passwords;
}

}  // namespace

PasswordGenerated GeneratePasswords(const std::uint8_t* data, std::size_t size) {
  Draw draw(data, size);
  PasswordGenerated out;
  const std::vector<std::string> pool = DrawPasswords(draw);
  std::vector<Item> items;
  std::vector<Encrypted> encrypted;
  for (std::size_t n = 1 + draw.Below(4), i = 0; i < n; ++i) {
    Item item;
    item.name = (draw.OneIn(3) ? "dir/" : "") + std::string("e") + std::to_string(i) + ".txt";
    const std::string plain = Content(draw);
    out.contents.push_back(plain);
    const bool deflate = draw.OneIn(2);
    const std::string stored = deflate ? RawDeflate(plain) : plain;
    item.size = static_cast<std::int64_t>(plain.size());
    item.crc = Crc(plain);
    if (draw.OneIn(5)) {  // not encrypted
      item.data = plain;
      item.deflate = deflate;
      item.crc = -1;
      items.push_back(item);
      continue;
    }
    item.flags |= 1;
    const std::string& password = pool[draw.Below(static_cast<unsigned>(pool.size()))];
    if (std::find(out.passwords.begin(), out.passwords.end(), password) == out.passwords.end()) {
      out.passwords.push_back(password);
    }
    if (draw.OneIn(2)) {  // WinZip AES
      const int strength = 1 + static_cast<int>(draw.Below(3));
      const bool ae2 = draw.OneIn(2);
      item.method = 99;
      item.extra = AesField(ae2 ? 2 : 1, static_cast<std::uint8_t>(strength), deflate ? 8 : 0);
      item.data = AesData(stored, password, strength, password);
      if (ae2) item.crc = 0;
      encrypted.push_back({password, "", 0});
    } else {
      item.descriptor = draw.OneIn(3);
      item.method = deflate ? 8 : 0;
      // The check byte: the CRC-32's high byte, or the DOS time's with a data descriptor (0 here).
      const std::uint8_t check = item.descriptor ? 0 : static_cast<std::uint8_t>(static_cast<std::uint32_t>(item.crc) >> 24);
      std::string header = draw.Bytes(11);
      header.resize(11, 'h');
      header += static_cast<char>(check);
      TraditionalKeys keys(password);
      std::string cipher;
      for (const char c : header + stored) cipher += static_cast<char>(keys.Encrypt(static_cast<std::uint8_t>(c)));
      item.data = cipher;
      encrypted.push_back({password, cipher.substr(0, 12), check});
    }
    items.push_back(item);
  }
  out.archive = BuildArchive(items);

  // What the person types: wrong passwords, a wrong one passing a traditional entry's check byte
  // (found by search, 1 in 256), and the right ones, in the order drawn.
  std::vector<std::string> wrong;
  if (draw.OneIn(3)) wrong.push_back("wrong");
  for (const Encrypted& entry : encrypted) {
    if (entry.header.empty() || !draw.OneIn(2)) continue;
    for (unsigned n = 0;; ++n) {
      std::string candidate = "passes" + std::to_string(n);
      if (PassesCheck(candidate, entry.header, entry.check) &&
          std::find(wrong.begin(), wrong.end(), candidate) == wrong.end()) {
        wrong.push_back(std::move(candidate));
        break;
      }
    }
  }
  std::vector<std::string> right = out.passwords;
  if (!right.empty() && draw.OneIn(8)) right.erase(right.begin() + draw.Below(static_cast<unsigned>(right.size())));
  for (std::vector<std::string>* some : {&wrong, &right}) {
    for (std::string& password : *some) {
      out.typed.insert(out.typed.begin() + draw.Below(static_cast<unsigned>(out.typed.size() + 1)), std::move(password));
    }
  }
  // The run's earlier archive opened with a password, tried first on this one.
  const std::vector<std::string>& keptFrom = draw.OneIn(2) ? out.passwords : out.typed;
  if (draw.OneIn(3) && !keptFrom.empty()) out.kept = keptFrom[draw.Below(static_cast<unsigned>(keptFrom.size()))];
  for (const std::string& password : out.passwords) {
    if (password != out.kept && std::find(out.typed.begin(), out.typed.end(), password) == out.typed.end()) {
      out.made |= kMissing;
    }
  }
  for (const Encrypted& entry : encrypted) {
    if (entry.header.empty()) continue;
    for (const std::string& other : out.passwords) {
      if (other != entry.password && PassesCheck(other, entry.header, entry.check)) out.made |= kTheirsPass;
    }
  }
  return out;
}

std::string PasswordBendNames(unsigned made) {
  static constexpr std::array<std::string_view, 2> kNames = {"missing", "theirs-pass"};
  std::string names;
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if ((made & (1U << i)) != 0) names += (names.empty() ? "" : ",") + std::string(kNames[i]);
  }
  return names.empty() ? "none" : names;
}

}  // namespace differential

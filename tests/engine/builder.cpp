#include "builder.h"

#include <zlib.h>

#include <array>
#include <span>

#include "engine/codec/crypto.h"

#include <algorithm>

namespace {

void Put(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i));
}

// Runs a stream made by deflateInit2 over all of data, with room for a header beyond its bound.
std::string Deflated(z_stream& stream, const std::string& data, std::size_t headerRoom = 0) {
  std::string out(deflateBound(&stream, data.size()) + headerRoom, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

std::string RawDeflate(const std::string& data) {
  z_stream stream{};
  deflateInit2(&stream, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  return Deflated(stream, data);
}

// Bits in deflate's order, from the low bit of each byte up.
class BitWriter {
 public:
  void Put(std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i, value >>= 1) Bit(value & 1);
  }
  // Huffman codes go from their high bit down.
  void Code(std::uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1);
  }
  std::string Done() { return bytes_; }

 private:
  void Bit(unsigned bit) {
    if (used_ % 8 == 0) bytes_ += '\0';
    bytes_.back() = static_cast<char>(bytes_.back() | (bit << (used_++ % 8)));
  }
  std::string bytes_;
  std::size_t used_ = 0;
};

// One fixed-code block: literals, and each byte repeated three times or more as a match at
// distance 1 under length code 285, which in Deflate64 takes 16 extra bits (lengths 3 to 65538).
std::string FixedDeflate64(const std::string& data) {
  BitWriter out;
  out.Put(1, 1);  // the last block
  out.Put(1, 2);  // fixed codes
  for (std::size_t at = 0; at < data.size();) {
    std::size_t run = 0;
    while (at > 0 && at + run < data.size() && data[at + run] == data[at - 1] && run < 65538) ++run;
    if (run >= 3) {
      out.Code(0xC5, 8);  // 285
      out.Put(static_cast<std::uint32_t>(run - 3), 16);
      out.Code(0, 5);  // distance 1
      at += run;
      continue;
    }
    const auto literal = static_cast<std::uint8_t>(data[at++]);
    if (literal < 144) {
      out.Code(0x30 + literal, 8);
    } else {
      out.Code(0x190 + literal - 144, 9);
    }
  }
  out.Code(0, 7);  // end of block
  return out.Done();
}

// Traditional PKWARE encryption's three keys, as the format's note gives them.
class ZipCrypto {
 public:
  explicit ZipCrypto(const std::string& password) {
    for (const char c : password) Update(static_cast<std::uint8_t>(c));
  }
  char Encrypt(char plain) {
    const auto out = static_cast<char>(plain ^ Stream());
    Update(static_cast<std::uint8_t>(plain));
    return out;
  }
  char Decrypt(char cipher) {
    const auto plain = static_cast<char>(cipher ^ Stream());
    Update(static_cast<std::uint8_t>(plain));
    return plain;
  }

 private:
  std::uint8_t Stream() const {
    const std::uint32_t mixed = (keys_[2] | 2) & 0xFFFF;
    return static_cast<std::uint8_t>((mixed * (mixed ^ 1)) >> 8);
  }
  static std::uint32_t Crc(std::uint32_t crc, std::uint8_t byte) {
    return static_cast<std::uint32_t>(get_crc_table()[(crc ^ byte) & 0xFF]) ^ (crc >> 8);
  }
  void Update(std::uint8_t byte) {
    keys_[0] = Crc(keys_[0], byte);
    keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813 + 1;
    keys_[2] = Crc(keys_[2], static_cast<std::uint8_t>(keys_[1] >> 24));
  }
  std::array<std::uint32_t, 3> keys_{0x12345678, 0x23456789, 0x34567890};
};

// The 12-byte header, its last byte the check, and the data, encrypted; the header's other bytes
// are tried until `passes` also decrypts the check from it.
std::string ZipCrypted(const std::string& data, const std::string& password, char check, const std::string& passes) {
  for (std::uint32_t seed = 0;; ++seed) {
    std::string plain = "header" + Le(seed, 5) + check + data;
    ZipCrypto keys(password);
    for (char& c : plain) c = keys.Encrypt(c);
    if (passes.empty()) return plain;
    ZipCrypto other(passes);
    char last = 0;
    for (std::size_t i = 0; i < 12; ++i) last = other.Decrypt(plain[i]);
    if (last == check) return plain;
  }
}

std::uint32_t Crc(const std::string& data) {
  return static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

}  // namespace

std::string Zip64SizesField(std::uint64_t size, std::uint64_t compressedSize) {
  std::string field;
  Put(field, 0x0001, 2);
  Put(field, 16, 2);
  Put(field, size, 8);
  Put(field, compressedSize, 8);
  return field;
}

std::string ExtraField(std::uint16_t id, const std::string& data) { return Le(id, 2) + Le(data.size(), 2) + data; }

std::string Le(std::uint64_t value, int bytes) {
  std::string out;
  Put(out, value, bytes);
  return out;
}

std::string UnicodePathField(const std::string& storedName, const std::string& utf8, bool rightCrc) {
  std::string field;
  Put(field, 0x7075, 2);
  Put(field, 5 + utf8.size(), 2);
  field += '\1';
  Put(field, Crc(storedName) ^ (rightCrc ? 0 : 1), 4);
  return field + utf8;
}

std::string BuildArchive(const std::vector<Item>& items, const std::string& prefix, Ending ending) {
  std::string out = prefix;
  std::string central;
  std::vector<std::size_t> offsets;
  for (const Item& item : items) {
    const bool deflate = item.deflate && item.method < 0;
    const bool deflate64 = item.deflate64 && item.method < 0;
    std::string data = deflate ? RawDeflate(item.data) : deflate64 ? FixedDeflate64(item.data) : item.data;
    const std::uint16_t method = item.method >= 0 ? item.method : deflate ? 8 : deflate64 ? 9 : 0;
    const std::uint32_t crc = (item.crc >= 0 ? static_cast<std::uint32_t>(item.crc) : Crc(item.data)) ^ item.crcFlip;
    if (!item.password.empty()) data = ZipCrypted(data, item.password, static_cast<char>(crc >> 24), item.passes);
    const std::uint64_t size = item.size >= 0 ? item.size : item.data.size();
    const std::uint64_t compressed = item.compressedSize >= 0 ? item.compressedSize : data.size();
    const std::string& localName = item.localName.empty() ? item.name : item.localName;
    const std::uint16_t flags = item.flags | (item.descriptor ? 8 : 0) | (item.password.empty() ? 0 : 1);
    const std::string extra = (item.zip64 ? Zip64SizesField(size, compressed) : "") + item.extra;
    const std::uint64_t narrowSize = item.zip64 ? 0xFFFFFFFF : size;
    const std::uint64_t narrowCompressed = item.zip64 ? 0xFFFFFFFF : compressed;
    offsets.push_back(out.size() - prefix.size());
    Put(out, 0x04034b50, 4);
    Put(out, 20, 2);
    Put(out, flags, 2);
    Put(out, item.localMethod >= 0 ? item.localMethod : method, 2);
    Put(out, 0, 2);
    Put(out, (40 << 9) | (1 << 5) | 1, 2);  // 2020-01-01
    Put(out, item.descriptor ? 0 : crc, 4);
    Put(out, item.descriptor ? 0 : narrowCompressed, 4);
    Put(out, item.descriptor ? 0 : narrowSize, 4);
    Put(out, localName.size(), 2);
    Put(out, extra.size() + item.localExtra.size(), 2);
    out += localName + extra + item.localExtra + data;
    if (item.descriptor) {
      Put(out, 0x08074b50, 4);
      Put(out, crc, 4);
      Put(out, compressed, item.zip64 ? 8 : 4);
      Put(out, item.descriptorSize >= 0 ? item.descriptorSize : size, item.zip64 ? 8 : 4);
    }

    const std::size_t at = &item - items.data();
    Put(central, 0x02014b50, 4);
    Put(central, item.madeBy, 2);
    Put(central, 20, 2);
    Put(central, flags, 2);
    Put(central, method, 2);
    Put(central, 0, 2);
    Put(central, (40 << 9) | (1 << 5) | 1, 2);
    Put(central, crc, 4);
    Put(central, narrowCompressed, 4);
    Put(central, item.centralSize >= 0 ? item.centralSize : narrowSize, 4);
    Put(central, item.name.size(), 2);
    Put(central, extra.size(), 2);
    Put(central, 0, 6);  // comment length, disk, internal attributes
    Put(central, item.external, 4);
    Put(central, offsets[item.sharesDataOf >= 0 ? item.sharesDataOf : at], 4);
    central += item.name + extra;
  }
  const std::size_t centralOffset = out.size() - prefix.size();
  out += central;
  const std::uint64_t entries = ending.entries >= 0 ? ending.entries : items.size();
  if (ending.zip64) {
    const std::size_t recordOffset = out.size() - prefix.size();
    Put(out, 0x06064b50, 4);
    Put(out, 44, 8);
    Put(out, 0x2D2D, 4);  // made by, needed
    Put(out, 0, 8);       // disks
    Put(out, entries, 8);
    Put(out, entries, 8);
    Put(out, central.size(), 8);
    Put(out, centralOffset, 8);
    Put(out, 0x07064b50, 4);
    Put(out, 0, 4);
    Put(out, recordOffset, 8);
    Put(out, 1, 4);
  }
  Put(out, 0x06054b50, 4);
  Put(out, 0, 4);
  Put(out, ending.zip64 ? 0xFFFF : entries, 2);
  Put(out, ending.zip64 ? 0xFFFF : entries, 2);
  Put(out, central.size(), 4);
  Put(out, centralOffset, 4);
  Put(out, 0, 2);
  return out;
}

namespace {

void Octal(std::string& block, std::size_t at, std::size_t size, std::uint64_t value) {
  std::string digits(size - 1, '0');
  for (std::size_t i = digits.size(); i-- > 0 && value > 0; value >>= 3) digits[i] = static_cast<char>('0' + (value & 7));
  block.replace(at, size - 1, digits);
}

std::string TarBlock(const std::string& name, char type, const std::string& linkName, std::uint64_t size,
                     bool badChecksum, const std::vector<std::pair<std::size_t, std::string>>& fields = {}) {
  std::string block(512, '\0');
  block.replace(0, std::min<std::size_t>(name.size(), 100), name.substr(0, 100));
  Octal(block, 100, 8, 0644);
  Octal(block, 108, 8, 0);
  Octal(block, 116, 8, 0);
  Octal(block, 124, 12, size);
  Octal(block, 136, 12, 1500000000);
  block[156] = type;
  block.replace(157, std::min<std::size_t>(linkName.size(), 100), linkName.substr(0, 100));
  block.replace(257, 8, std::string("ustar\0" "00", 8));
  for (const auto& [at, bytes] : fields) block.replace(at, bytes.size(), bytes);
  block.replace(148, 8, "        ");
  unsigned sum = 0;
  for (const char c : block) sum += static_cast<unsigned char>(c);
  Octal(block, 148, 7, sum + (badChecksum ? 1 : 0));
  return block;
}

std::string Padded(std::string data) { return data + std::string((512 - data.size() % 512) % 512, '\0'); }

}  // namespace

std::string BuildTar(const std::vector<TarItem>& items) {
  std::string out;
  for (const TarItem& item : items) {
    if (!item.pax.empty()) out += TarBlock("pax", 'x', "", item.pax.size(), false) + Padded(item.pax);
    const std::uint64_t size = item.size >= 0 ? static_cast<std::uint64_t>(item.size) : item.data.size();
    out += TarBlock(item.name, item.type, item.linkName, size, item.badChecksum, item.fields) + item.extension +
           Padded(item.data);
  }
  return out + std::string(1024, '\0');
}

std::string OctalField(std::uint64_t value, std::size_t size) {
  std::string field(size, '\0');
  Octal(field, 0, size, value);
  return field;
}

std::string Base256(std::int64_t value) {
  std::string field(12, '\0');
  for (int i = 11; i >= 0; --i, value >>= 8) field[static_cast<std::size_t>(i)] = static_cast<char>(value & 0xFF);
  field[0] = static_cast<char>(field[0] | 0x80);
  return field;
}

std::string Gzip(const std::string& data, const std::string& name) {
  z_stream stream{};
  deflateInit2(&stream, 6, Z_DEFLATED, 16 + 15, 8, Z_DEFAULT_STRATEGY);
  gz_header header{};
  std::string stored = name;
  header.name = reinterpret_cast<Bytef*>(stored.data());
  header.time = 1500000000;
  if (!name.empty()) deflateSetHeader(&stream, &header);
  return Deflated(stream, data, name.size() + 64);
}

std::string AesField(std::uint16_t version, std::uint8_t strength, std::uint16_t method) {
  return ExtraField(0x9901, Le(version, 2) + "AE" + Le(strength, 1) + Le(method, 2));
}

namespace {

std::span<const std::uint8_t> Span(const std::string& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

std::string Derive(const std::string& password, const std::string& salt, std::size_t keySize) {
  std::string keys(2 * keySize + 2, '\0');
  zip::crypto::DeriveKey(Span(password), Span(salt), 1000,
                         {reinterpret_cast<std::uint8_t*>(keys.data()), keys.size()});
  return keys;
}

}  // namespace

std::string AesData(const std::string& data, const std::string& password, int strength, const std::string& verifierOf,
                    bool flipMac) {
  const std::size_t keySize = 8 + 8 * static_cast<std::size_t>(strength);
  const std::string salt = std::string(4 + 4 * static_cast<std::size_t>(strength), 's');
  const std::string keys = Derive(password, salt, keySize);
  zip::crypto::Aes aes(Span(keys.substr(0, keySize)));
  std::string encrypted = data;
  for (std::size_t at = 0; at < encrypted.size(); at += 16) {
    std::array<std::uint8_t, 16> counter{}, stream{};
    const std::uint64_t block = at / 16 + 1;
    for (int i = 0; i < 8; ++i) counter[i] = static_cast<std::uint8_t>(block >> (8 * i));
    aes.Encrypt(counter, stream);
    for (std::size_t i = 0; i < 16 && at + i < encrypted.size(); ++i) encrypted[at + i] ^= static_cast<char>(stream[i]);
  }
  zip::crypto::HmacSha1 hmac(Span(keys.substr(keySize, keySize)));
  hmac.Update(Span(encrypted));
  std::array<std::uint8_t, 20> mac{};
  hmac.Final(mac);
  if (flipMac) mac[9] ^= 1;
  return salt + Derive(verifierOf, salt, keySize).substr(2 * keySize) + encrypted +
         std::string(reinterpret_cast<const char*>(mac.data()), 10);
}

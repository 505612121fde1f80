#pragma once
// Little-endian fields as the format stores them. The reader never reads past its bytes: once a
// read would, every later read yields zero and ok() turns false, so a record is checked once.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zip {

using Bytes = std::vector<std::uint8_t>;

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint16_t U16() { return static_cast<std::uint16_t>(Number(2)); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Number(4)); }
  std::uint64_t U64() { return Number(8); }
  std::span<const std::uint8_t> Take(std::size_t size) {
    if (!ok_ || size > bytes_.size() - position_) {
      ok_ = false;
      return {};
    }
    const auto part = bytes_.subspan(position_, size);
    position_ += size;
    return part;
  }
  std::string Text(std::size_t size) {
    const auto part = Take(size);
    return {part.begin(), part.end()};
  }
  bool ok() const { return ok_; }
  std::size_t left() const { return ok_ ? bytes_.size() - position_ : 0; }

 private:
  std::uint64_t Number(std::size_t size) {
    const auto part = Take(size);
    std::uint64_t value = 0;
    for (std::size_t i = part.size(); i > 0; --i) value = (value << 8) | part[i - 1];
    return value;
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
  bool ok_ = true;
};

class ByteWriter {
 public:
  explicit ByteWriter(Bytes& out) : out_(out) {}
  void U16(std::uint64_t value) { Number(value, 2); }
  void U32(std::uint64_t value) { Number(value, 4); }
  void U64(std::uint64_t value) { Number(value, 8); }
  void Put(std::span<const std::uint8_t> bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }
  void Put(const std::string& text) { out_.insert(out_.end(), text.begin(), text.end()); }

 private:
  void Number(std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) out_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  Bytes& out_;
};

}  // namespace zip

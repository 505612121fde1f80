#pragma once
// What every generator draws from the fuzz bytes: choices, names and contents.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace differential {

// The fuzz bytes as choices; once they run out every choice is 0, which is the plain one.
class Draw {
 public:
  Draw(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  unsigned Below(unsigned n) { return at_ < size_ ? data_[at_++] % n : 0; }
  bool OneIn(unsigned n) { return Below(n) == n - 1; }
  // Choices drawn from the far end, so that those added later leave the rest of a seed's draws
  // where they were.
  unsigned BelowFromEnd(unsigned n) { return back_ < size_ ? data_[size_ - 1 - back_++] % n : 0; }
  // Below n from three bytes, for places in data of up to 16 MiB.
  std::size_t Within(std::size_t n) {
    std::size_t value = 0;
    for (int i = 0; i < 3; ++i) value = (value << 8) | Below(256);
    return n == 0 ? 0 : value % n;
  }
  std::string Bytes(std::size_t most) {
    std::string out;
    for (std::size_t n = Below(static_cast<unsigned>(most) + 1); n > 0 && at_ < size_; --n) out += static_cast<char>(data_[at_++]);
    return out;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
  std::size_t back_ = 0;
};

// Plain, nested, odd and hostile names, or a few drawn ASCII bytes.
std::string Name(Draw& draw);
// Short, repeated or patterned data.
std::string Content(Draw& draw);

bool IsSlash(char c);
// Rooted, a drive, or a segment Windows reads as "..": hostile whatever reads it.
bool LeavesTarget(std::string_view name);
// Where a name lands when nothing is renamed: empty and "." segments dropped, "/" between the rest.
std::string Lands(std::string_view name);

}  // namespace differential

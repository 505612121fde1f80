#pragma once
// gzip members written with zlib, with the optional header fields a member may carry.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace differential {

struct MemberHeader {
  std::optional<std::string> name;     // FNAME, without NULs
  std::optional<std::string> comment;  // FCOMMENT, without NULs
  std::optional<std::string> extra;    // FEXTRA's data
  bool headerCrc = false;              // FHCRC
  int level = 6;  // 0: stored blocks, whose size follows from the data's
};

std::string GzipMember(std::string_view data, const MemberHeader& header);

// Where a member's header CRC lies in it, when it has one.
std::size_t HeaderCrcAt(const MemberHeader& header);

// A member of the stream's first bytes that is exactly `size` bytes long: stored blocks, a comment
// making up the rest. `used` says how many of the stream's bytes it holds; none when `size` is
// too small for a member.
std::optional<std::string> MemberOfSize(std::string_view stream, std::size_t size, MemberHeader header,
                                        std::size_t& used);

}  // namespace differential

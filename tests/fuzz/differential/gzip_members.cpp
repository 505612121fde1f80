#include "gzip_members.h"

#include <zlib.h>

#include <algorithm>

namespace differential {
namespace {

constexpr std::size_t kFixedHeader = 10, kTrailer = 8;

std::size_t HeaderSize(const MemberHeader& header) {
  return kFixedHeader + (header.extra ? 2 + header.extra->size() : 0) + (header.name ? header.name->size() + 1 : 0) +
         (header.comment ? header.comment->size() + 1 : 0) + (header.headerCrc ? 2 : 0);
}

}  // namespace

std::string GzipMember(std::string_view data, const MemberHeader& header) {
  z_stream stream{};
  deflateInit2(&stream, header.level, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string name = header.name.value_or(""), comment = header.comment.value_or(""), extra = header.extra.value_or("");
  gz_header fields{};
  fields.time = 1500000000;
  fields.os = 3;
  fields.name = header.name ? reinterpret_cast<Bytef*>(name.data()) : Z_NULL;
  fields.comment = header.comment ? reinterpret_cast<Bytef*>(comment.data()) : Z_NULL;
  fields.extra = header.extra ? reinterpret_cast<Bytef*>(extra.data()) : Z_NULL;
  fields.extra_len = static_cast<uInt>(extra.size());
  fields.hcrc = header.headerCrc ? 1 : 0;
  deflateSetHeader(&stream, &fields);
  std::string out(deflateBound(&stream, data.size()) + HeaderSize(header) + 64, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));  // zlib's interface is not const
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

std::size_t HeaderCrcAt(const MemberHeader& header) { return HeaderSize(header) - 2; }

std::optional<std::string> MemberOfSize(std::string_view stream, std::size_t size, MemberHeader header,
                                        std::size_t& used) {
  header.level = 0;
  // Stored blocks cost 5 bytes each, up to 64 KiB of data; what is left over goes to the comment.
  const std::size_t room = HeaderSize(header) + (header.comment ? 0 : 1) + kTrailer + 5 * (size / 65535 + 2);
  if (size < room + 5) return std::nullopt;
  used = std::min(stream.size(), size - room);
  std::string member = GzipMember(stream.substr(0, used), header);
  while (member.size() > size && used > 0) {
    used -= std::min(used, member.size() - size);
    member = GzipMember(stream.substr(0, used), header);
  }
  if (member.size() == size) return member;
  if (member.size() > size) return std::nullopt;
  if (!header.comment) {
    header.comment = std::string(size - member.size() - 1, 'c');
  } else {
    header.comment->append(size - member.size(), 'c');
  }
  member = GzipMember(stream.substr(0, used), header);
  return member.size() == size ? std::optional(member) : std::nullopt;
}

}  // namespace differential

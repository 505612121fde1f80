#include "tar_generate.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "draw.h"
#include "gzip_members.h"
#include "packed_members.h"

namespace differential {
namespace {

constexpr std::size_t kBlock = 512;
// The engine reads a gzip file this much at a time: a member may end at any place of it.
constexpr std::size_t kReadWindow = std::size_t{256} * 1024;

enum class Format { Ustar, Pax, Gnu };

// The ways writers put a number in a field; every one is read alike.
enum class Digits { Nul, Space, Full, Spaced, Base256 };

void Number(std::string& block, std::size_t at, std::size_t width, std::int64_t value, Digits digits) {
  if (digits == Digits::Base256 || value < 0) {
    for (std::size_t i = width; i-- > 1; value >>= 8) block[at + i] = static_cast<char>(value & 0xFF);
    block[at] = static_cast<char>(value < 0 ? 0xFF : 0x80);
    return;
  }
  std::string octal = value == 0 ? "0" : "";
  for (auto rest = static_cast<std::uint64_t>(value); rest > 0; rest >>= 3) octal.insert(octal.begin(), static_cast<char>('0' + (rest & 7)));
  const std::size_t room = digits == Digits::Full ? width : width - 1;
  switch (digits) {
    case Digits::Spaced: octal = std::string(room - std::min(room, octal.size()), ' ') + octal; break;
    default: octal = std::string(room - std::min(room, octal.size()), '0') + octal; break;
  }
  if (digits == Digits::Space) octal += ' ';
  block.replace(at, octal.size(), octal);
}

Digits DrawDigits(Draw& draw) {
  if (!draw.OneIn(3)) return Digits::Nul;
  return std::array{Digits::Space, Digits::Full, Digits::Spaced, Digits::Base256}[draw.Below(4)];
}

struct Header {
  std::string name, prefix, linkName;
  char type = '0';
  std::int64_t size = 0, modified = 1500000000;
  Digits sizeDigits = Digits::Nul, timeDigits = Digits::Nul;
  bool gnu = false;     // GNU's magic, and its fields where ustar has the prefix
  std::string sparse;   // GNU's old sparse fields, from offset 386
  bool signedSum = false;
  bool badTime = false;
  int checksumOff = 0;
};

std::string Block(const Header& header) {
  std::string block(kBlock, '\0');
  const auto text = [&](std::size_t at, std::size_t width, const std::string& value) {
    block.replace(at, std::min(width, value.size()), value.substr(0, width));
  };
  text(0, 100, header.name);
  Number(block, 100, 8, 0644, Digits::Nul);
  Number(block, 108, 8, 1000, Digits::Nul);
  Number(block, 116, 8, 1000, Digits::Nul);
  Number(block, 124, 12, header.size, header.sizeDigits);
  Number(block, 136, 12, header.modified, header.timeDigits);
  if (header.badTime) block[136] = 'x';
  block[156] = header.type;
  text(157, 100, header.linkName);
  block.replace(257, 8, header.gnu ? std::string("ustar  \0", 8) : std::string("ustar\0" "00", 8));
  text(265, 32, "user");
  text(297, 32, "users");
  if (header.gnu) {
    block.replace(386, header.sparse.size(), header.sparse);
  } else {
    text(345, 155, header.prefix);
  }
  block.replace(148, 8, "        ");
  std::int64_t sum = 0;
  for (const char c : block) sum += header.signedSum ? static_cast<signed char>(c) : static_cast<unsigned char>(c);
  Number(block, 148, 7, sum + header.checksumOff, Digits::Nul);
  block[154] = '\0';
  block[155] = ' ';
  return block;
}

// The unit over and over, `size` bytes of it.
std::string Repeated(const std::string& unit, std::size_t size) {
  std::string data = unit.empty() ? std::string("x") : unit;
  while (data.size() < size) data += std::string(data);
  data.resize(size);
  return data;
}

std::string Padded(std::string data) { return data + std::string((kBlock - data.size() % kBlock) % kBlock, '\0'); }

// "LENGTH key=value\n", LENGTH counting itself.
std::string PaxRecord(const std::string& key, const std::string& value) {
  const std::size_t body = key.size() + value.size() + 3;
  std::size_t length = body + 1;
  while (std::to_string(length).size() + body != length) ++length;
  return std::to_string(length) + " " + key + "=" + value + "\n";
}

// An entry's data with holes: the runs stored, the rest zeros up to the real size.
struct Sparse {
  std::vector<std::pair<std::size_t, std::string>> runs;  // offset, data
  std::size_t realSize = 0;
  std::string Stored() const {
    std::string stored;
    for (const auto& run : runs) stored += run.second;
    return stored;
  }
  std::string Whole() const {
    std::string whole(realSize, '\0');
    for (const auto& [offset, data] : runs) whole.replace(offset, data.size(), data);
    return whole;
  }
};

Sparse DrawSparse(Draw& draw) {
  Sparse sparse;
  std::size_t at = 0;
  for (unsigned n = draw.Below(7); n > 0; --n) {
    if (draw.Below(3) != 0) {
      at += draw.Below(4) * kBlock;
      at += draw.Below(300);
    }
    std::string data = Content(draw);
    sparse.runs.emplace_back(at, data);
    at += data.size();
  }
  sparse.realSize = at + (draw.OneIn(2) ? draw.Below(700) : 0);
  return sparse;
}

// GNU's old sparse fields: four runs in the header, 21 in each extension block after it.
std::string OldSparseFields(const Sparse& sparse, std::vector<std::string>& extensions) {
  const auto entry = [](std::size_t offset, std::size_t size) {
    std::string fields(24, '\0');
    Number(fields, 0, 12, static_cast<std::int64_t>(offset), Digits::Nul);
    Number(fields, 12, 12, static_cast<std::int64_t>(size), Digits::Nul);
    return fields;
  };
  std::string header(4 * 24 + 1 + 12, '\0');
  for (std::size_t i = 0; i < sparse.runs.size(); ++i) {
    const std::string fields = entry(sparse.runs[i].first, sparse.runs[i].second.size());
    if (i < 4) {
      header.replace(24 * i, 24, fields);
      continue;
    }
    if ((i - 4) % 21 == 0) {
      if (!extensions.empty()) extensions.back()[504] = 1;
      extensions.emplace_back(kBlock, '\0');
    }
    extensions.back().replace(24 * ((i - 4) % 21), 24, fields);
  }
  header[96] = extensions.empty() ? 0 : 1;
  Number(header, 97, 12, static_cast<std::int64_t>(sparse.realSize), Digits::Nul);
  return header;
}

class TarWriter {
 public:
  TarWriter(Draw& draw, TarGenerated& out) : draw_(draw), out_(out) {
    format_ = std::array{Format::Ustar, Format::Pax, Format::Gnu}[draw.Below(3)];
  }

  void Global() {
    if (draw_.OneIn(8)) Record('g', PaxRecord("comment", "made by a generator"));
  }

  void Entry(std::size_t bigSize) {
    Header header;
    header.gnu = format_ == Format::Gnu;
    header.signedSum = draw_.OneIn(8);
    header.sizeDigits = DrawDigits(draw_);
    header.timeDigits = DrawDigits(draw_);
    header.modified = draw_.OneIn(8) ? -1 - static_cast<std::int64_t>(draw_.Within(1000000000)) : 1500000000 + draw_.Below(200);
    std::string pax;
    if (format_ == Format::Pax && draw_.OneIn(4)) {
      pax += PaxRecord("mtime", std::to_string(header.modified) + (draw_.OneIn(2) ? ".5" : ""));
    }
    std::string name = bigSize > 0 ? "big.bin" : Name(draw_);
    if (draw_.OneIn(4)) {
      std::string dirs;
      for (unsigned n = 1 + draw_.Below(4); n > 0; --n) dirs += "d" + std::string(10 + draw_.Below(60), 'e') + "/";
      name = dirs + name;
    }
    if (LeavesTarget(name)) out_.made |= kTarTraversal;
    // A tar names a folder with a slash at the end; a backslash there is part of a file's name.
    const bool folderName = !name.empty() && name.back() == '/';
    std::string data;
    std::string whole;  // what the entry extracts to, when it is a file
    bool file = false;
    switch (bigSize > 0 ? 0 : draw_.Below(16)) {
      case 0: case 1: case 2: case 3: case 4: case 5: case 6:
        // 'U' is no type anybody gives: a file, as POSIX says.
        header.type = std::array{'0', '0', '0', '\0', '7', 'U'}[draw_.Below(6)];
        data = folderName ? "" : Content(draw_);
        if (bigSize > 0) data = Repeated(data, bigSize);
        file = !folderName;
        whole = data;
        break;
      case 7: case 8:
        header.type = '5';
        if (!folderName && draw_.OneIn(2)) name += '/';
        break;
      case 9:
        header.type = '2';
        header.linkName = draw_.OneIn(2) ? "target" : Name(draw_);
        break;
      case 10:
        header.type = '1';
        header.linkName = "a.txt";
        break;
      case 11:
        header.type = std::array{'3', '4', '6'}[draw_.Below(3)];
        break;
      default: {
        const Sparse sparse = DrawSparse(draw_);
        whole = sparse.Whole();
        file = true;
        if (folderName || Lands(name).empty()) name += "f";  // a sparse file has a name of its own
        data = sparse.Stored();
        const unsigned kind = draw_.Below(4);
        if (kind == 0) {  // GNU's old type 'S'
          header.gnu = true;
          header.type = 'S';
          std::vector<std::string> extensions;
          header.sparse = OldSparseFields(sparse, extensions);
          header.size = static_cast<std::int64_t>(data.size());
          PutName(header, name, pax);
          if (!pax.empty()) Record('x', pax);
          Put(header);
          for (const std::string& extension : extensions) tar_ += extension;
          tar_ += Padded(data);
          Truth(name, whole, file);
          return;
        }
        const std::string realName = name;
        name = "GNUSparseFile.0/" + Lands(name).substr(0, 60);
        if (kind == 1 || kind == 2) {
          pax += PaxRecord("GNU.sparse.size", std::to_string(sparse.realSize));
          pax += PaxRecord("GNU.sparse.numblocks", std::to_string(sparse.runs.size()));
          if (kind == 1) {
            for (const auto& [offset, run] : sparse.runs) {
              pax += PaxRecord("GNU.sparse.offset", std::to_string(offset));
              pax += PaxRecord("GNU.sparse.numbytes", std::to_string(run.size()));
            }
          } else {
            std::string map;
            for (const auto& [offset, run] : sparse.runs) {
              map += (map.empty() ? "" : ",") + std::to_string(offset) + "," + std::to_string(run.size());
            }
            pax += PaxRecord("GNU.sparse.map", map);
          }
          pax += draw_.OneIn(2) ? PaxRecord("path", realName) : PaxRecord("GNU.sparse.name", realName);
        } else {
          pax += PaxRecord("GNU.sparse.major", "1") + PaxRecord("GNU.sparse.minor", "0");
          pax += PaxRecord("GNU.sparse.name", realName) + PaxRecord("GNU.sparse.realsize", std::to_string(sparse.realSize));
          std::string map = std::to_string(sparse.runs.size()) + "\n";
          for (const auto& [offset, run] : sparse.runs) map += std::to_string(offset) + "\n" + std::to_string(run.size()) + "\n";
          data = Padded(map) + data;
        }
        header.type = '0';
        header.name = name;
        header.size = static_cast<std::int64_t>(data.size());
        Record('x', pax);
        Put(header);
        tar_ += Padded(data);
        Truth(realName, whole, file);
        return;
      }
    }
    header.size = static_cast<std::int64_t>(data.size());
    // Folders, symbolic links and devices carry no data, yet some writers give them a size.
    if (std::string_view("52346").find(header.type) != std::string_view::npos && draw_.OneIn(4)) {
      header.size = 1 + static_cast<std::int64_t>(draw_.Within(4096));
    }
    if (file && format_ == Format::Pax && draw_.OneIn(4)) {
      pax += PaxRecord("size", std::to_string(data.size()));
      header.size = draw_.OneIn(2) ? 0 : header.size;
    } else if (file && draw_.OneIn(24)) {
      header.size += draw_.OneIn(2) ? 1 + draw_.Below(600) : -std::min<std::int64_t>(header.size, 1 + draw_.Below(600));
      out_.made |= kTarSize;
    }
    if (draw_.OneIn(32)) {
      header.badTime = true;
      out_.made |= kTarNumber;
    }
    if (draw_.OneIn(32)) {
      header.checksumOff = 1;
      out_.made |= kTarChecksum;
    }
    if (header.linkName.size() > 100) {
      if (format_ == Format::Pax) {
        pax += PaxRecord("linkpath", header.linkName);
      } else {
        Record('K', header.linkName + '\0');
      }
    }
    PutName(header, name, pax);
    if (draw_.OneIn(32) && !pax.empty()) {
      pax.insert(0, "99 ");  // its length past the records
      out_.made |= kTarPax;
    }
    if (!pax.empty()) Record('x', pax);
    Put(header);
    tar_ += Padded(data);
    Truth(name, whole, file);
  }

  std::string End() {
    switch (draw_.Below(8)) {
      case 0: break;  // no end blocks, as some writers leave them out
      case 1: tar_ += std::string(kBlock, '\0'); break;
      case 2: tar_ += std::string(2 * kBlock, '\0'); tar_ = Padded(tar_ + std::string(10240 - tar_.size() % 10240, '\0')); break;
      default: tar_ += std::string(2 * kBlock, '\0'); break;
    }
    if (draw_.OneIn(12)) {
      tar_ += std::string(1, '\0') + draw_.Bytes(16);
      out_.made |= kTarAfterEnd;
    }
    return std::move(tar_);
  }

 private:
  // Where the name goes: the header, its prefix, a GNU long name or a pax path.
  void PutName(Header& header, const std::string& name, std::string& pax) {
    header.name = name;
    if (name.size() <= 100 && !draw_.OneIn(8)) return;
    if (format_ == Format::Ustar && !header.gnu) {
      for (std::size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1)) {
        if (slash <= 155 && name.size() - slash - 1 <= 100 && slash + 1 < name.size()) {
          header.prefix = name.substr(0, slash);
          header.name = name.substr(slash + 1);
          return;
        }
      }
    }
    if (format_ == Format::Pax) {
      pax += PaxRecord("path", name);
    } else {
      Record('L', name + '\0');
    }
    header.name = name.substr(0, 100);
  }

  // A record that names or describes the next entry: its header and its data.
  void Record(char type, const std::string& data) {
    Header header;
    header.gnu = type == 'L' || type == 'K';
    header.name = header.gnu ? "././@LongLink" : "PaxHeaders/x";
    header.type = type;
    header.size = static_cast<std::int64_t>(data.size());
    header.sizeDigits = DrawDigits(draw_);
    Put(header);
    tar_ += Padded(data);
  }

  void Put(const Header& header) { tar_ += Block(header); }

  void Truth(const std::string& name, const std::string& whole, bool file) {
    if (file && !Lands(name).empty()) out_.contents.push_back(whole);
    if (LeavesTarget(name)) out_.made |= kTarTraversal;
  }

  Draw& draw_;
  TarGenerated& out_;
  Format format_;
  std::string tar_;
};

MemberHeader DrawMemberHeader(Draw& draw) {
  MemberHeader header;
  const auto text = [&](std::size_t most) {
    std::string bytes = draw.Bytes(most);
    for (char& c : bytes) c = static_cast<char>(1 + static_cast<std::uint8_t>(c) % 255);  // no NUL
    return bytes;
  };
  if (draw.OneIn(3)) header.name = draw.OneIn(2) ? Name(draw) : text(12);
  if (draw.OneIn(6)) header.comment = text(12);
  if (draw.OneIn(6)) header.extra = draw.Bytes(12);
  header.headerCrc = draw.OneIn(6);
  header.level = static_cast<int>(draw.Below(10));
  return header;
}

// The stream in gzip members: the first one `firstSize` bytes long when that is not 0, the rest
// cut where drawn.
std::string Gzipped(Draw& draw, const std::string& stream, std::size_t firstSize, TarGenerated& out) {
  std::string file;
  std::size_t at = 0;
  const auto bend = [&](std::string member, const MemberHeader& header) {
    if (header.headerCrc && draw.OneIn(8)) {
      member[HeaderCrcAt(header)] ^= 1;
      out.made |= kGzipHeaderCrc;
    }
    if (draw.OneIn(32)) {
      const std::size_t at = member.size() - 1 - draw.Below(8);
      member[at] ^= static_cast<char>(1 << draw.Below(8));
      out.made |= kGzipCrc;
    }
    file += member;
  };
  if (firstSize > 0) {
    std::size_t used = 0;
    const MemberHeader header = DrawMemberHeader(draw);
    if (auto member = MemberOfSize(stream, firstSize, header, used)) {
      bend(*member, header);
      at = used;
    }
  }
  std::vector<std::size_t> cuts;
  for (unsigned n = draw.Below(4); n > 0; --n) cuts.push_back(at + draw.Within(stream.size() - at + 1));
  cuts.push_back(stream.size());
  std::sort(cuts.begin(), cuts.end());
  for (const std::size_t cut : cuts) {
    if (cut < at || (cut == at && !file.empty() && !draw.OneIn(4))) continue;
    const MemberHeader header = DrawMemberHeader(draw);
    bend(GzipMember(std::string_view(stream).substr(at, cut - at), header), header);
    at = cut;
  }
  if (draw.OneIn(12)) file += std::string(1 + draw.Below(16), '\0');  // padding some writers leave
  if (draw.OneIn(24)) {
    file += "\x1F\x8B" + draw.Bytes(10);
    out.made |= kGzipTrailer;
  }
  return file;
}

// The stream in xz streams, bzip2 streams or zstd frames cut where drawn, or in one lzma file;
// with what writers put between and after them. With `firstSize`, the member after the first
// starts there, near the edge of the engine's read window, where xz pads or zstd skips.
std::string Packed(Draw& draw, Packer packer, const std::string& stream, std::size_t firstSize, TarGenerated& out) {
  std::string file;
  const auto member = [&](std::string_view data) {
    const unsigned level = draw.Below(3), variant = draw.Below(8);
    std::string packed = PackedMember(packer, data, level, variant);
    const Guarded guarded = GuardedTail(packer, variant);
    if (guarded.bytes > 0 && packed.size() >= guarded.bytes + guarded.beforeEnd && draw.OneIn(24)) {
      packed[packed.size() - guarded.beforeEnd - 1 - draw.Below(guarded.bytes)] ^= static_cast<char>(1 << draw.Below(8));
      out.made |= kPackCheck;
    }
    file += packed;
  };
  const auto between = [&](bool first) {
    if (packer == Packer::Xz) {
      const std::size_t to = firstSize & ~std::size_t{3};
      if (first && to > file.size()) file += std::string(to - file.size(), '\0');
      if (draw.OneIn(6)) file += std::string(4 * draw.Below(4), '\0');  // stream padding
    } else if (packer == Packer::Zstd) {
      if (first && firstSize >= file.size() + 8) file += SkippableFrame(firstSize - file.size());
      if (draw.OneIn(8)) file += SkippableFrame(8 + draw.Below(24));
    }
  };
  std::vector<std::size_t> cuts;
  if (packer != Packer::Lzma) {  // one stream to a file
    for (unsigned n = draw.Below(4); n > 0; --n) cuts.push_back(draw.Within(stream.size() + 1));
  }
  cuts.push_back(stream.size());
  std::sort(cuts.begin(), cuts.end());
  std::size_t at = 0;
  for (const std::size_t cut : cuts) {
    if (cut == at && !file.empty() && !draw.OneIn(4)) continue;
    const bool first = file.empty();
    member(std::string_view(stream).substr(at, cut - at));
    at = cut;
    if (at < stream.size()) between(first);
  }
  if (draw.OneIn(12)) {
    const std::size_t zeros = 1 + draw.Below(16);
    file += std::string(zeros, '\0');  // padding some writers leave
    if (packer != Packer::Xz || zeros % 4 != 0) out.made |= kPackPadding;
  }
  if (draw.OneIn(24)) {
    static constexpr std::string_view kMagics[] = {"\xFD" "7zXZ", "BZh9", "\x28\xB5\x2F\xFD", "\x5D"};
    file += std::string(kMagics[static_cast<int>(packer)]) + draw.Bytes(10);
    out.made |= kPackTrailer;
  }
  return file;
}

// Cut short, the first `keep` bytes kept.
void Cut(Draw& draw, std::string& bytes, std::size_t keep, unsigned bend, TarGenerated& out) {
  if (bytes.size() <= keep || !draw.OneIn(24)) return;
  bytes.resize(bytes.size() - 1 - draw.Within(std::min<std::size_t>(bytes.size() - keep, 2048)));
  out.made |= bend;
}

}  // namespace

TarGenerated GenerateTar(const std::uint8_t* data, std::size_t size) {
  Draw draw(data, size);
  TarGenerated out;
  // 0 to 2: a tar, 3 to 5: a compressed tar, 6 and 7: a lone compressed file
  const unsigned kind = draw.Below(8);
  // The first member ending near the edge of the engine's read window, the next one's first
  // bytes on either side of it; drawn first, as later choices may find the fuzz bytes used up.
  const std::size_t firstSize = kind >= 3 && draw.OneIn(3) ? kReadWindow - draw.Below(5) : 0;
  const std::size_t bigSize = firstSize > 0 ? kReadWindow + draw.Within(4096) : 0;
  std::string stream;
  if (kind >= 6) {
    out.reader = Reader::Gzip;
    stream = Content(draw);
    if (bigSize > 0) stream = Repeated(stream, bigSize);
    if (stream.empty()) out.made |= kLoneEmpty;
    out.contents.push_back(stream);
  } else {
    TarWriter writer(draw, out);
    writer.Global();
    if (bigSize > 0) writer.Entry(bigSize);
    for (std::size_t n = 1 + draw.Below(5); n > 0; --n) writer.Entry(0);
    stream = writer.End();
    Cut(draw, stream, kBlock, kTarTruncated, out);  // a header at least, or it is no tar
  }
  if (kind < 3) {
    out.archive = std::move(stream);
    return out;
  }
  const unsigned made = out.made;
  out.packer = "gzip";
  out.archive = Gzipped(draw, stream, firstSize, out);
  Cut(draw, out.archive, 0, kGzipTruncated, out);
  // Drawn last, so that the inputs found before the other packers came keep their meaning.
  if (const unsigned packer = draw.Below(5); packer > 0) {
    static constexpr Reader kLone[] = {Reader::Xz, Reader::Bzip2, Reader::Zstd, Reader::Lzma};
    static constexpr const char* kNames[] = {"xz", "bzip2", "zstd", "lzma"};
    out.made = made;
    out.packer = kNames[packer - 1];
    out.archive = Packed(draw, static_cast<Packer>(packer - 1), stream, firstSize, out);
    Cut(draw, out.archive, 0, kPackTruncated, out);
    if (out.reader != Reader::Tar) out.reader = kLone[packer - 1];
  }
  return out;
}

std::string TarBendNames(unsigned made) {
  static constexpr std::array<std::string_view, 16> kNames = {
      "traversal", "checksum", "number", "size", "tar-truncated", "pax-record",
      "gzip-truncated", "gzip-crc", "gzip-header-crc", "gzip-trailer", "lone-empty", "after-end",
      "packed-truncated", "packed-check", "packed-trailer", "packed-padding"};
  std::string names;
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if ((made & (1U << i)) != 0) names += (names.empty() ? "" : ",") + std::string(kNames[i]);
  }
  return names.empty() ? "none" : names;
}

}  // namespace differential

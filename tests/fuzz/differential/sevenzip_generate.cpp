#include "sevenzip_generate.h"

#include <archive.h>
#include <archive_entry.h>

#include <array>
#include <clocale>
#include <memory>
#include <string_view>

#include "draw.h"

namespace differential {
namespace {

struct FreeWriter {
  void operator()(archive* writer) const { archive_write_free(writer); }
};
struct FreeEntry {
  void operator()(archive_entry* entry) const { archive_entry_free(entry); }
};

la_ssize_t Append(archive*, void* out, const void* data, std::size_t size) {
  static_cast<std::string*>(out)->append(static_cast<const char*>(data), size);
  return static_cast<la_ssize_t>(size);
}

constexpr std::array<const char*, 6> kMethods = {"copy", "deflate", "bzip2", "lzma1", "lzma2", "ppmd"};

// Adds one entry; false when the writer would not take it.
bool Add(archive* writer, const std::string& name, bool folder, const std::string& data) {
  const std::unique_ptr<archive_entry, FreeEntry> entry(archive_entry_new());
  archive_entry_set_pathname_utf8(entry.get(), name.c_str());
  archive_entry_set_filetype(entry.get(), folder ? AE_IFDIR : AE_IFREG);
  archive_entry_set_perm(entry.get(), folder ? 0755 : 0644);
  archive_entry_set_mtime(entry.get(), 1500000000, 0);
  archive_entry_set_size(entry.get(), folder ? 0 : static_cast<la_int64_t>(data.size()));
  if (archive_write_header(writer, entry.get()) < ARCHIVE_WARN) return false;
  return folder || data.empty() || archive_write_data(writer, data.data(), data.size()) == static_cast<la_ssize_t>(data.size());
}

}  // namespace

SevenZipGenerated GenerateSevenZip(const std::uint8_t* data, std::size_t size) {
  // Names are UTF-8 to the writer as to the reader.
  static const bool utf8 = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
  (void)utf8;
  Draw draw(data, size);
  SevenZipGenerated out;
  out.method = kMethods[draw.Below(kMethods.size())];
  // Low levels: a large dictionary costs every run its memory.
  const std::string level = std::to_string(draw.Below(3));
  std::string bytes;
  {
    const std::unique_ptr<archive, FreeWriter> writer(archive_write_new());
    archive_write_set_format_7zip(writer.get());
    archive_write_set_format_option(writer.get(), "7zip", "compression", out.method.c_str());
    archive_write_set_format_option(writer.get(), "7zip", "compression-level", level.c_str());
    archive_write_set_bytes_per_block(writer.get(), 0);  // no blocking: the archive ends where it ends
    if (archive_write_open(writer.get(), &bytes, nullptr, Append, nullptr) != ARCHIVE_OK) return out;
    for (unsigned n = draw.Below(7); n > 0; --n) {
      std::string name = Name(draw);
      const unsigned kind = draw.Below(8);
      const bool folder = kind == 0 || (!name.empty() && name.back() == '/');
      std::string content;
      if (!folder && kind != 1) {  // 1: an empty file
        content = Content(draw);
        if (kind == 2) {  // large enough for more than one block of the coders
          while (!content.empty() && content.size() < 300000) content += content;
        }
      }
      if (!Add(writer.get(), name, folder, content)) continue;
      if (LeavesTarget(name)) out.made |= kSevenTraversal;
      if (name.empty()) out.made |= kSevenEmptyName;
      if (!folder && !Lands(name).empty()) out.contents.push_back(content);
    }
    if (archive_write_close(writer.get()) != ARCHIVE_OK) return out;
  }
  for (unsigned n = draw.OneIn(4) ? 1 + draw.Below(3) : 0; n > 0 && !bytes.empty(); --n) {
    const std::size_t at = draw.Within(bytes.size());
    const unsigned bit = draw.Below(8);
    bytes[at] ^= static_cast<char>(1 << bit);
    out.made |= kSevenFlipped;
    out.bends += "; bit " + std::to_string(bit) + " of byte " + std::to_string(at);
  }
  if (!bytes.empty() && draw.OneIn(8)) {
    bytes.resize(draw.Within(bytes.size()));
    out.made |= kSevenCut;
    out.bends += "; cut to " + std::to_string(bytes.size()) + " bytes";
  }
  out.archive = std::move(bytes);
  return out;
}

std::string SevenZipBendNames(unsigned made) {
  static constexpr std::array<std::string_view, 4> kNames = {"traversal", "flipped", "cut", "empty-name"};
  std::string names;
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if ((made & (1U << i)) != 0) names += (names.empty() ? "" : ",") + std::string(kNames[i]);
  }
  return names.empty() ? "none" : names;
}

}  // namespace differential

// Archives known by their first bytes, whatever their names say.
#include <gtest/gtest.h>
#include <zlib.h>

#include "builder.h"
#include "fixture.h"

TEST(ArchiveKind, IsToldByTheFirstBytes) {
  using zip::ArchiveKind;
  const std::string tar = BuildTar({{.name = "a.txt", .data = "a"}});
  const std::string label = BuildTar({{.name = "Backup", .type = 'V', .fields = {{257, std::string(8, '\0')}}}}).substr(0, 512);
  // A second gzip member storing the tar's bytes as they are, each at its own offset in the file:
  // "ustar" stands where a tar's magic would, but the header there is no tar's.
  const std::string inPlace = [&] {
    const std::size_t split = 200;
    const std::string first = Gzip(tar.substr(0, split));
    const std::string rest = tar.substr(split);
    const std::size_t name = split - first.size() - 10 - 1 - 5;  // the header, the name's NUL, the block's
    return first + std::string("\x1F\x8B\x08\x08\0\0\0\0\0\x03", 10) + std::string(name, 'n') + '\0' + '\x01' +
           Le(rest.size(), 2) + Le(~rest.size() & 0xFFFF, 2) + rest +
           Le(crc32(0, reinterpret_cast<const Bytef*>(rest.data()), static_cast<uInt>(rest.size())), 4) + Le(rest.size(), 4);
  }();
  const struct {
    const char* label;
    std::string head;
    ArchiveKind kind;
  } cases[] = {
      {"tar", tar, ArchiveKind::Tar},
      {"tar header alone", tar.substr(0, 512), ArchiveKind::Tar},
      // tar -V: GNU's volume label has no magic of its own.
      {"tar after a volume label", label + tar, ArchiveKind::Tar},
      {"tar.gz", Gzip(tar), ArchiveKind::GzipTar},
      {"tar.gz after a volume label", Gzip(label + tar), ArchiveKind::GzipTar},
      {"tar.gz after an empty member", Gzip("") + Gzip(tar), ArchiveKind::GzipTar},
      {"tar.gz stored with its magic where a tar's would be", inPlace, ArchiveKind::GzipTar},
      {"tar.gz in members shorter than a block", Gzip(tar.substr(0, 100)) + Gzip(tar.substr(100)), ArchiveKind::GzipTar},
      {"volume label alone", label + label, ArchiveKind::Other},
      {"tar.gz cut after its first block", Gzip(tar + Random(100000)).substr(0, 2000), ArchiveKind::GzipTar},
      {"gzip of text", Gzip("just text, no tar header after it" + std::string(600, 'x'), "notes.txt"), ArchiveKind::Gzip},
      {"gzip shorter than a block", Gzip("short"), ArchiveKind::Gzip},
      {"7z", std::string("7z\xBC\xAF\x27\x1C\x00\x04", 8), ArchiveKind::SevenZip},
      {"RAR 4", std::string("Rar!\x1A\x07\x00", 7), ArchiveKind::Rar},
      {"RAR 5", std::string("Rar!\x1A\x07\x01\x00", 8), ArchiveKind::Rar},
      {"RAR, another version", std::string("Rar!\x1A\x07\x02\x00", 8), ArchiveKind::Other},
      {"xz", std::string("\xFD" "7zXZ\x00\x00\x04", 8), ArchiveKind::Xz},
      {"bzip2", "BZh91AY&SY", ArchiveKind::Bzip2},
      {"bzip2 of nothing", std::string("BZh9\x17\x72\x45\x38\x50\x90", 10), ArchiveKind::Bzip2},
      {"bzip2 block size out of range", "BZh01AY&SY", ArchiveKind::Other},
      {"text starting BZh", "BZh9 is not a block", ArchiveKind::Other},
      {"zstd", std::string("\x28\xB5\x2F\xFD\x04\x00", 6), ArchiveKind::Zstd},
      // A skippable frame, or an xz stream's bytes, with "ustar" where a tar's magic would be.
      {"zstd with a tar's magic in its bytes", std::string("\x50\x2A\x4D\x18", 4) + Le(300, 4) + std::string(249, 's') +
           std::string("ustar\0" "00", 8) + std::string(43, 's') + std::string("\x28\xB5\x2F\xFD\x04\x00", 6), ArchiveKind::Zstd},
      {"xz with a tar's magic in its bytes", std::string("\xFD" "7zXZ\x00\x00\x04", 8) + std::string(249, 'x') +
           std::string("ustar\0" "00", 8) + std::string(300, 'x'), ArchiveKind::Xz},
      {"magic off its place", std::string(256, ' ') + "ustar", ArchiveKind::Other},
      {"empty", "", ArchiveKind::Other},
  };
  for (const auto& c : cases) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(c.head.data());
    EXPECT_EQ(zip::ArchiveKindByHead({bytes, c.head.size()}), c.kind) << c.label;
  }
}

TEST(ArchiveKind, OfAZipIsToldByItsEndRecordsAndOfAFileByItsHead) {
  Scratch scratch;
  WriteFile(scratch / "a.tar", BuildArchive({{.name = "x", .data = "x"}}));
  WriteFile(scratch / "a.zip", Gzip("text"));
  EXPECT_EQ(zip::ArchiveKindOf(Engine(scratch / "a.tar")), zip::ArchiveKind::Zip);
  EXPECT_EQ(zip::ArchiveKindOf(Engine(scratch / "a.zip")), zip::ArchiveKind::Gzip);
  EXPECT_EQ(zip::ArchiveKindOf(Engine(scratch / "missing")), zip::ArchiveKind::Other);
  // A zip inside a tar, at its end, is the tar's: its end records are no more than data.
  WriteFile(scratch / "b.zip", BuildTar({{.name = "inner.zip", .data = BuildArchive({{.name = "x", .data = "x"}})}}));
  EXPECT_EQ(zip::ArchiveKindOf(Engine(scratch / "b.zip")), zip::ArchiveKind::Tar);
}

// The readers' table is all that Spillet's command line, its file dialog and its words for what
// it leaves out ask: which kinds are extracted, which are one file compressed, what each is.
TEST(ArchiveKind, TheReadersTableTellsWhatIsExtracted) {
  using zip::ArchiveKind;
  const struct {
    ArchiveKind kind;
    bool extractable;
    bool oneFile;
    const char* name;
  } cases[] = {
      {ArchiveKind::Other, false, false, ""},
      {ArchiveKind::Zip, true, false, "a zip archive"},
      {ArchiveKind::Tar, true, false, "a tar archive"},
      {ArchiveKind::GzipTar, true, false, "a tar.gz archive"},
      {ArchiveKind::Gzip, true, true, "a gzip'd file"},
      {ArchiveKind::SevenZip, true, false, "a 7z archive"},
      {ArchiveKind::Rar, false, false, "a RAR archive"},
      {ArchiveKind::XzTar, true, false, "a tar.xz archive"},
      {ArchiveKind::Xz, true, true, "compressed with xz"},
      {ArchiveKind::Bzip2, true, true, "compressed with bzip2"},
      {ArchiveKind::ZstdTar, true, false, "a tar.zst archive"},
      {ArchiveKind::Lzma, true, true, "compressed with lzma"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(zip::Extractable(c.kind), c.extractable) << c.name;
    EXPECT_EQ(zip::HoldsOneFile(c.kind), c.oneFile) << c.name;
    EXPECT_EQ(zip::KindName(c.kind), c.name);
  }
  // In the kinds' order, not the order they are told apart in.
  EXPECT_EQ(zip::ExtractablePatterns(";"), "*.zip;*.tar;*.tar.gz;*.tgz;*.gz;*.7z;*.tar.xz;*.txz;*.xz;*.tar.bz2;*.tbz2;"
                                           "*.tbz;*.bz2;*.tar.zst;*.tzst;*.zst;*.tar.lzma;*.lzma");
  EXPECT_EQ(zip::ExtractablePatterns("; ").substr(0, 31), "*.zip; *.tar; *.tar.gz; *.tgz; ");
}

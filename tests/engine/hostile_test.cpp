// Archives built to harm: nothing lands outside the target, nothing is overwritten, and damage
// is named.
#include <fstream>

#include "builder.h"
#include "fixture.h"

namespace {

struct Extracted {
  zip::Error error;
  zip::ExtractReport report;
};

Extracted ExtractBuilt(const Scratch& scratch, const std::vector<Item>& items, const std::string& prefix = "") {
  WriteFile(scratch / "a.zip", BuildArchive(items, prefix));
  // Given twice, as by one sure of it: an encrypted entry's data that does not match is damage then.
  Counting observer(UINT64_MAX, {"Secret", "Secret"});
  Extracted result;
  fs::create_directories(scratch / "out");
  result.error = zip::ExtractArchive(Engine(scratch / "a.zip"), Engine(scratch / "out"), observer, result.report);
  return result;
}

// The scratch folder holds the archive and the empty target, nothing else.
void ExpectNothingWritten(const Scratch& scratch) {
  EXPECT_EQ(CountEntries(scratch / "out"), 0U);
  EXPECT_EQ(CountEntries(scratch.path()), 2U);
}

class Traversal : public ::testing::TestWithParam<const char*> {};

std::string PaxRecord(const std::string& key, const std::string& value) {
  const std::string record = " " + key + "=" + value + "\n";
  std::string length = std::to_string(record.size() + 1);
  length = std::to_string(record.size() + length.size());  // counts its own digits
  return length + record;
}

TEST_P(Traversal, RefusesTheWholeArchive) {
  Scratch scratch;
  const Extracted result = ExtractBuilt(scratch, {{.name = "fine.txt", .data = "fine"}, {.name = GetParam(), .data = "x"}});
  EXPECT_EQ(result.error.kind, zip::Failure::OutsideTarget);
  EXPECT_EQ(result.error.entry, GetParam());
  ExpectNothingWritten(scratch);
  // The same names in a tar's header, in a pax record over a harmless one, gzip'd.
  for (const std::string& tar :
       {BuildTar({{.name = "fine.txt", .data = "fine"}, {.name = GetParam(), .data = "x"}}),
        Gzip(BuildTar({{.name = "fine.txt", .data = "fine"}, {.name = "x", .data = "x", .pax = PaxRecord("path", GetParam())}}))}) {
    WriteFile(scratch / "a.zip", tar);
    zip::ExtractReport report;
    const zip::Error error = Unzip(scratch / "a.zip", scratch / "out", &report);
    EXPECT_EQ(error.kind, zip::Failure::OutsideTarget);
    EXPECT_EQ(error.entry, GetParam());
    ExpectNothingWritten(scratch);
  }
}

INSTANTIATE_TEST_SUITE_P(Names, Traversal,
                         ::testing::Values("../evil.txt", "a/../../evil.txt", "a/b/../../../evil.txt", "..\\evil.txt",
                                           "a\\..\\..\\evil.txt", "a/.. /evil.txt", "a/.../evil.txt", "/etc/evil",
                                           "\\evil.txt", "C:/evil.txt", "C:evil.txt", "c:\\evil.txt",
                                           "//server/share/evil.txt", "\\\\server\\share\\evil.txt",
                                           "\\\\?\\C:\\evil.txt"));

struct Rename {
  const char* name;
  const char* safe;
};
void PrintTo(const Rename& value, std::ostream* out) { *out << value.name; }

class UnsafeName : public ::testing::TestWithParam<Rename> {};

const std::string kLongName = std::string(300, 'a') + ".txt";
const std::string kLongNameCut = std::string(251, 'a') + ".txt";
// Cut where a surrogate pair would be split: the whole pair goes.
const std::string kLongFolder = "d/" + std::string(254, 'b') + "\U0001F600c/f";
const std::string kLongFolderCut = "d/" + std::string(254, 'b') + "/f";

TEST_P(UnsafeName, IsExtractedUnderASafeNameAndReported) {
  Scratch scratch;
  const Extracted result =
      ExtractBuilt(scratch, {{.name = "keep.txt", .data = "keep"}, {.name = GetParam().name, .data = "data"}});
  ASSERT_FALSE(result.error) << result.error.detail;
  ASSERT_EQ(result.report.renamed.size(), 1U);
  EXPECT_EQ(result.report.renamed[0].entry, GetParam().name);
  EXPECT_EQ(result.report.renamed[0].extractedAs, GetParam().safe);
  EXPECT_EQ(ReadFile(scratch / ("out/" + std::string(GetParam().safe))), "data");
  EXPECT_EQ(ReadFile(scratch / "out/keep.txt"), "keep");
}

INSTANTIATE_TEST_SUITE_P(Windows, UnsafeName,
                         ::testing::Values(Rename{"file.txt:stream", "file.txt_stream"},
                                           Rename{"what?.txt", "what_.txt"}, Rename{"<>|\"*.txt", "_____.txt"},
                                           Rename{"tab\there.txt", "tab_here.txt"}, Rename{"CON", "_CON"},
                                           Rename{"con.txt", "_con.txt"}, Rename{"Lpt9.log.gz", "_Lpt9.log.gz"},
                                           Rename{"COM1 .txt", "_COM1 .txt"}, Rename{"aux/inner.txt", "_aux/inner.txt"},
                                           Rename{"trailing.", "trailing_"}, Rename{"blank ", "blank_"},
                                           Rename{"dir./file.txt", "dir_/file.txt"}, Rename{"COM0.txt", "_COM0.txt"},
                                           Rename{"lpt0", "_lpt0"}, Rename{"COM¹", "_COM¹"},
                                           Rename{"lpt³.log", "_lpt³.log"}, Rename{"conin$", "_conin$"},
                                           Rename{kLongName.c_str(), kLongNameCut.c_str()},
                                           Rename{kLongFolder.c_str(), kLongFolderCut.c_str()}));

struct Collision {
  const char* label;
  std::vector<std::string> names;
  std::vector<std::string> files;  // where each entry's data ends up, in entry order
};
void PrintTo(const Collision& value, std::ostream* out) { *out << value.label; }

class FoldedCollision : public ::testing::TestWithParam<Collision> {};

TEST_P(FoldedCollision, NumbersTheLaterNameAndOverwritesNothing) {
  Scratch scratch;
  std::vector<Item> items;
  for (const std::string& name : GetParam().names) items.push_back({.name = name, .data = std::to_string(items.size())});
  const Extracted result = ExtractBuilt(scratch, items);
  ASSERT_FALSE(result.error) << result.error.detail;
  for (std::size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(ReadFile(scratch / ("out/" + GetParam().files[i])), std::to_string(i)) << GetParam().files[i];
  }
  std::size_t renamed = 0;
  for (std::size_t i = 0; i < items.size(); ++i) renamed += GetParam().names[i] != GetParam().files[i];
  EXPECT_EQ(result.report.renamed.size(), renamed);
}

INSTANTIATE_TEST_SUITE_P(
    Names, FoldedCollision,
    ::testing::Values(Collision{"Case", {"Readme.txt", "README.TXT"}, {"Readme.txt", "README (2).TXT"}},
                      Collision{"Same", {"s.txt", "s.txt", "s.txt"}, {"s.txt", "s (2).txt", "s (3).txt"}},
                      Collision{"FileThenFolder", {"x", "X/y", "X/z"}, {"x", "X (2)/y", "X (2)/z"}},
                      Collision{"FolderThenFile", {"X/y", "x"}, {"X/y", "x (2)"}},
                      Collision{"FoldersMerge", {"Dir/a", "DIR/b"}, {"Dir/a", "Dir/b"}},
                      Collision{"NumberTaken", {"a.txt", "a (2).txt", "A.TXT"}, {"a.txt", "a (2).txt", "A (3).TXT"}},
                      Collision{"Cyrillic", {"Файл.txt", "ФАЙЛ.TXT"}, {"Файл.txt", "ФАЙЛ (2).TXT"}},
                      Collision{"AfterRenaming", {"a?", "a_"}, {"a_", "a_ (2)"}},
                      Collision{"UnicodeUpperCase",
                                {"ș", "Ș", "ả", "Ả", "ạ", "Ạ", "ά", "Ά", "ա", "Ա", "ⓐ", "Ⓐ", "ⅰ", "Ⅰ", "ǆ", "Ǆ", "ǅ"},
                                {"ș", "Ș (2)", "ả", "Ả (2)", "ạ", "Ạ (2)", "ά", "Ά (2)", "ա", "Ա (2)", "ⓐ",
                                 "Ⓐ (2)", "ⅰ", "Ⅰ (2)", "ǆ", "Ǆ (2)", "ǅ (3)"}},
                      Collision{"LongerThanWindowsHolds",
                                {kLongName, kLongName},
                                {kLongNameCut, std::string(247, 'a') + " (2).txt"}}),
    [](const auto& info) { return std::string(info.param.label); });

// Entries whose names leave nothing to extract: a file is named in the report, never dropped unsaid.
TEST(NamelessEntries, AreReportedAndTheRestExtracted) {
  Scratch scratch;
  const Extracted result = ExtractBuilt(
      scratch, {{.name = "", .data = "1"}, {.name = "./", .data = ""}, {.name = ".", .data = "2"}, {.name = "a.txt", .data = "3"}});
  ASSERT_FALSE(result.error) << result.error.detail;
  EXPECT_EQ(result.report.nameless, (std::vector<std::string>{"", "."}));
  EXPECT_EQ(CountEntries(scratch / "out"), 1U);
}

// A name the plan held free may be taken on disk all the same (on NTFS, "LONGFI~1.TXT" is the short
// name of a file extracted before it): the next number is taken, nothing there is opened.
TEST(NamesTakenOnDisk, AreNumberedAndReported) {
  Scratch scratch;
  fs::create_directories(scratch / "out/d");
  WriteFile(scratch / "out/a.txt", "there");
  WriteFile(scratch / "out/e", "there");
  const Extracted result = ExtractBuilt(
      scratch, {{.name = "a.txt", .data = "1"}, {.name = "d/x.txt", .data = "2"}, {.name = "e/y.txt", .data = "3"}});
  ASSERT_FALSE(result.error) << result.error.detail;
  EXPECT_EQ(ReadFile(scratch / "out/a.txt"), "there");
  EXPECT_EQ(ReadFile(scratch / "out/a (2).txt"), "1");
  EXPECT_EQ(ReadFile(scratch / "out/d (2)/x.txt"), "2");
  EXPECT_EQ(ReadFile(scratch / "out/e (2)/y.txt"), "3");
  EXPECT_EQ(result.report.renamed.size(), 3U);
}

TEST(Links, AreSkippedAndReported) {
  Scratch scratch;
  const Extracted result = ExtractBuilt(
      scratch, {{.name = "link", .data = "/etc/passwd", .external = 0120777U << 16}, {.name = "real", .data = "r"}});
  ASSERT_FALSE(result.error);
  EXPECT_EQ(result.report.linksSkipped, std::vector<std::string>{"link"});
  EXPECT_FALSE(fs::exists(fs::symlink_status(scratch / "out/link")));
}

TEST(Links, InATarAreSkippedWithDevicesAndPipesAndReported) {
  Scratch scratch;
  WriteFile(scratch / "a.zip", BuildTar({{.name = "soft", .type = '2', .linkName = "/etc/passwd"},
                                         {.name = "hard", .type = '1', .linkName = "real"},
                                         {.name = "real", .data = "r"},
                                         {.name = "pipe", .type = '6'},
                                         {.name = "disk", .type = '4'}}));
  zip::ExtractReport report;
  ASSERT_FALSE(Unzip(scratch / "a.zip", scratch / "out", &report));
  EXPECT_EQ(report.linksSkipped, (std::vector<std::string>{"soft", "hard"}));
  EXPECT_EQ(report.specialSkipped, (std::vector<std::string>{"pipe", "disk"}));
  EXPECT_EQ(Tree(scratch / "out"), (std::map<std::string, Node>{{"real", {"r", 15000000000000000}}}));
}

// A link swapped in while extracting, as another program could: nothing goes through it.
class Planting : public Counting {
 public:
  explicit Planting(const Scratch& scratch) : scratch_(scratch) {}
  void Done(std::uint64_t bytes, const std::string& item) override {
    Counting::Done(bytes, item);
    if (planted_ || bytes == 0) return;
    planted_ = true;
    fs::rename(scratch_ / "out/a", scratch_ / "out/moved");
    fs::create_directory_symlink(scratch_ / "elsewhere", scratch_ / "out/a");
  }

 private:
  const Scratch& scratch_;
  bool planted_ = false;
};

// The rest goes into the folder made for it, wherever that was moved.
TEST(Links, PlantedInTheTargetAreNeverWrittenThrough) {
  Scratch scratch;
  fs::create_directories(scratch / "elsewhere");
  fs::create_directories(scratch / "out");
  WriteFile(scratch / "a.zip", BuildArchive({{.name = "a/1.txt", .data = "one"}, {.name = "a/2.txt", .data = "two"}}));
  Planting planting(scratch);
  zip::ExtractReport report;
  ASSERT_FALSE(zip::ExtractArchive(Engine(scratch / "a.zip"), Engine(scratch / "out"), planting, report, 1));
  EXPECT_TRUE(fs::is_empty(scratch / "elsewhere"));
  EXPECT_EQ(ReadFile(scratch / "out/moved/2.txt"), "two");
}

struct Fault {
  const char* label;
  std::vector<Item> items;
  zip::Failure kind;
  bool written;  // found while extracting, after some output
  const char* detail = "";  // a part of the failure's words, when given
};
void PrintTo(const Fault& value, std::ostream* out) { *out << value.label; }

class DamagedArchive : public ::testing::TestWithParam<Fault> {};

TEST_P(DamagedArchive, IsRefusedNamingTheEntry) {
  Scratch scratch;
  const Extracted result = ExtractBuilt(scratch, GetParam().items);
  EXPECT_EQ(result.error.kind, GetParam().kind) << result.error.detail;
  EXPECT_EQ(result.error.entry, "bad") << result.error.detail;
  EXPECT_NE(result.error.detail.find(GetParam().detail), std::string::npos) << result.error.detail;
  if (!GetParam().written) ExpectNothingWritten(scratch);
}

const std::string kZeros(1 << 20, '\0');
const std::string kAesData = AesData("data", "Secret", 3, "Secret");

INSTANTIATE_TEST_SUITE_P(
    Faults, DamagedArchive,
    ::testing::Values(
        Fault{"FlippedCrc", {{.name = "bad", .data = "data", .crcFlip = 1}}, zip::Failure::Damaged, true},
        Fault{"FlippedCrcDeflated", {{.name = "bad", .data = kZeros, .deflate = true, .crcFlip = 8}}, zip::Failure::Damaged, true},
        Fault{"LocalName", {{.name = "bad", .data = "d", .localName = "other"}}, zip::Failure::Damaged, false},
        Fault{"LocalMethod", {{.name = "bad", .data = "d", .localMethod = 8}}, zip::Failure::Damaged, false},
        Fault{"CentralSize", {{.name = "bad", .data = "data", .centralSize = 3}}, zip::Failure::Damaged, false},
        Fault{"IntoCentralDirectory", {{.name = "bad", .data = "data", .compressedSize = 60}}, zip::Failure::Damaged, false},
        Fault{"Overlap", {{.name = "bad", .data = "d"}, {.name = "bad", .data = "d", .sharesDataOf = 0}},
              zip::Failure::TooLarge, false},
        Fault{"Bomb", {{.name = "bad", .data = kZeros, .deflate = true, .size = 1000}}, zip::Failure::TooLarge, true},
        Fault{"Deflate64Bomb", {{.name = "bad", .data = kZeros, .deflate64 = true, .size = 1000}}, zip::Failure::TooLarge,
              true, "past its declared size"},
        Fault{"Deflate64SizeTooLarge", {{.name = "bad", .data = kZeros, .deflate64 = true, .size = (1 << 20) + 1}},
              zip::Failure::Damaged, true, "its data ends early"},
        Fault{"Deflate64Cut", {{.name = "bad", .data = "x" + kZeros, .deflate64 = true, .compressedSize = 20}},
              zip::Failure::Damaged, true, "Deflate64 data ends early"},
        Fault{"Deflate64FlippedCrc", {{.name = "bad", .data = kZeros, .deflate64 = true, .crcFlip = 8}},
              zip::Failure::Damaged, true, "CRC-32"},
        // A block of the reserved type 3; a match before any output.
        Fault{"Deflate64BlockType", {{.name = "bad", .data = "\x07", .method = 9}}, zip::Failure::Damaged, true,
              "Deflate64 data is damaged"},
        Fault{"Deflate64Distance", {{.name = "bad", .data = std::string("\x1b\x05\0\0", 4), .method = 9}},
              zip::Failure::Damaged, true, "Deflate64 data is damaged"},
        Fault{"EncryptionHeaderCut", {{.name = "bad", .data = "d", .flags = 1}}, zip::Failure::Damaged, false,
              "encryption header is cut"},
        Fault{"AesHeaderCut", {{.name = "bad", .data = "salt", .flags = 1, .extra = AesField(2, 1, 0), .method = 99}},
              zip::Failure::Damaged, false, "encryption header is cut"},
        Fault{"AesStrength", {{.name = "bad", .data = kAesData, .flags = 1, .extra = AesField(2, 4, 0), .method = 99}},
              zip::Failure::Damaged, false, "WinZip AES field"},
        Fault{"AesFieldSize",
              {{.name = "bad", .data = kAesData, .flags = 1, .extra = ExtraField(0x9901, std::string("\x02\0AE\x03\0\0\0", 8)), .method = 99}},
              zip::Failure::Damaged, false, "WinZip AES field"},
        Fault{"AesMac",
              {{.name = "bad", .data = AesData("data", "Secret", 3, "Secret", true), .flags = 1, .extra = AesField(2, 3, 0),
                .size = 4, .method = 99}},
              zip::Failure::Damaged, true, "authentication code"},
        // Its verifier is the right password's, its keys another's: 1 wrong password in 65536 gets this far.
        Fault{"AesWrongKeysPassingVerifier",
              {{.name = "bad", .data = AesData("data", "Other", 2, "Secret"), .flags = 1, .extra = AesField(2, 2, 0),
                .size = 4, .method = 99}},
              zip::Failure::Damaged, true, "authentication code"},
        // AE-1 keeps the CRC-32, here the encrypted bytes' rather than the data's.
        Fault{"Ae1Crc",
              {{.name = "bad", .data = AesData("data", "Secret", 1, "Secret"), .flags = 1, .extra = AesField(1, 1, 0),
                .size = 4, .method = 99}},
              zip::Failure::Damaged, true, "CRC-32"},
        Fault{"ZipCryptoCrc", {{.name = "bad", .data = "data", .crcFlip = 1, .password = "Secret"}}, zip::Failure::Damaged,
              true, "CRC-32"},
        Fault{"DescriptorSize", {{.name = "bad", .data = "data", .descriptor = true, .descriptorSize = 3}}, zip::Failure::Damaged, false},
        Fault{"Unsupported", {{.name = "bad", .data = "d", .localMethod = 14}}, zip::Failure::Damaged, false}),
    [](const auto& info) { return std::string(info.param.label); });

// NTFS times that are not as they should be are passed over for the extended timestamp; the
// others, and NTFS times after one of another kind, are taken.
struct NtfsTimes {
  const char* label;
  std::string attributes;  // after the reserved four bytes
  std::int64_t modified;   // 100 ns ticks since 1970
  bool localOnly = false;  // the field in the local header alone
};
void PrintTo(const NtfsTimes& value, std::ostream* out) { *out << value.label; }

constexpr std::uint64_t kFileTime1970 = 116444736000000000;
constexpr std::int64_t kFine = 15000000001234567;  // 2017-07-14, 0.1234567 s past the second
const std::string kFineTimes = Le(kFileTime1970 + kFine, 8) + Le(kFileTime1970, 8) + Le(kFileTime1970, 8);
constexpr std::int64_t kTimestamp = 1400000000;

class NtfsField : public ::testing::TestWithParam<NtfsTimes> {};

TEST_P(NtfsField, IsReadOnlyWhereItIsWhole) {
  Scratch scratch;
  const std::string ntfs = ExtraField(0x000A, Le(0, 4) + GetParam().attributes);
  const std::string extra = (GetParam().localOnly ? "" : ntfs) + ExtraField(0x5455, "\1" + Le(kTimestamp, 4));
  const Extracted result = ExtractBuilt(
      scratch, {{.name = "f", .data = "d", .extra = extra, .localExtra = GetParam().localOnly ? ntfs : ""}});
  ASSERT_FALSE(result.error) << result.error.detail;
  EXPECT_EQ(Modified(scratch / "out/f"), GetParam().modified);
}

INSTANTIATE_TEST_SUITE_P(
    Extra, NtfsField,
    ::testing::Values(NtfsTimes{"Whole", Le(1, 2) + Le(24, 2) + kFineTimes, kFine},
                      NtfsTimes{"LocalHeaderAlone", Le(1, 2) + Le(24, 2) + kFineTimes, kFine, true},
                      NtfsTimes{"AfterAnotherTag",
                                Le(2, 2) + Le(4, 2) + "xxxx" + Le(1, 2) + Le(24, 2) + kFineTimes, kFine},
                      NtfsTimes{"OnlyAnotherTag", Le(2, 2) + Le(24, 2) + kFineTimes, kTimestamp * 10000000},
                      NtfsTimes{"TagSizeShort", Le(1, 2) + Le(16, 2) + kFineTimes.substr(0, 16), kTimestamp * 10000000},
                      NtfsTimes{"TagSizeLong", Le(1, 2) + Le(32, 2) + kFineTimes + Le(0, 8), kTimestamp * 10000000},
                      NtfsTimes{"Truncated", Le(1, 2) + Le(24, 2) + kFineTimes.substr(0, 10), kTimestamp * 10000000},
                      NtfsTimes{"TagPastTheField", Le(2, 2) + Le(0xFFFF, 2) + kFineTimes, kTimestamp * 10000000},
                      NtfsTimes{"NoReservedBytes", "", kTimestamp * 10000000},
                      NtfsTimes{"ZeroTime", Le(1, 2) + Le(24, 2) + std::string(24, '\0'), kTimestamp * 10000000},
                      NtfsTimes{"PastInt64", Le(1, 2) + Le(24, 2) + Le(~0ULL, 8) + Le(0, 8) + Le(0, 8),
                                kTimestamp * 10000000}),
    [](const auto& info) { return std::string(info.param.label); });

// The low byte of the external attributes is MS-DOS attributes only where the host says so.
struct MadeBy {
  const char* label;
  std::uint16_t madeBy;
  std::uint32_t external;
  bool readOnly;
};
void PrintTo(const MadeBy& value, std::ostream* out) { *out << value.label; }

class ReadOnlyAttribute : public ::testing::TestWithParam<MadeBy> {};

TEST_P(ReadOnlyAttribute, IsKeptOnlyFromHostsWithDosAttributes) {
  Scratch scratch;
  const Extracted result =
      ExtractBuilt(scratch, {{.name = "f", .data = "d", .madeBy = GetParam().madeBy, .external = GetParam().external}});
  ASSERT_FALSE(result.error) << result.error.detail;
  EXPECT_EQ((fs::status(scratch / "out/f").permissions() & fs::perms::owner_write) == fs::perms::none,
            GetParam().readOnly);
}

INSTANTIATE_TEST_SUITE_P(Hosts, ReadOnlyAttribute,
                         ::testing::Values(MadeBy{"Dos", 0x0014, 0x21, true}, MadeBy{"Ntfs", 0x0A3F, 0x01, true},
                                           MadeBy{"Vfat", 0x0E14, 0x01, true},
                                           MadeBy{"DosWritable", 0x0014, 0x20, false},
                                           MadeBy{"Unix", 0x0314, (0100644U << 16) | 0x01, false},
                                           MadeBy{"MacOs", 0x1314, (0100644U << 16) | 0x01, false}),
                         [](const auto& info) { return std::string(info.param.label); });

// GNU tar's sparse files, built as it writes them: each stretch of data is an offset and a size.
using Stretches = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

std::string OldStretches(const Stretches& stretches) {
  std::string fields;
  for (const auto& [offset, size] : stretches) fields += OctalField(offset) + OctalField(size);
  return fields;
}

// The old GNU header's fields: its magic, up to four stretches, the flag for an extension block, the real size.
std::vector<std::pair<std::size_t, std::string>> OldSparseFields(const Stretches& stretches, bool extended,
                                                                 std::uint64_t size) {
  return {{257, std::string("ustar  \0", 8)}, {386, OldStretches(stretches)}, {482, extended ? "\1" : ""},
          {483, OctalField(size)}};
}

std::string OldSparseBlock(const Stretches& stretches, bool extended) {
  std::string block = OldStretches(stretches);
  block.resize(512, '\0');
  block[504] = extended ? '\1' : '\0';
  return block;
}

std::string SparsePax(const std::vector<std::pair<std::string, std::string>>& records) {
  std::string pax;
  for (const auto& [key, value] : records) pax += PaxRecord(key, value);
  return pax;
}

// Version 1.0's map at the data's start, in whole blocks.
std::string MapBlocks(const std::string& text) { return text + std::string((512 - text.size() % 512) % 512, '\0'); }

// The file a map and its data give: zeros but where the stretches lie.
std::string Spread(std::size_t size, const Stretches& stretches, const std::string& data) {
  std::string file(size, '\0');
  std::size_t at = 0;
  for (const auto& [offset, length] : stretches) {
    file.replace(offset, length, data.substr(at, length));
    at += length;
  }
  return file;
}

const Stretches kStretches = {{5, 3}, {50, 4}};
const std::string kSparseData = "xxxyyyy";

struct TarFault {
  const char* label;
  std::string archive;
  zip::Failure kind = zip::Failure::Damaged;
};
void PrintTo(const TarFault& value, std::ostream* out) { *out << value.label; }

class DamagedTar : public ::testing::TestWithParam<TarFault> {};

TEST_P(DamagedTar, IsRefusedBeforeAnythingIsWritten) {
  Scratch scratch;
  WriteFile(scratch / "a.zip", GetParam().archive);
  const zip::Error error = Unzip(scratch / "a.zip", scratch / "out");
  EXPECT_EQ(error.kind, GetParam().kind) << error.detail;
  ExpectNothingWritten(scratch);
}

const std::string kTar = BuildTar({{.name = "fine.txt", .data = "fine"}, {.name = "more.txt", .data = Random(5000)}});
const std::string kTarGzip = Gzip(kTar);

std::string FlippedAt(std::string bytes, std::size_t fromEnd) {
  bytes[bytes.size() - fromEnd] ^= 1;
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, DamagedTar,
    ::testing::Values(
        TarFault{"SizePastTheEnd", BuildTar({{.name = "fine.txt", .data = "fine"}, {.name = "bad", .data = "d", .size = 4096}})},
        TarFault{"PaxSizePastTheEnd", BuildTar({{.name = "bad", .data = "d", .pax = PaxRecord("size", "99999")}})},
        TarFault{"PaxSizePastAnyFile", BuildTar({{.name = "bad", .data = "d", .pax = PaxRecord("size", "18446744073709551615")}})},
        TarFault{"SizePastTheEndGzipped", Gzip(BuildTar({{.name = "bad", .data = "d", .size = 4096}}))},
        TarFault{"Checksum", BuildTar({{.name = "fine.txt", .data = "fine"}, {.name = "bad", .data = "d", .badChecksum = true}})},
        TarFault{"PaxLengthPastTheRecord", BuildTar({{.name = "bad", .data = "d", .pax = "99 path=x\n"}})},
        TarFault{"PaxLengthShortOfTheRecord", BuildTar({{.name = "bad", .data = "d", .pax = "9 path=long\n"}})},
        TarFault{"CutInAHeader", kTar.substr(0, 700)},
        TarFault{"GzipCut", kTarGzip.substr(0, kTarGzip.size() - 12)},
        TarFault{"GzipCrc", FlippedAt(kTarGzip, 8)},
        TarFault{"GzipLength", FlippedAt(kTarGzip, 4)},
        TarFault{"SparseMapShortOfTheData", BuildTar({{.name = "fine.txt", .data = "fine"}, {.name = "holes", .data = "h", .type = 'S'}})},
        TarFault{"SparseOldPastTheData",
                 BuildTar({{.name = "s", .data = "xxx", .type = 'S', .fields = OldSparseFields(kStretches, false, 60)}})},
        TarFault{"SparseOldSizeBelowZero",
                 BuildTar({{.name = "s", .data = "xxx", .type = 'S',
                            .fields = {{257, std::string("ustar  \0", 8)}, {386, OctalField(0) + Base256(-3)}}}})},
        TarFault{"SparseOldExtensionCut",
                 BuildTar({{.name = "s", .type = 'S', .fields = OldSparseFields({}, true, 60)}}).substr(0, 512)},
        TarFault{"SparseOutOfOrder", BuildTar({{.name = "s", .data = kSparseData,
                                                .pax = SparsePax({{"GNU.sparse.size", "60"}, {"GNU.sparse.map", "50,4,5,3"}})}})},
        TarFault{"SparseOverlapping", BuildTar({{.name = "s", .data = kSparseData,
                                                 .pax = SparsePax({{"GNU.sparse.size", "60"}, {"GNU.sparse.map", "5,4,8,3"}})}})},
        TarFault{"SparsePastTheRealSize",
                 BuildTar({{.name = "s", .data = kSparseData,
                            .pax = SparsePax({{"GNU.sparse.size", "53"}, {"GNU.sparse.map", "5,3,50,4"}})}})},
        TarFault{"SparseOffsetWithoutASize",
                 BuildTar({{.name = "s", .data = kSparseData,
                            .pax = SparsePax({{"GNU.sparse.size", "60"}, {"GNU.sparse.offset", "5"}, {"GNU.sparse.offset", "50"}})}})},
        TarFault{"SparsePax10MapPastItsData",
                 BuildTar({{.name = "s", .data = "3\n5\n3\n50\n",
                            .pax = SparsePax({{"GNU.sparse.major", "1"}, {"GNU.sparse.minor", "0"}, {"GNU.sparse.realsize", "60"}})}})},
        TarFault{"SparsePax10CountPastAnyMap",
                 BuildTar({{.name = "s", .data = MapBlocks("99999999999999999999\n5\n3\n") + "xxx",
                            .pax = SparsePax({{"GNU.sparse.major", "1"}, {"GNU.sparse.minor", "0"}, {"GNU.sparse.realsize", "60"}})}})},
        TarFault{"SparsePax10NotANumber",
                 BuildTar({{.name = "s", .data = MapBlocks("1\n5\n-3\n") + "xxx",
                            .pax = SparsePax({{"GNU.sparse.major", "1"}, {"GNU.sparse.minor", "0"}, {"GNU.sparse.realsize", "60"}})}})},
        TarFault{"SparseRealSizePastTheFreeSpace",
                 BuildTar({{.name = "s", .data = kSparseData,
                            .pax = SparsePax({{"GNU.sparse.size", "4611686018427387904"}, {"GNU.sparse.map", "5,3,50,4"}})}}),
                 zip::Failure::TooLarge},
        TarFault{"SparseVersionUnknown",
                 BuildTar({{.name = "s", .data = kSparseData,
                            .pax = SparsePax({{"GNU.sparse.major", "2"}, {"GNU.sparse.minor", "0"}, {"GNU.sparse.realsize", "60"}})}}),
                 zip::Failure::UnsupportedMethod},
        TarFault{"GzipOfAFileCut", Gzip(Random(100000), "data.bin").substr(0, 50000)},
        TarFault{"GzipTrailingGarbage", kTarGzip + "garbage"},
        TarFault{"GzipZerosThenGarbage", kTarGzip + std::string(300000, '\0') + "x"},
        TarFault{"GzipSecondMemberCut", kTarGzip + Gzip(Random(3000)).substr(0, 100)},
        TarFault{"GzipOfAFileSecondMemberCut", Gzip(Random(3000), "a") + Gzip(Random(3000)).substr(0, 100)},
        TarFault{"GzipOfAFileTrailingMagicByte", Gzip(Random(3000), "a") + "\x1F"},
        TarFault{"SizeBelowZero", BuildTar({{.name = "bad", .data = "d", .fields = {{124, Base256(-1)}}}})},
        TarFault{"NumberPastAnyFile", BuildTar({{.name = "bad", .data = "d", .fields = {{124, "\x80\x01" + std::string(10, '\0')}}}})},
        // An extended header names an entry that never comes: cut there, or the end blocks right after it.
        TarFault{"CutAfterAPaxHeader",
                 BuildTar({{.name = "fine.txt", .data = "fine"}, {.name = "x", .data = "x", .pax = PaxRecord("path", "long/x")}}).substr(0, 2048)},
        TarFault{"EndAfterALongName", BuildTar({{.name = "fine.txt", .data = "fine"}, {.name = "././@LongLink", .data = "long/x", .type = 'L'}})},
        // One zero block is no end: what follows it is damage, not padding.
        TarFault{"LoneZeroBlockThenGarbage", kTar.substr(0, kTar.size() - 1024) + std::string(512, '\0') + std::string(512, 'g')}),
    [](const auto& info) { return std::string(info.param.label); });

constexpr std::int64_t kBuilt = 15000000000000000;  // the builder's time, 1500000000 s in 100 ns ticks
constexpr std::int64_t kUnset = -1;                 // a time Windows cannot keep: left as the extraction made it

struct TarRead {
  const char* label;
  std::string archive;
  std::map<std::string, Node> extracted;
};
void PrintTo(const TarRead& value, std::ostream* out) { *out << value.label; }

class TarEntries : public ::testing::TestWithParam<TarRead> {};

// What GNU tar and libarchive extract, all of it: a size where no data follows swallows nothing.
TEST_P(TarEntries, AreReadAsPeersReadThem) {
  Scratch scratch;
  WriteFile(scratch / "a.zip", GetParam().archive);
  const zip::Error error = Unzip(scratch / "a.zip", scratch / "out");
  ASSERT_FALSE(error) << error.entry << ": " << error.detail;
  const auto tree = Tree(scratch / "out");
  auto expected = GetParam().extracted;
  for (auto& [name, node] : expected) {
    if (node.modified != kUnset || tree.count(name) == 0) continue;
    EXPECT_GT(tree.at(name).modified, kBuilt) << name;
    node.modified = tree.at(name).modified;
  }
  EXPECT_EQ(tree, expected);
}

const std::vector<TarItem> kAfterIt = {{.name = "d/a.txt", .data = "a"}, {.name = "d/b.txt", .data = "b"}, {.name = "c.txt", .data = "c"}};
const std::map<std::string, Node> kAfterItExtracted = {
    {"d", {"/", kBuilt}}, {"d/a.txt", {"a", kBuilt}}, {"d/b.txt", {"b", kBuilt}}, {"c.txt", {"c", kBuilt}}};

std::map<std::string, Node> Merged(std::map<std::string, Node> tree, const std::map<std::string, Node>& more) {
  tree.insert(more.begin(), more.end());
  return tree;
}

std::string TarWith(std::vector<TarItem> first, const std::vector<TarItem>& then = kAfterIt) {
  first.insert(first.end(), then.begin(), then.end());
  return BuildTar(first);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, TarEntries,
    ::testing::Values(
        TarRead{"FolderGivingASize", TarWith({{.name = "d/", .type = '5', .size = 1024}}), kAfterItExtracted},
        TarRead{"SymbolicLinkGivingASize", TarWith({{.name = "d/", .type = '5'}, {.name = "l", .type = '2', .linkName = "c.txt", .size = 1024}}),
                kAfterItExtracted},
        TarRead{"HardLinkGivingASize", TarWith({{.name = "d/", .type = '5'}, {.name = "l", .type = '1', .linkName = "c.txt", .size = 1024}}),
                kAfterItExtracted},
        TarRead{"DevicesAndPipeGivingASize",
                TarWith({{.name = "d/", .type = '5'}, {.name = "c", .type = '3', .size = 512}, {.name = "b", .type = '4', .size = 512},
                         {.name = "p", .type = '6', .size = 512}}),
                kAfterItExtracted},
        // POSIX's pax lets a hard link carry its file's data: read past it, as libarchive does.
        TarRead{"HardLinkWithDataInAPax",
                TarWith({{.name = "d/", .type = '5'},
                         {.name = "l", .data = std::string(600, 'x'), .type = '1', .linkName = "c.txt", .pax = "11 uid=100\n"}}),
                kAfterItExtracted},
        TarRead{"SparseOldWithAnExtensionBlock",
                TarWith({{.name = "d/", .type = '5'}, {.name = "d/s.bin", .data = "aaabbbcccdddeee", .type = 'S',
                          .fields = OldSparseFields({{0, 3}, {10, 3}, {20, 3}, {30, 3}}, true, 70),
                          .extension = OldSparseBlock({{40, 3}, {70, 0}}, false)}}),
                Merged(kAfterItExtracted,
                       {{"d/s.bin", {Spread(70, {{0, 3}, {10, 3}, {20, 3}, {30, 3}, {40, 3}}, "aaabbbcccdddeee"), kBuilt}}})},
        TarRead{"SparsePax00",
                TarWith({{.name = "d/", .type = '5'}, {.name = "d/s.bin", .data = kSparseData,
                          .pax = SparsePax({{"GNU.sparse.size", "60"}, {"GNU.sparse.numblocks", "2"}, {"GNU.sparse.offset", "5"},
                                            {"GNU.sparse.numbytes", "3"}, {"GNU.sparse.offset", "50"}, {"GNU.sparse.numbytes", "4"}})}}),
                Merged(kAfterItExtracted, {{"d/s.bin", {Spread(60, kStretches, kSparseData), kBuilt}}})},
        TarRead{"SparsePax01",
                TarWith({{.name = "d/", .type = '5'}, {.name = "d/GNUSparseFile.0/s.bin", .data = kSparseData,
                          .pax = SparsePax({{"GNU.sparse.size", "60"}, {"GNU.sparse.numblocks", "2"},
                                            {"GNU.sparse.name", "d/s.bin"}, {"GNU.sparse.map", "5,3,50,4"}})}}),
                Merged(kAfterItExtracted, {{"d/s.bin", {Spread(60, kStretches, kSparseData), kBuilt}}})},
        TarRead{"SparsePax10",
                TarWith({{.name = "d/", .type = '5'}, {.name = "d/GNUSparseFile.0/s.bin", .data = MapBlocks("2\n5\n3\n50\n4\n") + kSparseData,
                          .pax = SparsePax({{"GNU.sparse.major", "1"}, {"GNU.sparse.minor", "0"}, {"GNU.sparse.name", "d/s.bin"},
                                            {"GNU.sparse.realsize", "60"}})}}),
                Merged(kAfterItExtracted, {{"d/s.bin", {Spread(60, kStretches, kSparseData), kBuilt}}})},
        TarRead{"SparseAllHoles",
                TarWith({{.name = "d/", .type = '5'}, {.name = "d/s.bin", .data = MapBlocks("1\n100000\n0\n"),
                          .pax = SparsePax({{"GNU.sparse.major", "1"}, {"GNU.sparse.minor", "0"}, {"GNU.sparse.realsize", "100000"}})}}),
                Merged(kAfterItExtracted, {{"d/s.bin", {std::string(100000, '\0'), kBuilt}}})},
        TarRead{"SolarisPaxRecords",
                BuildTar({{.name = "X", .data = PaxRecord("path", "long/" + std::string(120, 'n')), .type = 'X'},
                          {.name = "cut", .data = "n"}}),
                {{"long", {"/", kUnset}}, {"long/" + std::string(120, 'n'), {"n", kBuilt}}}},
        // cat a.tar b.tar, cat a.tgz b.tgz: the second archive's entries follow the first one's end blocks.
        TarRead{"Concatenated", BuildTar({{.name = "a.txt", .data = "a"}}) + BuildTar({{.name = "b.txt", .data = "b"}}),
                {{"a.txt", {"a", kBuilt}}, {"b.txt", {"b", kBuilt}}}},
        TarRead{"ConcatenatedGzipped", Gzip(BuildTar({{.name = "a.txt", .data = "a"}})) + Gzip(BuildTar({{.name = "b.txt", .data = "b"}})),
                {{"a.txt", {"a", kBuilt}}, {"b.txt", {"b", kBuilt}}}},
        // Past the two end blocks, what is no header is the last record's padding, as old writers left it.
        TarRead{"PaddedWithGarbagePastTheEnd", BuildTar({{.name = "a.txt", .data = "a"}}) + std::string(1000, 'g'), {{"a.txt", {"a", kBuilt}}}},
        // One end block, then less than a block: no header can be there, so nothing is lost.
        TarRead{"LoneZeroBlockThenLessThanABlock",
                [] { const std::string tar = BuildTar({{.name = "a.txt", .data = "a"}}); return tar.substr(0, tar.size() - 512) + "\x7d\xde\xff"; }(),
                {{"a.txt", {"a", kBuilt}}}},
        // Solaris tar's ACL of the next entry, under that entry's name: no file of its own.
        TarRead{"SolarisAcl",
                BuildTar({{.name = "f.txt", .data = std::string("01000003\0user::rw-,group::r--,other:r--", 40), .type = 'A'},
                          {.name = "f.txt", .data = "f"}}),
                {{"f.txt", {"f", kBuilt}}}},
        // An empty pax value deletes the record: the header's own field counts again.
        TarRead{"PaxEmptyValues",
                BuildTar({{.name = "h.txt", .data = "h",
                           .pax = PaxRecord("path", "x.txt") + PaxRecord("path", "") + PaxRecord("size", "") + PaxRecord("mtime", "")}}),
                {{"h.txt", {"h", kBuilt}}}},
        TarRead{"VolumeLabel", BuildTar({{.name = "Backup", .type = 'V', .fields = {{257, std::string(8, '\0')}}}, {.name = "a.txt", .data = "a"}}),
                {{"a.txt", {"a", kBuilt}}}},
        TarRead{"TimeBefore1970", BuildTar({{.name = "old.txt", .data = "o", .fields = {{136, Base256(-315619200)}}}}),
                {{"old.txt", {"o", -3156192000000000}}}},
        TarRead{"TimePast9999", BuildTar({{.name = "far.txt", .data = "f", .fields = {{136, Base256(INT64_MAX / 2)}}},
                                          {.name = "d/", .type = '5', .fields = {{136, Base256(-(INT64_MAX / 2))}}},
                                          {.name = "farther.txt", .data = "g", .pax = PaxRecord("mtime", "-99999999999999999999.5")}}),
                {{"far.txt", {"f", kUnset}}, {"d", {"/", kUnset}}, {"farther.txt", {"g", kUnset}}}}),
    [](const auto& info) { return std::string(info.param.label); });

struct LoneFile {
  const char* label;
  const char* stored;   // in the gzip header
  const char* archive;  // the archive's own name
  const char* extracted;
};
void PrintTo(const LoneFile& value, std::ostream* out) { *out << value.label; }

class GzipOfAFile : public ::testing::TestWithParam<LoneFile> {};

TEST_P(GzipOfAFile, IsNamedByItsHeaderMadeSafeOrByTheArchive) {
  Scratch scratch;
  const std::string data = Random(300000);
  WriteFile(scratch / GetParam().archive, Gzip(data, GetParam().stored));
  ASSERT_EQ(zip::ArchiveKindOf(Engine(scratch / GetParam().archive)), zip::ArchiveKind::Gzip);
  ASSERT_FALSE(Unzip(scratch / GetParam().archive, scratch / "out"));
  // The builder stores a time along with a name (1500000000 s, here in 100 ns ticks).
  const std::int64_t modified = *GetParam().stored ? 15000000000000000 : Modified(scratch / "out" / GetParam().extracted);
  EXPECT_EQ(Tree(scratch / "out"), (std::map<std::string, Node>{{GetParam().extracted, {data, modified}}}));
}

INSTANTIATE_TEST_SUITE_P(
    Names, GzipOfAFile,
    ::testing::Values(LoneFile{"Stored", "Report.pdf", "x.gz", "Report.pdf"},
                      LoneFile{"StoredClimbing", "../../etc/evil", "x.gz", "evil"},
                      LoneFile{"StoredRooted", "C:\\Windows\\evil.dll", "x.gz", "evil.dll"},
                      LoneFile{"StoredUnsafe", "a:b?.txt", "x.gz", "a_b_.txt"},
                      LoneFile{"StoredDots", "..", "notes.txt.GZ", "notes.txt"},
                      LoneFile{"None", "", "notes.txt.gz", "notes.txt"},
                      LoneFile{"NoneNorExtension", "", "notes", "notes"}),
    [](const auto& info) { return std::string(info.param.label); });

// Two gzip members, the first ending `fromEdge` bytes from the end of the stream's first 256 KiB
// read: its stored name pads it there.
std::string TwoMembers(const std::string& first, const std::string& second, int fromEdge) {
  const auto end = static_cast<std::size_t>(256 * 1024 + fromEdge);
  const std::size_t shortest = Gzip(first, "n").size();
  EXPECT_LE(shortest, end);
  const std::string member = Gzip(first, std::string(end - shortest + 1, 'n'));
  EXPECT_EQ(member.size(), end);
  return member + Gzip(second);
}

// gzip >> appends members, BGZF files are nothing but members, tape blocking pads with zeros.
TEST(GzipMembers, AreReadWhereverOneEnds) {
  const std::string first = Random(261500), second = Random(5000, 2);
  const std::string tar = BuildTar({{.name = "a.bin", .data = Random(510 * 512, 3)}, {.name = "b.txt", .data = "b"}});
  const std::size_t split = 512 + 510 * 512;
  for (int fromEdge = -12; fromEdge <= 12; ++fromEdge) {
    SCOPED_TRACE(fromEdge);
    const std::string padding(fromEdge % 2 == 0 ? 10240 : 0, '\0');
    {
      Scratch scratch;
      WriteFile(scratch / "file.gz", TwoMembers(first, second, fromEdge) + padding);
      ASSERT_FALSE(Unzip(scratch / "file.gz", scratch / "file"));
      const auto file = Tree(scratch / "file", false);
      ASSERT_EQ(file.size(), 1U);
      EXPECT_TRUE(file.begin()->second.bytes == first + second);
      WriteFile(scratch / "a.tgz", TwoMembers(tar.substr(0, split), tar.substr(split), fromEdge) + padding);
      ASSERT_FALSE(Unzip(scratch / "a.tgz", scratch / "tar"));
      EXPECT_EQ(Tree(scratch / "tar", false),
                (std::map<std::string, Node>{{"a.bin", {Random(510 * 512, 3)}}, {"b.txt", {"b"}}}));
    }
  }
}

// The directory is read by its size: the count in the end records may be short of the headers.
TEST(CentralDirectory, IsReadWholeWhateverTheEndRecordsCount) {
  const struct {
    const char* label;
    int entries;
    Ending ending;
  } cases[] = {
      {"a 16-bit count that wrapped", 70000, {.entries = 70000 % 65536}},
      {"a ZIP64 count of one", 2, {.entries = 1, .zip64 = true}},
      {"a count of none", 3, {.entries = 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Scratch scratch;
    std::vector<Item> items;
    for (int i = 0; i < c.entries; ++i) items.push_back({.name = "d" + std::to_string(i % 8) + "/" + std::to_string(i), .data = "x"});
    WriteFile(scratch / "a.zip", BuildArchive(items, "", c.ending));
    EXPECT_EQ(zip::ArchiveKindOf(Engine(scratch / "a.zip")), zip::ArchiveKind::Zip);
    ASSERT_FALSE(Unzip(scratch / "a.zip", scratch / "out").kind != zip::Failure::None);
    EXPECT_EQ(CountEntries(scratch / "out"), static_cast<std::size_t>(c.entries + std::min(c.entries, 8)));
  }
}

// A directory of zeros as large as the file: nothing is held before a header checks out, and
// telling whether it is an archive reads next to nothing of it.
TEST(CentralDirectory, OfZerosIsDamagedWithoutBeingHeld) {
  Scratch scratch;
  const std::uint64_t size = std::uint64_t{256} << 20;
  std::string tail;
  const auto put = [&](std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) tail += static_cast<char>(value >> (8 * i));
  };
  put(0x06064b50, 4), put(44, 8), put(0x2D2D, 4), put(0, 8), put(size / 46, 8), put(size / 46, 8), put(size, 8), put(0, 8);
  put(0x07064b50, 4), put(0, 4), put(size, 8), put(1, 4);
  put(0x06054b50, 4), put(0, 4), put(0xFFFF, 2), put(0xFFFF, 2), put(0xFFFFFFFF, 4), put(0xFFFFFFFF, 4), put(0, 2);
  {
    std::ofstream out(scratch / "a.zip", std::ios::binary);
    out.seekp(static_cast<std::streamoff>(size));
    out << tail;
  }
  EXPECT_NE(zip::ArchiveKindOf(Engine(scratch / "a.zip")), zip::ArchiveKind::Zip);
  EXPECT_EQ(Unzip(scratch / "a.zip", scratch / "out").kind, zip::Failure::Damaged);
}

TEST(FreeSpace, IsCheckedAgainstTheDeclaredSizesFirst) {
  Scratch scratch;
  std::vector<Item> items;
  for (int i = 0; i < 1000; ++i) items.push_back({.name = std::to_string(i), .data = "d", .size = 0xFFFFFFFE});
  const Extracted result = ExtractBuilt(scratch, items);
  EXPECT_EQ(result.error.kind, zip::Failure::TooLarge);
  ExpectNothingWritten(scratch);
}

TEST(FreeSpace, CountsDeclaredSizesThatWouldWrapAround) {
  Scratch scratch;
  const std::uint64_t half = (std::uint64_t{1} << 63) + 1;
  std::vector<Item> items;
  for (const char* name : {"a", "b"}) {
    items.push_back({.name = name, .data = "d", .extra = Zip64SizesField(half, 1), .size = 0xFFFFFFFF});
  }
  EXPECT_EQ(ExtractBuilt(scratch, items).error.kind, zip::Failure::TooLarge);
  ExpectNothingWritten(scratch);
}

TEST(TruncatedArchive, IsDamagedWhereverItIsCut) {
  Scratch scratch;
  WriteFile(scratch / "in/a.txt", std::string(5000, 'a'));
  WriteFile(scratch / "in/b/c.bin", Random(3000));
  ASSERT_FALSE(Zip({scratch / "in"}, scratch / "whole.zip"));
  const std::string whole = ReadFile(scratch / "whole.zip");
  for (std::size_t cut = 0; cut < whole.size(); cut += (whole.size() - cut > 200 ? 37 : 1)) {
    WriteFile(scratch / "cut.zip", whole.substr(0, cut));
    fs::remove_all(scratch / "out");
    EXPECT_EQ(Unzip(scratch / "cut.zip", scratch / "out").kind, zip::Failure::Damaged) << cut;
    EXPECT_NE(zip::ArchiveKindOf(Engine(scratch / "cut.zip")), zip::ArchiveKind::Zip);
  }
}

struct Naming {
  const char* label;
  Item item;
  const char* extracted;
};
void PrintTo(const Naming& value, std::ostream* out) { *out << value.label; }

class EntryName : public ::testing::TestWithParam<Naming> {};

TEST_P(EntryName, IsDecodedByFlagFieldOrHost) {
  Scratch scratch;
  const Extracted result = ExtractBuilt(scratch, {GetParam().item});
  ASSERT_FALSE(result.error);
  EXPECT_EQ(ReadFile(scratch / ("out/" + std::string(GetParam().extracted))), GetParam().item.data);
}

constexpr std::uint16_t kDos = 0x0014;
INSTANTIATE_TEST_SUITE_P(
    Encodings, EntryName,
    ::testing::Values(
        Naming{"Cp437", {.name = "\x81" "ber", .data = "1", .madeBy = kDos}, "über"},
        Naming{"Utf8Flag", {.name = "über", .data = "2", .flags = 1 << 11, .madeBy = kDos}, "über"},
        Naming{"UnixHostUtf8", {.name = "über", .data = "3"}, "über"},
        Naming{"DosHostUtf8Bytes", {.name = "über", .data = "4", .madeBy = kDos}, "├╝ber"},
        Naming{"UnixHostNotUtf8", {.name = "\x81" "ber", .data = "5"}, "über"},
        Naming{"UnicodePath", {.name = "x", .data = "6", .madeBy = kDos, .extra = UnicodePathField("x", "日本")}, "日本"},
        Naming{"UnicodePathWrongCrc",
               {.name = "x", .data = "7", .madeBy = kDos, .extra = UnicodePathField("x", "日本", false)}, "x"}),
    [](const auto& info) { return std::string(info.param.label); });

// A self-extractor: a program before the archive, its offsets adjusted or not.
TEST(Prefix, BeforeTheFirstEntryIsSkipped) {
  Scratch scratch;
  const std::string program = "MZ" + Random(5000, 9);
  for (const bool adjusted : {false, true}) {
    if (adjusted && !Have("zip")) continue;
    fs::remove_all(scratch / "out");
    WriteFile(scratch / "a.zip", BuildArchive({{.name = "f.txt", .data = "inside"}}, program));
    if (adjusted) {
      ASSERT_EQ(Shell("zip -qA " + Quote(scratch / "a.zip")), 0);
    }
    ASSERT_FALSE(Unzip(scratch / "a.zip", scratch / "out")) << adjusted;
    EXPECT_EQ(ReadFile(scratch / "out/f.txt"), "inside");
  }
}

}  // namespace

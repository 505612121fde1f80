// 7z archives as 7-Zip writes them, every method and filter, solid or not, encrypted with and
// without their names: extracted as they went in, and refused with nothing kept when damaged.
#include <gtest/gtest.h>
#include <zlib.h>

#include "builder.h"
#include "fixture.h"

namespace {

struct SevenZip {
  const char* label;
  const char* options;  // for `7zz a`
  const char* password = "";
};
void PrintTo(const SevenZip& value, std::ostream* out) { *out << value.label; }

// A tree with what each filter is for: code-like bytes, text, an empty file and an empty folder.
void MakeInput(const fs::path& in) {
  std::string code;
  for (int i = 0; i < 40000; ++i) code += std::string("\xE8\x10\x20\x00\x00\x55\x8B\xEC\xEB\x05\x0F\x85", 12);
  WriteFile(in / "app.bin", code + Random(70000, 7));
  WriteFile(in / "notes.txt", std::string(200000, 'n') + "end");
  WriteFile(in / "sub/deep/random.bin", Random(300000, 8));
  WriteFile(in / "sub/empty.txt", "");
  fs::create_directories(in / "empty folder");
}

class SevenZipReads : public ::testing::TestWithParam<SevenZip> {};

TEST_P(SevenZipReads, AsItWentIn) {
  const SevenZip& c = GetParam();
  if (!Have("7zz")) GTEST_SKIP() << "7zz is missing";
  Scratch scratch;
  MakeInput(scratch / "in");
  ASSERT_EQ(Shell("cd " + Quote(scratch / "in") + " && 7zz a -bd -bso0 " + c.options + " ../a.7z ."), 0);
  ASSERT_EQ(zip::ArchiveKindOf(Engine(scratch / "a.7z")), zip::ArchiveKind::SevenZip);
  const zip::Error error = Unzip(scratch / "a.7z", scratch / "out", nullptr, c.password);
  ASSERT_FALSE(error) << error.entry << ": " << error.detail;
  EXPECT_EQ(Tree(scratch / "out"), Tree(scratch / "in"));
}

INSTANTIATE_TEST_SUITE_P(
    Methods, SevenZipReads,
    ::testing::Values(SevenZip{"Lzma2Solid", "-m0=LZMA2"}, SevenZip{"Lzma2NotSolid", "-m0=LZMA2 -ms=off"},
                      SevenZip{"Lzma", "-m0=LZMA -mf=off"}, SevenZip{"Ppmd", "-m0=PPMd"},
                      SevenZip{"Stored", "-m0=Copy"}, SevenZip{"Bzip2", "-m0=BZip2"},
                      SevenZip{"Deflate", "-m0=Deflate"},
                      SevenZip{"HeaderPlain", "-mhc=off"}, SevenZip{"SolidBlocksOfTwoFiles", "-ms=2f"},
                      // A second solid block of two files after a first of one, read on a worker of its own.
                      SevenZip{"SolidBlocksBySize", "-ms=600k"},
                      SevenZip{"Bcj", "-mf=BCJ"}, SevenZip{"Bcj2", "-mf=BCJ2"}, SevenZip{"Arm", "-mf=ARM"},
                      SevenZip{"Armt", "-mf=ARMT"}, SevenZip{"Arm64", "-mf=ARM64"}, SevenZip{"Ppc", "-mf=PPC"},
                      SevenZip{"Sparc", "-mf=SPARC"}, SevenZip{"Ia64", "-mf=IA64"}, SevenZip{"Riscv", "-mf=RISCV"},
                      SevenZip{"Delta", "-mf=Delta:4"}, SevenZip{"TimesToTheTick", "-mtc=on -mta=on"},
                      SevenZip{"Encrypted", "-pSecret", "Secret"},
                      SevenZip{"EncryptedNames", "-pSecret -mhe=on", "Secret"},
                      SevenZip{"EncryptedNotSolid", "-pSecret -ms=off -m0=LZMA", "Secret"},
                      SevenZip{"EncryptedPasswordUnicode", "-p'Pässwörd ✓'", "Pässwörd ✓"}),
    [](const auto& info) { return std::string(info.param.label); });

struct Broken {
  const char* label;
  const char* options;  // for `7zz a`
  const char* damage;   // a shell command on $A, or ""
  const char* password;
  zip::Failure kind;
  bool inData = false;  // found while extracting: the caller removes the folder, as for a zip's CRC
};
void PrintTo(const Broken& value, std::ostream* out) { *out << value.label; }

class SevenZipRefuses : public ::testing::TestWithParam<Broken> {};

TEST_P(SevenZipRefuses, WithNothingKept) {
  const Broken& b = GetParam();
  if (!Have("7zz")) GTEST_SKIP() << "7zz is missing";
  Scratch scratch;
  MakeInput(scratch / "in");
  ASSERT_EQ(Shell("cd " + Quote(scratch / "in") + " && 7zz a -bd -bso0 " + b.options + " ../a.7z ."), 0);
  std::string damage = b.damage;
  for (std::size_t at; (at = damage.find("$A")) != std::string::npos;) damage.replace(at, 2, Quote(scratch / "a.7z"));
  if (!damage.empty()) ASSERT_EQ(Shell(damage), 0);
  const zip::Error error = Unzip(scratch / "a.7z", scratch / "out", nullptr, b.password);
  EXPECT_EQ(error.kind, b.kind) << error.entry << ": " << error.detail;
  if (!b.inData) EXPECT_EQ(CountEntries(scratch / "out"), 0U);
}

// Overwrites bytes of $A at an offset from its start (negative: from its end).
#define POKE(at, bytes) "python3 -c 'import sys; p=sys.argv[1]; b=bytearray(open(p,\"rb\").read()); o=" #at "; " \
  "b[o:o+len(" #bytes ")]=" #bytes " if o>=0 else b[o:o+len(" #bytes ")]; open(p,\"wb\").write(b)' $A"
#define CUT(n) "python3 -c 'import sys; p=sys.argv[1]; b=open(p,\"rb\").read(); open(p,\"wb\").write(b[:-" #n "])' $A"

INSTANTIATE_TEST_SUITE_P(
    Faults, SevenZipRefuses,
    ::testing::Values(
        Broken{"WrongPassword", "-pSecret", "", "Wrong", zip::Failure::Encrypted},
        Broken{"WrongPasswordForNames", "-pSecret -mhe=on", "", "Wrong", zip::Failure::Encrypted},
        Broken{"NoPassword", "-pSecret -mhe=on", "", "", zip::Failure::Encrypted},
        Broken{"CutShort", "-m0=LZMA2", CUT(5000), "", zip::Failure::Damaged},
        Broken{"HeaderCut", "-m0=LZMA2", CUT(10), "", zip::Failure::Damaged},
        Broken{"StoredDataChanged", "-m0=Copy", POKE(1000, b"xyz"), "", zip::Failure::Damaged, true},
        Broken{"CompressedDataChanged", "-m0=LZMA2", POKE(3000, b"xyz"), "", zip::Failure::Damaged, true},
        Broken{"SolidBlocksDataChanged", "-m0=LZMA2 -ms=2f", POKE(3000, b"xyz"), "", zip::Failure::Damaged, true},
        Broken{"PpmdDataChanged", "-m0=PPMd", POKE(3000, b"xyz"), "", zip::Failure::Damaged, true},
        Broken{"Bcj2DataChanged", "-mf=BCJ2", POKE(3000, b"xyz"), "", zip::Failure::Damaged, true},
        Broken{"StartHeaderChanged", "", POKE(20, b"\\x01"), "", zip::Failure::Damaged},
        Broken{"VersionUnknown", "", POKE(6, b"\\x01"), "", zip::Failure::UnsupportedMethod}),
    [](const auto& info) { return std::string(info.param.label); });

std::string Crc(const std::string& data) {
  return Le(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())), 4);
}

// A 7z that 7-Zip does not write but others may, by hand: each folder one Copy coder over its
// files' data, each file's CRC or only the folder's; sizes below 128, one byte each.
std::string StoredSevenZip(const std::vector<std::vector<std::string>>& folders, bool fileCrcs,
                           const std::string& changed = "") {
  std::string packed, sizes, coders, unpackSizes, folderCrcs, counts, fileSizes, digests, names;
  std::size_t files = 0;
  for (const auto& folder : folders) {
    std::string data;
    for (std::size_t i = 0; i < folder.size(); ++i) {
      data += folder[i];
      if (i + 1 < folder.size()) fileSizes += static_cast<char>(folder[i].size());
      digests += Crc(folder[i]);
      names += std::string("f\0", 2) + static_cast<char>('0' + files++) + std::string(3, '\0');
    }
    sizes += static_cast<char>(data.size());
    coders += std::string("\x01\x01\x00", 3);
    unpackSizes += static_cast<char>(data.size());
    folderCrcs += Crc(data);
    counts += static_cast<char>(folder.size());
    packed += data;
  }
  if (!changed.empty()) packed.replace(0, changed.size(), changed);
  const auto n = static_cast<char>(folders.size());
  std::string header = std::string("\x01\x04\x06\x00", 4) + n + '\x09' + sizes + '\0';
  header += std::string("\x07\x0B", 2) + n + '\0' + coders + '\x0C' + unpackSizes;
  if (!fileCrcs) header += std::string("\x0A\x01", 2) + folderCrcs;
  header += std::string("\0\x08\x0D", 3) + counts + '\x09' + fileSizes;
  if (fileCrcs) header += std::string("\x0A\x01", 2) + digests;
  header += std::string("\0\0\x05", 3) + static_cast<char>(files) + '\x11' + static_cast<char>(names.size() + 1) + '\0' +
            names + std::string("\0\0", 2);
  const std::string start = Le(packed.size(), 8) + Le(header.size(), 8) + Crc(header);
  return std::string("7z\xBC\xAF\x27\x1C\x00\x04", 8) + Crc(start) + start + packed + header;
}

TEST(SevenZipByHand, FoldersOfSeveralFilesAreCheckedAndKeptWhole) {
  Scratch scratch;
  // Only the folder's CRC guards its files: changed data is refused, not extracted.
  WriteFile(scratch / "crc.7z", StoredSevenZip({{"hello", "world"}}, false, "HELLO"));
  EXPECT_EQ(Unzip(scratch / "crc.7z", scratch / "crc").kind, zip::Failure::Damaged);
  WriteFile(scratch / "whole.7z", StoredSevenZip({{"hello", "world"}}, false));
  ASSERT_FALSE(Unzip(scratch / "whole.7z", scratch / "whole"));
  EXPECT_EQ(ReadFile(scratch / "whole" / "f1"), "world");
  // A file of no bytes last in its folder belongs to it, not to the next folder.
  WriteFile(scratch / "empty.7z", StoredSevenZip({{"hello", ""}, {"next"}}, true));
  const zip::Error error = Unzip(scratch / "empty.7z", scratch / "empty");
  ASSERT_FALSE(error) << error.detail;
  EXPECT_EQ(ReadFile(scratch / "empty" / "f0"), "hello");
  EXPECT_EQ(ReadFile(scratch / "empty" / "f1"), "");
  EXPECT_EQ(ReadFile(scratch / "empty" / "f2"), "next");
}

}  // namespace

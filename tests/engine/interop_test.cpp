// Archives the engine writes, checked and extracted by independent tools; archives those tools
// write, extracted by the engine.
#include <zlib.h>

#include <cstdlib>
#include <fstream>

#include "builder.h"
#include "fixture.h"

namespace {

void MakeTree(const fs::path& in) {
  std::string text;
  while (text.size() < 3 * 1024 * 1024) text += "record " + std::to_string(text.size() % 1013) + ";\n";
  WriteFile(in / "text.txt", text);
  SetModified(in / "text.txt", 15000000001234567);  // to 100 ns: only NTFS times keep it
  WriteFile(in / "noise.bin", Random(70000), 1500000100);
  // Matches longer than deflate's 258 bytes and farther than its 32 KiB, which Deflate64 has.
  std::string blocks;
  const std::string far = Random(40 * 1024, 2);
  const std::string near = Random(1000, 3);
  for (int i = 0; i < 4; ++i) blocks += far;
  for (int i = 0; i < 200; ++i) blocks += near;
  WriteFile(in / "blocks.bin", blocks + std::string(300000, 'z'), 1500000150);
  WriteFile(in / "empty", "", 1500000200);
  WriteFile(in / "sub/deeper/leaf.txt", "leaf", 1500000300);
  WriteFile(in / "Ünïcödé ⊕ 名前.txt", "named", 1500000400);
  std::string deep = "sub";  // past a tar header's hundred bytes, in segments a ustar prefix can hold
  for (int i = 0; i < 6; ++i) deep += "/a-folder-of-twenty-" + std::to_string(i);
  WriteFile(in / (deep + "/leaf.txt"), "deep", 1500000500);
  fs::create_directories(in / "sub/empty folder");
}

constexpr std::int64_t kSecond = 10000000;
constexpr std::int64_t kDosSlack = 2 * kSecond;  // a DOS time's two seconds
constexpr std::int64_t kExact = 0;               // NTFS times, to 100 ns
constexpr std::int64_t kContentOnly = -1;        // neither times nor attributes

// Same names and bytes, the same files read-only; times within the slack.
void ExpectSameTree(const fs::path& expected, const fs::path& actual, std::int64_t slack) {
  const auto want = Tree(expected);
  const auto got = Tree(actual);
  const auto content = [&](const fs::path& root) {
    auto tree = Tree(root, false);
    if (slack == kContentOnly) {
      for (auto& [name, node] : tree) node.readOnly = false;
    }
    return tree;
  };
  ASSERT_EQ(content(expected), content(actual));
  if (slack == kContentOnly) return;
  for (const auto& [name, node] : want) {
    if (node.bytes != "/") {
      EXPECT_LE(std::llabs(node.modified - got.at(name).modified), slack) << name;
    }
  }
}

struct Peer {
  const char* label;
  const char* tool;
  const char* command;  // run in the tree's folder; $A is the archive, $O an empty folder
  std::int64_t slack;  // how far the times may be off, in 100 ns ticks
  zip::ArchiveKind kind = zip::ArchiveKind::Zip;
  const char* password = "";  // the engine's one answer when asked
  bool sparse = false;        // the tree holds a sparse file too
};
void PrintTo(const Peer& value, std::ostream* out) { *out << value.label; }

std::string Expand(std::string command, const fs::path& archive, const fs::path& out) {
  for (const auto& [key, value] : {std::pair{"$A", Quote(archive)}, std::pair{"$O", Quote(out)}}) {
    for (std::size_t at; (at = command.find(key)) != std::string::npos;) command.replace(at, 2, value);
  }
  return command;
}

class PeerReads : public ::testing::TestWithParam<Peer> {};

TEST_P(PeerReads, WhatTheEngineWrote) {
  const Peer& peer = GetParam();
  if (!Have(peer.tool)) GTEST_SKIP() << peer.tool << " is missing";
  Scratch scratch;
  MakeTree(scratch / "in");
  // Unix peers keep their own modes, which the engine leaves alone: only this way round.
  WriteFile(scratch / "in/read only.txt", "kept");
  const auto writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  fs::permissions(scratch / "in/read only.txt", writable, fs::perm_options::remove);
  fs::create_directories(scratch / "out");
  std::vector<fs::path> items;
  for (const auto& item : fs::directory_iterator(scratch / "in")) items.push_back(item.path());
  ASSERT_FALSE(Zip(items, scratch / "a.zip"));
  ASSERT_EQ(Shell("cd " + Quote(scratch / "out") + " && " + Expand(peer.command, scratch / "a.zip", scratch / "out")), 0);
  ExpectSameTree(scratch / "in", scratch / "out", peer.slack);
}

const Peer kReaders[] = {
    {"UnzipTest", "unzip", "unzip -tq $A && unzip -q $A", kDosSlack},
    {"SevenZipTest", "7z", "7z t $A && 7z x -bd $A", kExact},
    {"PythonTestzip", "python3",
     "python3 -c 'import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); sys.exit(z.testzip() is not None or "
     "z.extractall())' $A",
     kContentOnly},
    {"Bsdtar", "bsdtar", "bsdtar -xf $A", kDosSlack},
};
INSTANTIATE_TEST_SUITE_P(Peers, PeerReads, ::testing::ValuesIn(kReaders),
                         [](const auto& info) { return std::string(info.param.label); });

class EngineReads : public ::testing::TestWithParam<Peer> {};

TEST_P(EngineReads, WhatAPeerWrote) {
  const Peer& peer = GetParam();
  if (!Have(peer.tool)) GTEST_SKIP() << peer.tool << " is missing";
  Scratch scratch;
  MakeTree(scratch / "in");
  if (peer.sparse) {
    // Seven stretches of data, more than the old GNU header holds, and a hole at the end.
    std::fstream disk(scratch / "in/disk.img", std::ios::binary | std::ios::out);
    for (int i = 0; i < 7; ++i) {
      disk.seekp(i * 400000 + 4096);
      disk << std::string(700, static_cast<char>('a' + i));
    }
    disk.close();
    fs::resize_file(scratch / "in/disk.img", std::uintmax_t{3} << 20);
    SetModified(scratch / "in/disk.img", 15000000000000000);
  }
  ASSERT_EQ(Shell("cd " + Quote(scratch / "in") + " && " + Expand(peer.command, scratch / "a.zip", {})), 0);
  ASSERT_EQ(zip::ArchiveKindOf(Engine(scratch / "a.zip")), peer.kind);
  const zip::Error error = Unzip(scratch / "a.zip", scratch / "out", nullptr, peer.password);
  ASSERT_FALSE(error) << error.entry << ": " << error.detail;
  ExpectSameTree(scratch / "in", scratch / "out", peer.slack);
}

const Peer kWriters[] = {
    {"Zip", "zip", "zip -qr $A .", kDosSlack},
    {"ZipForcedZip64", "zip", "zip -qr -fz $A .", kDosSlack},
    {"SevenZip", "7z", "7z a -tzip -bd $A .", kDosSlack},
    {"SevenZipDeflate64", "7z", "7z a -tzip -mm=Deflate64 -bd $A .", kDosSlack},
    {"SevenZipNtfsTimes", "7z", "7z a -tzip -bd -mtc=on $A .", kExact},
    {"SevenZipZipCrypto", "7z", "7z a -tzip -bd -pSecret -mem=ZipCrypto $A .", kDosSlack, zip::ArchiveKind::Zip, "Secret"},
    {"SevenZipAes128", "7z", "7z a -tzip -bd -pSecret -mem=AES128 $A .", kDosSlack, zip::ArchiveKind::Zip, "Secret"},
    {"SevenZipAes192", "7z", "7z a -tzip -bd -pSecret -mem=AES192 $A .", kDosSlack, zip::ArchiveKind::Zip, "Secret"},
    {"SevenZipAes256", "7z", "7z a -tzip -bd -pSecret -mem=AES256 -mm=Deflate64 $A .", kDosSlack, zip::ArchiveKind::Zip,
     "Secret"},
    {"SevenZipBzip2", "7z", "7z a -tzip -mm=BZip2 -bd $A .", kDosSlack},
    {"SevenZipLzma", "7z", "7z a -tzip -mm=LZMA -bd $A .", kDosSlack},
    {"SevenZipLzmaWithoutEndMark", "7zz", "7zz a -tzip -mm=LZMA:eos=off -bd $A .", kDosSlack},
    {"SevenZipPpmd", "7z", "7z a -tzip -mm=PPMd -bd $A .", kDosSlack},
    {"SevenZipPpmdCutOff", "7z", "7z a -tzip -mm=PPMd:mem=1m:o=16 -mx=9 -bd $A .", kDosSlack},
    {"SevenZipXz", "7zz", "7zz a -tzip -mm=xz -bd $A .", kDosSlack},
    {"SevenZipZipCryptoBzip2", "7z", "7z a -tzip -bd -pSecret -mem=ZipCrypto -mm=BZip2 $A .", kDosSlack,
     zip::ArchiveKind::Zip, "Secret"},
    {"SevenZipAes128Lzma", "7z", "7z a -tzip -bd -pSecret -mem=AES128 -mm=LZMA $A .", kDosSlack, zip::ArchiveKind::Zip,
     "Secret"},
    {"SevenZipAes256Ppmd", "7z", "7z a -tzip -bd -pSecret -mem=AES256 -mm=PPMd $A .", kDosSlack, zip::ArchiveKind::Zip,
     "Secret"},
    {"SevenZipAes192Xz", "7zz", "7zz a -tzip -bd -pSecret -mem=AES192 -mm=xz $A .", kDosSlack, zip::ArchiveKind::Zip,
     "Secret"},
    {"ZipTraditional", "zip", "zip -qr -P Secret $A .", kDosSlack, zip::ArchiveKind::Zip, "Secret"},
    {"Bsdtar", "bsdtar", "bsdtar --format zip -cf $A .", kDosSlack},
    {"Python", "python3", "python3 -c 'import shutil, sys; shutil.make_archive(sys.argv[1][:-4], \"zip\", \".\")' $A",
     kDosSlack},
    // Tars hold a link, made for the archive only: it is left out, the rest extracted as it was.
    {"GnuTar", "tar", "ln -s text.txt link && tar --format=gnu -cf $A . && rm link", kDosSlack, zip::ArchiveKind::Tar},
    {"GnuTarPosix", "tar", "ln -s text.txt link && tar --format=posix -czf $A . && rm link", kDosSlack,
     zip::ArchiveKind::GzipTar},
    {"GnuTarUstar", "tar", "tar --format=ustar -cf $A .", kDosSlack, zip::ArchiveKind::Tar},
    // A volume label first: a header without the "ustar" magic.
    {"GnuTarLabelled", "tar", "tar -V Backup -czf $A .", kDosSlack, zip::ArchiveKind::GzipTar},
    {"BsdtarTarGzip", "bsdtar", "ln -s text.txt link && bsdtar -czf $A . && rm link", kDosSlack, zip::ArchiveKind::GzipTar},
    // Two gzip members, as concatenated streams and parallel compressors make.
    {"GnuTarTwoMembers", "tar", "tar -cf - . | head -c 100000 | gzip > $A && tar -cf - . | tail -c +100001 | gzip >> $A",
     kDosSlack, zip::ArchiveKind::GzipTar},
    {"PythonTarfile", "python3",
     "python3 -c 'import sys, tarfile; t = tarfile.open(sys.argv[1], \"w:gz\", format=tarfile.PAX_FORMAT); "
     "t.add(\".\"); t.close()' $A",
     kDosSlack, zip::ArchiveKind::GzipTar},
    // Sparse files in each layout GNU tar and bsdtar write.
    {"GnuTarSparseOld", "tar", "tar --format=gnu -S -cf $A .", kDosSlack, zip::ArchiveKind::Tar, "", true},
    {"GnuTarSparsePax00", "tar", "tar --format=posix --sparse-version=0.0 -S -cf $A .", kDosSlack,
     zip::ArchiveKind::Tar, "", true},
    {"GnuTarSparsePax01", "tar", "tar --format=posix --sparse-version=0.1 -S -cf $A .", kDosSlack,
     zip::ArchiveKind::Tar, "", true},
    {"GnuTarSparsePax10", "tar", "tar --format=posix --sparse-version=1.0 -S -czf $A .", kDosSlack,
     zip::ArchiveKind::GzipTar, "", true},
    {"BsdtarSparse", "bsdtar", "bsdtar -cf $A .", kDosSlack, zip::ArchiveKind::Tar, "", true},
    // A file older than 1970: GNU tar writes its time as a negative base-256 number.
    {"GnuTarBefore1970", "tar", "touch -d 1960-01-01 empty && tar --format=gnu -cf $A .", kDosSlack,
     zip::ArchiveKind::Tar},
};
INSTANTIATE_TEST_SUITE_P(Peers, EngineReads, ::testing::ValuesIn(kWriters),
                         [](const auto& info) { return std::string(info.param.label); });

// Streamed input has no size up front: the sizes follow the data in a data descriptor, and an
// encrypted entry's check byte is its time's, not its CRC-32's.
TEST(EngineReadsStreams, FromZipWithDataDescriptors) {
  if (!Have("zip")) GTEST_SKIP() << "zip is missing";
  for (const std::string password : {"", "Secret"}) {
    Scratch scratch;
    const std::string data = Random(200000) + std::string(300000, 'x');
    WriteFile(scratch / "data", data);
    const std::string option = password.empty() ? "" : " -P " + password;
    ASSERT_EQ(Shell("cat " + Quote(scratch / "data") + " | zip -q" + option + " " + Quote(scratch / "a.zip") + " -"), 0);
    const zip::Error error = Unzip(scratch / "a.zip", scratch / "out", nullptr, password);
    ASSERT_FALSE(error) << error.detail;
    EXPECT_EQ(ReadFile(scratch / "out/-"), data);
  }
}

struct Asking {
  const char* label;
  const char* options;  // 7z's
  std::vector<std::string> answers;
  zip::Failure kind;
  std::vector<bool> asked;                         // each question's `wrong`
  std::vector<std::vector<std::string>> locked{};  // and its entries still locked, when given
  const char* second = "Secret";                   // two.bin's password
  std::vector<Item> built{};                       // the archive, made here rather than by 7z
  std::size_t remembered = 0;                      // the first answers kept from an earlier archive
};
void PrintTo(const Asking& value, std::ostream* out) { *out << value.label; }

class EngineAsks : public ::testing::TestWithParam<Asking> {};

// A wrong password is said to be wrong and asked again, and so is one that passes the check by
// chance; an entry of another password is asked for; no answer writes nothing.
TEST_P(EngineAsks, ForThePasswordUntilOneOpens) {
  const Asking& asking = GetParam();
  if (asking.built.empty() && !Have("7z")) GTEST_SKIP() << "7z is missing";
  Scratch scratch;
  if (asking.built.empty()) {
    WriteFile(scratch / "in/one.txt", std::string(50000, 'p'));
    WriteFile(scratch / "in/two.bin", Random(3000));
    const std::string add = "7z a -tzip -bd " + std::string(asking.options) + " ../a.zip ";
    ASSERT_EQ(Shell("cd " + Quote(scratch / "in") + " && " + add + "-pSecret one.txt && " + add + "-p" + asking.second +
                    " two.bin"),
              0);
  } else {
    WriteFile(scratch / "a.zip", BuildArchive(asking.built));
  }
  fs::create_directories(scratch / "out");
  Counting observer(UINT64_MAX, asking.answers);
  observer.remembered = asking.remembered;
  zip::ExtractReport report;
  const zip::Error error = zip::ExtractArchive(Engine(scratch / "a.zip"), Engine(scratch / "out"), observer, report);
  EXPECT_EQ(error.kind, asking.kind) << error.detail;
  EXPECT_EQ(observer.asked, asking.asked);
  if (!asking.locked.empty()) {
    EXPECT_EQ(observer.locked, asking.locked);
  }
  if (error) {
    EXPECT_EQ(CountEntries(scratch / "out"), 0U);
  } else {
    EXPECT_EQ(ReadFile(scratch / "out/one.txt"), std::string(50000, 'p'));
    EXPECT_EQ(ReadFile(scratch / "out/two.bin"), Random(3000));
  }
}

// Both entries' check bytes pass "Wrong" as well: only their data tells it from "Secret".
const std::vector<Item> kPassingWrong = {
    {.name = "one.txt", .data = std::string(50000, 'p'), .deflate = true, .password = "Secret", .passes = "Wrong"},
    {.name = "two.bin", .data = Random(3000), .password = "Secret", .passes = "Wrong"}};
// Built rather than by 7z, whose random headers would let "Secret" pass two.bin's check 1 time in 256.
const std::vector<Item> kTwoPasswords = {
    {.name = "one.txt", .data = std::string(50000, 'p'), .deflate = true, .password = "Secret"},
    {.name = "two.bin", .data = Random(3000), .password = "Two"}};
// Both under "Two", two.bin's check passing "Secret" too.
const std::vector<Item> kTwoOnlyPassingSecret = {
    {.name = "one.txt", .data = std::string(50000, 'p'), .deflate = true, .password = "Two"},
    {.name = "two.bin", .data = Random(3000), .password = "Two", .passes = "Secret"}};
// An empty entry's check passing "Wrong" too: its data, none, cannot tell it from "Secret".
const std::vector<Item> kEmptyPassingWrong = {
    {.name = "one.txt", .data = std::string(50000, 'p'), .deflate = true, .password = "Secret"},
    {.name = "two.bin", .data = Random(3000), .password = "Secret"},
    {.name = "empty", .data = "", .password = "Secret", .passes = "Wrong"}};
// An empty entry of a password of its own, given first: it opens that entry, yet shows nothing.
const std::vector<Item> kEmptyOfItsOwn = {
    {.name = "one.txt", .data = std::string(50000, 'p'), .deflate = true, .password = "Secret"},
    {.name = "two.bin", .data = Random(3000), .password = "Secret"},
    {.name = "empty", .data = "", .password = "Own"}};
// And the archive of such a time.
const std::vector<Item> kTwoPasswordsPassingSecret = {
    {.name = "one.txt", .data = std::string(50000, 'p'), .deflate = true, .password = "Secret"},
    {.name = "two.bin", .data = Random(3000), .password = "Two", .passes = "Secret"}};

const Asking kAskings[] = {
    {"AesWrongThenRight", "-mem=AES256", {"wrong", "Secret"}, zip::Failure::None, {false, true}},
    {"ZipCryptoWrongThenRight", "-mem=ZipCrypto", {"wrong", "Secret"}, zip::Failure::None, {false, true}},
    {"AesCancelled", "-mem=AES128", {"wrong"}, zip::Failure::Encrypted, {false, true}},
    {"ZipCryptoCancelled", "-mem=ZipCrypto", {}, zip::Failure::Encrypted, {false}},
    {"ZipCryptoPassingTheCheckByChance", "", {"Wrong", "Secret"}, zip::Failure::None, {false, true}, {}, "", kPassingWrong},
    // Its verifier is "Secret"'s, its keys another's: 1 wrong password in 65536 gets this far.
    {"AesPassingTheVerifierByChance", "", {"Secret"}, zip::Failure::Encrypted, {false, true}, {}, "",
     {{.name = "two.bin", .data = AesData("data", "Other", 3, "Secret"), .flags = 1, .extra = AesField(2, 3, 0),
       .size = 4, .method = 99}}},
    {"ZipCryptoTwoPasswords", "", {"Secret", "Two"}, zip::Failure::None, {false, false}, {{}, {"two.bin"}}, "",
     kTwoPasswords},
    {"ZipCryptoEmptyEntryPassingTheCheckByChance", "", {"Wrong", "Secret"}, zip::Failure::None, {false, true},
     {{}, {}}, "", kEmptyPassingWrong},
    {"ZipCryptoEmptyEntryOfItsOwnPassword", "", {"Own", "Secret"}, zip::Failure::None, {false, true},
     {{}, {}}, "", kEmptyOfItsOwn},
    {"AesTwoPasswords", "-mem=AES256", {"Two", "Secret"}, zip::Failure::None, {false, false}, {{}, {"one.txt"}}, "Two"},
    {"TwoPasswordsOnePassingTheOthersCheck", "", {"Secret", "Two"}, zip::Failure::None, {false, false},
     {{}, {"two.bin"}}, "", kTwoPasswordsPassingSecret},
    // The person never gave the kept one, so giving it now is a first time: wrong, not damage.
    {"KeptPassingTheCheckByChanceThenTyped", "", {"Secret", "Secret", "Two"}, zip::Failure::None, {false, true, true},
     {{}, {}, {}}, "", kTwoOnlyPassingSecret, 1},
    // Not told it was wrong, as it opened one.txt: given again it is told wrong, and only then damage.
    {"TwoPasswordsOnePassingTheOthersCheckGivenAgain", "", {"Secret", "Secret", "Two"}, zip::Failure::None,
     {false, false, true}, {{}, {"two.bin"}, {"two.bin"}}, "", kTwoPasswordsPassingSecret},
    {"TwoPasswordsWrongBetween", "", {"Secret", "wrong", "Secret", "Two"}, zip::Failure::None,
     {false, false, true, true}, {{}, {"two.bin"}, {"two.bin"}, {"two.bin"}}, "", kTwoPasswords},
    {"TwoPasswordsCancelledAtTheSecond", "-mem=AES128", {"Secret"}, zip::Failure::Encrypted, {false, false},
     {{}, {"two.bin"}}, "Two"},
};
INSTANTIATE_TEST_SUITE_P(SevenZip, EngineAsks, ::testing::ValuesIn(kAskings),
                         [](const auto& info) { return std::string(info.param.label); });

// 7z's Deflate64 matches stop at 257 bytes; length code 285 reaches 65538 with its 16 extra bits.
TEST(EngineReadsDeflate64, MatchesUpToTheLongest) {
  Scratch scratch;
  const std::string data = Random(100) + std::string(65539, 'b') + std::string(70000, 'c') + "xyz" + std::string(4, 'd');
  WriteFile(scratch / "a.zip", BuildArchive({{.name = "runs", .data = data, .deflate64 = true}}));
  const zip::Error error = Unzip(scratch / "a.zip", scratch / "out");
  ASSERT_FALSE(error) << error.detail;
  EXPECT_EQ(ReadFile(scratch / "out/runs"), data);
}

// Entries whose data is what the compressors' own tools write, stored with the method's number;
// damaged as each row says. No tool at hand writes zstd into a zip.
struct Streamed {
  const char* label;
  const char* tool;
  const char* command;  // writes the entry's data, made of data.bin, to its output
  std::uint16_t method;
  zip::Failure kind = zip::Failure::None;
  const char* detail = "";   // a part of the failure's words
  std::int64_t sizeOff = 0;  // the declared size this far from the data's
  std::size_t cut = 0;       // bytes cut off the entry's data
  std::int64_t at = 0;       // a byte flipped by `mask`: from the start, or from the end when negative
  std::uint8_t mask = 0;
  const char* password = "";  // WinZip AES with it when not empty
  std::uint16_t aesVersion = 1;  // AE-1 keeps the CRC-32, AE-2 does not
};
void PrintTo(const Streamed& value, std::ostream* out) { *out << value.label; }

const std::string kStreamedData = Random(200000, 7) + std::string(300000, 'x') + Random(100000, 8);

class EngineReadsStreamed : public ::testing::TestWithParam<Streamed> {};

TEST_P(EngineReadsStreamed, AsItsToolWroteIt) {
  const Streamed& s = GetParam();
  if (!Have(s.tool)) GTEST_SKIP() << s.tool << " is missing";
  Scratch scratch;
  WriteFile(scratch / "data.bin", kStreamedData);
  ASSERT_EQ(Shell("cd " + Quote(scratch.path()) + " && (" + s.command + ") > entry"), 0);
  std::string data = ReadFile(scratch / "entry");
  ASSERT_GT(data.size(), s.cut);
  data.resize(data.size() - s.cut);
  data[static_cast<std::size_t>(s.at >= 0 ? s.at : static_cast<std::int64_t>(data.size()) + s.at)] ^= static_cast<char>(s.mask);
  const auto crc = static_cast<std::int64_t>(
      crc32(0, reinterpret_cast<const Bytef*>(kStreamedData.data()), static_cast<uInt>(kStreamedData.size())));
  const auto size = static_cast<std::int64_t>(kStreamedData.size()) + s.sizeOff;
  const std::string password = s.password;
  const Item item = password.empty()
      ? Item{.name = "data.bin", .data = data, .size = size, .crc = crc, .method = s.method}
      : Item{.name = "data.bin", .data = AesData(data, password, 3, password), .flags = 1,
             .extra = AesField(s.aesVersion, 3, s.method), .size = size, .crc = s.aesVersion == 1 ? crc : 0, .method = 99};
  WriteFile(scratch / "a.zip", BuildArchive({item}));
  const zip::Error error = Unzip(scratch / "a.zip", scratch / "out", nullptr, password);
  EXPECT_EQ(error.kind, s.kind) << error.detail;
  if (error) {
    EXPECT_EQ(error.entry, "data.bin");
    EXPECT_NE(error.detail.find(s.detail), std::string::npos) << error.detail;
  } else {
    EXPECT_EQ(ReadFile(scratch / "out/data.bin"), kStreamedData);
  }
}

// A zip's LZMA: the version that wrote it and the properties' size, then what a .lzma file has but its size.
#define LZMA_IN_ZIP "printf '\\020\\002\\005\\000' && lzma -c data.bin | head -c 5 && lzma -c data.bin | tail -c +14"
// The data of the entry 7z makes of data.bin.
#define SEVEN_ZIP_DATA(options)                                                                                    \
  "7z a -tzip -bd -bso0 " options " e.zip data.bin && python3 -c 'import struct, sys, zipfile; "                  \
  "i = zipfile.ZipFile(\"e.zip\").infolist()[0]; f = open(\"e.zip\", \"rb\"); f.seek(i.header_offset + 26); "     \
  "n, m = struct.unpack(\"<HH\", f.read(4)); f.seek(i.header_offset + 30 + n + m); "                              \
  "sys.stdout.buffer.write(f.read(i.compress_size))'"

INSTANTIATE_TEST_SUITE_P(
    Tools, EngineReadsStreamed,
    ::testing::Values(
        Streamed{"Zstd", "zstd", "zstd -q -c data.bin", 93},
        Streamed{"ZstdFrames", "zstd", "head -c 100000 data.bin | zstd -q && tail -c +100001 data.bin | zstd -q --no-check",
                 93},
        Streamed{"ZstdAes", "zstd", "zstd -q -c data.bin", 93, zip::Failure::None, "", 0, 0, 0, 0, "Secret"},
        Streamed{"XzBlocks", "xz", "xz -T2 --block-size=65536 -c data.bin", 95},
        Streamed{"Bzip2", "bzip2", "bzip2 -c data.bin", 12},
        Streamed{"LzmaEndMarked", "lzma", LZMA_IN_ZIP, 14},
        Streamed{"ZstdCut", "zstd", "zstd -q -c data.bin", 93, zip::Failure::Damaged, "zstd stream ends early", 0, 100},
        Streamed{"ZstdChecksum", "zstd", "zstd -q -c data.bin", 93, zip::Failure::Damaged, "checksum", 0, 0, -2, 1},
        Streamed{"ZstdSizePastItsData", "zstd", "zstd -q -c data.bin", 93, zip::Failure::Damaged, "its data ends early", 1},
        Streamed{"ZstdBomb", "zstd", "zstd -q -c data.bin", 93, zip::Failure::TooLarge, "past its declared size", -1000},
        Streamed{"XzCut", "xz", "xz -c data.bin", 95, zip::Failure::Damaged, "xz stream ends early", 0, 100},
        Streamed{"XzIndex", "xz", "xz -c data.bin", 95, zip::Failure::Damaged, "xz stream", 0, 0, -20, 1},
        Streamed{"Bzip2Crc", "bzip2", "bzip2 -c data.bin", 12, zip::Failure::Damaged, "bzip2 stream", 0, 0, -3, 1},
        Streamed{"Bzip2Cut", "bzip2", "bzip2 -c data.bin", 12, zip::Failure::Damaged, "bzip2 stream ends early", 0, 100},
        Streamed{"LzmaPropertiesSize", "lzma", LZMA_IN_ZIP, 14, zip::Failure::Damaged, "lzma header", 0, 0, 2, 1},
        Streamed{"LzmaEndMarkBeforeTheSize", "lzma", LZMA_IN_ZIP, 14, zip::Failure::Damaged, "lzma stream ends early", 1},
        Streamed{"LzmaCut", "lzma", LZMA_IN_ZIP, 14, zip::Failure::Damaged, "lzma stream ends early", 0, 100},
        Streamed{"PpmdCut", "7z", SEVEN_ZIP_DATA("-mm=PPMd"), 98, zip::Failure::Damaged, "PPMd data ends early", 0, 100},
        // Its end mark comes where a byte more is wanted.
        Streamed{"PpmdSizePastItsData", "7z", SEVEN_ZIP_DATA("-mm=PPMd"), 98, zip::Failure::Damaged,
                 "PPMd data ends early", 1},
        // AE-2 has no CRC-32: only the data's own end tells the size is short, and data that fails
        // does not open with the password, as with deflate.
        Streamed{"PpmdAesSizeShort", "7z", SEVEN_ZIP_DATA("-mm=PPMd"), 98, zip::Failure::Encrypted, "", -1, 0, 0, 0,
                 "Secret", 2},
        Streamed{"LzmaAesSizeShort", "lzma", LZMA_IN_ZIP, 14, zip::Failure::Encrypted, "", -1, 0, 0, 0, "Secret", 2},
        Streamed{"LzmaSizeShort", "lzma", LZMA_IN_ZIP, 14, zip::Failure::TooLarge, "past its declared size", -1000},
        Streamed{"PpmdAes2", "7z", SEVEN_ZIP_DATA("-mm=PPMd"), 98, zip::Failure::None, "", 0, 0, 0, 0, "Secret", 2},
        Streamed{"PpmdDamaged", "7z", SEVEN_ZIP_DATA("-mm=PPMd"), 98, zip::Failure::Damaged, "", 0, 0, 1000, 0x55},
        // 7z's order at this level is 8: its parameters' low four bits 7, made 0 here.
        Streamed{"PpmdOrderOne", "7z", SEVEN_ZIP_DATA("-mm=PPMd:o=8"), 98, zip::Failure::Damaged, "out of range", 0, 0, 0, 7},
        Streamed{"PpmdRestoreUnknown", "7z", SEVEN_ZIP_DATA("-mm=PPMd"), 98, zip::Failure::Damaged, "out of range", 0, 0,
                 1, 0x30},
        Streamed{"PpmdFrozen", "7z", SEVEN_ZIP_DATA("-mm=PPMd"), 98, zip::Failure::UnsupportedMethod, "frozen", 0, 0, 1,
                 0x20},
        Streamed{"Implode", "cat", "cat data.bin", 6, zip::Failure::UnsupportedMethod, "Implode (method 6)"}),
    [](const auto& info) { return std::string(info.param.label); });

struct Refusal {
  const char* label;
  const char* options;
  zip::Failure kind;
  const char* detail;
};
void PrintTo(const Refusal& value, std::ostream* out) { *out << value.label; }

class EngineRefuses : public ::testing::TestWithParam<Refusal> {};

TEST_P(EngineRefuses, WhatItCannotExtract) {
  if (!Have("7z")) GTEST_SKIP() << "7z is missing";
  Scratch scratch;
  WriteFile(scratch / "in/plain.txt", std::string(50000, 'p'));
  ASSERT_EQ(Shell("cd " + Quote(scratch / "in") + " && 7z a -tzip -bd " + GetParam().options + " ../a.zip plain.txt"), 0);
  const zip::Error error = Unzip(scratch / "a.zip", scratch / "out");
  EXPECT_EQ(error.kind, GetParam().kind);
  EXPECT_EQ(error.entry, "plain.txt");
  EXPECT_EQ(error.detail, GetParam().detail);
  EXPECT_EQ(CountEntries(scratch / "out"), 0U);
}

const Refusal kRefusals[] = {
    {"AesWithoutPassword", "-psecret -mem=AES256", zip::Failure::Encrypted, "no password was given"},
    {"ZipCryptoWithoutPassword", "-psecret -mem=ZipCrypto", zip::Failure::Encrypted, "no password was given"},
};
INSTANTIATE_TEST_SUITE_P(SevenZip, EngineRefuses, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace

// Trees written by the engine and extracted by it again: same bytes, same names, same times.
#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

#include "builder.h"
#include "failing_new.h"
#include "fixture.h"
#include "engine/zip/catalog.h"
#include "engine/zip/collect.h"
#include "engine/zip/compressor.h"
#include "engine/zip/local_header.h"

namespace {

struct RoundTrip {
  const char* label;
  std::function<void(const fs::path&)> make;  // fills the folder "in"
};
void PrintTo(const RoundTrip& value, std::ostream* out) { *out << value.label; }

const RoundTrip kTrees[] = {
    {"EmptyFile", [](const fs::path& in) { WriteFile(in / "empty", ""); }},
    {"EmptyFolder", [](const fs::path& in) { fs::create_directories(in / "nothing"); }},
    {"NestedFolders", [](const fs::path& in) {
       WriteFile(in / "a/b/c/deep.txt", "deep", 1500000000);
       fs::create_directories(in / "a/b/empty");
       WriteFile(in / "a/top.txt", "top");
     }},
    {"Scripts", [](const fs::path& in) {
       for (const char* name : {"Ärger über Öl.txt", "Привет/мир.txt", "日本語/ファイル.txt", "🎉 party.txt"}) {
         WriteFile(in / fs::path(name), name);
       }
     }},
    {"Times", [](const fs::path& in) {
       WriteFile(in / "1985.txt", "old", 489024000);
       WriteFile(in / "2030.txt", "new", 1900000000);
       WriteFile(in / "odd second.txt", "odd", 1600000001);
     }},
    // Past the DOS time's 2107 and the extended timestamp's 2038, before 1980 and 1970, to 100 ns.
    {"FineAndFarTimes", [](const fs::path& in) {
       const std::pair<const char*, std::int64_t> times[] = {
           {"fine", 16000000001234567}, {"2150", 56802816009999999}, {"1970", 1234567}, {"1960", -3156192000000001}};
       for (const auto& [name, ticks] : times) {
         WriteFile(in / name, name);
         SetModified(in / name, ticks);
       }
     }},
    {"ReadOnly", [](const fs::path& in) {
       WriteFile(in / "kept.txt", "kept");
       fs::permissions(in / "kept.txt", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                       fs::perm_options::remove);
       WriteFile(in / "free.txt", "free");
     }},
    {"Incompressible", [](const fs::path& in) { WriteFile(in / "noise.bin", Random(300000)); }},
    {"SplitIntoBlocks", [](const fs::path& in) {
       std::string text;
       while (text.size() < 5 * 1024 * 1024 + 12345) text += "line " + std::to_string(text.size() % 977) + "\n";
       WriteFile(in / "big.txt", text);
       WriteFile(in / "big noise.bin", Random(3 * 1024 * 1024 + 7, 2));
       WriteFile(in / "half.bin", Random(1024 * 1024, 3) + std::string(2 * 1024 * 1024, 'z'));
     }},
};

class RoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(RoundTripTest, ExtractsWhatWasWritten) {
  Scratch scratch;
  GetParam().make(scratch / "in");
  std::vector<fs::path> items;
  for (const auto& item : fs::directory_iterator(scratch / "in")) items.push_back(item.path());
  ASSERT_FALSE(Zip(items, scratch / "a.zip"));
  ASSERT_FALSE(Unzip(scratch / "a.zip", scratch / "out"));
  EXPECT_EQ(Tree(scratch / "in"), Tree(scratch / "out"));
}

INSTANTIATE_TEST_SUITE_P(Trees, RoundTripTest, ::testing::ValuesIn(kTrees),
                         [](const auto& info) { return std::string(info.param.label); });

// How each entry is stored: deflate only where it shrinks, the UTF-8 flag only where needed.
TEST(WriteArchive, ChoosesMethodAndNameFlagPerEntry) {
  Scratch scratch;
  WriteFile(scratch / "in/text.txt", std::string(100000, 'a'));
  WriteFile(scratch / "in/noise.bin", Random(100000));
  WriteFile(scratch / "in/big noise.bin", Random(2500000));
  WriteFile(scratch / "in/naïve.txt", "x");
  ASSERT_FALSE(Zip({scratch / "in"}, scratch / "a.zip"));
  zip::os::File file;
  ASSERT_FALSE(zip::os::File::OpenRead(Engine(scratch / "a.zip"), file));
  zip::Catalog catalog;
  ASSERT_FALSE(zip::ReadCentralDirectory(file, catalog));
  std::map<std::string, std::pair<std::uint16_t, bool>> seen;
  for (const auto& entry : catalog.entries) seen[entry.name] = {entry.zipFields.method, (entry.zipFields.flags & zip::kFlagUtf8) != 0};
  using Seen = std::map<std::string, std::pair<std::uint16_t, bool>>;
  EXPECT_EQ(seen, (Seen{{"in/", {zip::kStored, false}},
                        {"in/big noise.bin", {zip::kStored, false}},
                        {"in/naïve.txt", {zip::kStored, true}},
                        {"in/noise.bin", {zip::kStored, false}},
                        {"in/text.txt", {zip::kDeflated, false}}}));
}

std::vector<std::string> EntryNames(const fs::path& archive) {
  zip::os::File file;
  zip::Catalog catalog;
  if (zip::os::File::OpenRead(Engine(archive), file) || zip::ReadCentralDirectory(file, catalog)) return {};
  std::vector<std::string> names;
  for (const auto& entry : catalog.entries) names.push_back(entry.name);
  return names;
}

struct Selection {
  const char* label;
  std::vector<std::string> files;                          // each holding its own name
  std::vector<std::pair<std::string, std::string>> links;  // link, target
  std::vector<std::string> items;
  std::vector<std::string> leaveOut;
  std::vector<std::string> entries;
  std::vector<std::string> linksSkipped;
};
void PrintTo(const Selection& value, std::ostream* out) { *out << value.label; }

class SelectionTest : public ::testing::TestWithParam<Selection> {};

TEST_P(SelectionTest, ZipsEachItemOnceUnderItsOwnName) {
  Scratch scratch;
  for (const std::string& file : GetParam().files) WriteFile(scratch / file, file);
  for (const auto& [link, target] : GetParam().links) fs::create_symlink(scratch / target, scratch / link);
  std::vector<fs::path> items, leaveOut;
  for (const std::string& item : GetParam().items) items.push_back(scratch / item);
  for (const std::string& path : GetParam().leaveOut) leaveOut.push_back(scratch / path);
  Counting observer;
  zip::WriteReport report;
  ASSERT_FALSE(zip::WriteArchive(Engine(items), Engine(leaveOut), Engine(scratch / "a.zip"), observer, report));
  EXPECT_EQ(EntryNames(scratch / "a.zip"), GetParam().entries);
  EXPECT_EQ(report.linksSkipped, GetParam().linksSkipped);
}

INSTANTIATE_TEST_SUITE_P(
    Items, SelectionTest,
    ::testing::Values(
        Selection{"ByTheirCommonFolder", {"p/x/one.txt", "p/y/z/two.txt"}, {}, {"p/x/one.txt", "p/y/z"}, {},
                  {"x/one.txt", "y/z/", "y/z/two.txt"}, {}},
        Selection{"GivenTwice", {"x/a.txt"}, {}, {"x/a.txt", "x/./a.txt"}, {}, {"a.txt"}, {}},
        Selection{"InsideAnother", {"A/f.txt", "A/g.txt"}, {}, {"A/f.txt", "A", "A/g.txt"}, {}, {"A/", "A/f.txt", "A/g.txt"}, {}},
        Selection{"ScratchFolderLeftOut", {"A/f.txt", "A/~scratch/A.zip"}, {}, {"A"}, {"A/~scratch"}, {"A/", "A/f.txt"}, {}},
        Selection{"LinkToAFolder", {"T/t.txt"}, {{"L", "T"}}, {"L"}, {}, {"L/", "L/t.txt"}, {}},
        Selection{"LinkToAFile", {"T/t.txt"}, {{"F.txt", "T/t.txt"}}, {"F.txt"}, {}, {"F.txt"}, {}},
        Selection{"LinksInsideAFolder", {"A/f.txt", "T/t.txt"}, {{"A/up", "A"}, {"A/g", "T/t.txt"}}, {"A"}, {},
                  {"A/", "A/f.txt"}, {"A/g", "A/up"}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(WriteArchive, RefusesAnExistingArchiveAndLeavesItAlone) {
  Scratch scratch;
  WriteFile(scratch / "in.txt", "data");
  WriteFile(scratch / "a.zip", "mine");
  EXPECT_TRUE(Zip({scratch / "in.txt"}, scratch / "a.zip"));
  EXPECT_EQ(ReadFile(scratch / "a.zip"), "mine");
}

// A disk slower than the compressor: the writer never waits for a block.
class SlowDisk : public Counting {
 public:
  using Counting::Counting;
  void Done(std::uint64_t bytes, const std::string& item) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    Counting::Done(bytes, item);
  }
};

TEST(WriteArchive, RemovesTheArchiveOnAnyFailureOrCancel) {
  const struct {
    const char* name;
    std::function<zip::Error(const fs::path& in, const fs::path& archive)> run;
    zip::Failure kind;
  } cases[] = {
      {"cancelled", [](const fs::path& in, const fs::path& archive) {
         Counting cancelling(zip::kBlockSize);
         zip::WriteReport report;
         return zip::WriteArchive({Engine(in)}, {}, Engine(archive), cancelling, report);
       }, zip::Failure::Cancelled},
      {"cancelled while the tree is listed", [](const fs::path& in, const fs::path& archive) {
         Counting cancelling(0);
         zip::WriteReport report;
         return zip::WriteArchive({Engine(in)}, {}, Engine(archive), cancelling, report);
       }, zip::Failure::Cancelled},
      {"cancelled while a slow disk takes one file", [](const fs::path& in, const fs::path& archive) {
         SlowDisk cancelling(zip::kBlockSize);
         zip::WriteReport report;
         return zip::WriteArchive({Engine(in)}, {}, Engine(archive), cancelling, report);
       }, zip::Failure::Cancelled},
      {"an item is missing", [](const fs::path& in, const fs::path& archive) {
         return Zip({in, in.parent_path() / "gone"}, archive);
       }, zip::Failure::NotFound},
      {"memory runs out in a worker", [](const fs::path& in, const fs::path& archive) {
         const FailingAllocations failing(zip::kBlockSize);
         return Zip({in}, archive);
       }, zip::Failure::NoMemory},
      {"all is left out", [](const fs::path& in, const fs::path& archive) {
         Counting observer;
         zip::WriteReport report;
         return zip::WriteArchive({Engine(in)}, {Engine(in)}, Engine(archive), observer, report);
       }, zip::Failure::Io},
  };
  Scratch scratch;
  WriteFile(scratch / "in/big.txt", std::string(4 * zip::kBlockSize, 'b'));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.run(scratch / "in", scratch / "a.zip").kind, c.kind);
    EXPECT_FALSE(fs::exists(scratch / "a.zip"));
  }
}

// The archive stays consistent: the file as it was listed, and a word about it. The file grows
// once all is listed, and the writer waits for that at its first block: the file ahead holds
// more than the one worker may deflate ahead of it, so the growing one has not been read.
TEST(WriteArchive, HoldsAFileThatGrowsAsItWasListedAndSaysSo) {
  class Growing : public Counting {
   public:
    explicit Growing(fs::path file) : file_(std::move(file)) {}
    void Total(std::uint64_t bytes) override {
      std::ofstream(file_, std::ios::binary | std::ios::app) << "more";
      Counting::Total(bytes);
    }
    void Done(std::uint64_t bytes, const std::string& item) override {
      while (total == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      Counting::Done(bytes, item);
    }

   private:
    fs::path file_;
  };
  for (const std::size_t size : {std::size_t{5}, 2 * zip::kBlockSize + 7}) {
    SCOPED_TRACE(size);
    Scratch scratch;
    const std::string bytes = Random(size);
    WriteFile(scratch / "in/ahead.txt", std::string(8 * zip::kBlockSize, 'a'));
    WriteFile(scratch / "in/log.txt", bytes);
    Growing growing(scratch / "in/log.txt");
    zip::WriteReport report;
    ASSERT_FALSE(zip::WriteArchive(Engine({scratch / "in/ahead.txt", scratch / "in/log.txt"}), {},
                                   Engine(scratch / "a.zip"), growing, report, 1));
    ASSERT_EQ(report.grown.size(), 1U);
    EXPECT_EQ(report.grown[0].entry, "log.txt");
    EXPECT_EQ(report.grown[0].size, size);
    ASSERT_FALSE(Unzip(scratch / "a.zip", scratch / "out"));
    EXPECT_EQ(ReadFile(scratch / "out/log.txt"), bytes);
  }
}

// A 32-bit thread has a 1 MiB stack; this one has less, and the tree is thousands of folders deep.
// The walk itself runs on it: WriteArchive would walk on a thread of its own.
TEST(CollectSources, WalksADeepTreeOnASmallStack) {
  Scratch scratch;
  std::string deep = "in";
  fs::create_directory(scratch / deep);
  for (int depth = 0; depth < 1900; ++depth) fs::create_directory(scratch / (deep += "/d"));
  WriteFile(scratch / (deep + "/bottom.txt"), "bottom");
  zip::Listing listing;
  zip::Error error;
  RunOnStack(256 * 1024, [&] {
    Counting observer;
    zip::WriteReport report;
    error = zip::CollectSources({Engine(scratch / "in")}, {}, observer, listing, report);
  });
  ASSERT_FALSE(error) << error.detail;
  ASSERT_EQ(listing.size(), 1902U);
  EXPECT_EQ(listing.Wait(1901)->name, deep + "/bottom.txt");
}

// Empty files report no bytes, and folders are made first: a cancel must still stop the files.
TEST(ExtractArchive, StopsWhenCancelled) {
  const struct {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;
    std::uint64_t cancelAfter;
    bool tarGzip = false;
    const char* sevenZip = nullptr;  // 7z's options, when it makes the zip
  } cases[] = {
      {"one big file", {{"in/big.bin", std::string(8 * 1024 * 1024, 'b')}}, 1},
      {"empty files only", {{"in/a", ""}, {"in/b", ""}, {"in/c", ""}}, 0},
      {"one big file in a tar.gz", {{"in/big.bin", std::string(8 * 1024 * 1024, 'b')}}, 1, true},
      {"a tar.gz cancelled at once", {{"in/big.bin", std::string(8 * 1024 * 1024, 'b')}}, 0, true},
      {"one big file in PPMd", {{"in/big.bin", std::string(8 * 1024 * 1024, 'b')}}, 1, false, "-mm=PPMd"},
      {"one big file in bzip2", {{"in/big.bin", std::string(8 * 1024 * 1024, 'b')}}, 1, false, "-mm=BZip2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.sevenZip != nullptr && !Have("7z")) continue;
    Scratch scratch;
    std::vector<fs::path> items;
    for (const auto& [name, bytes] : c.files) {
      WriteFile(scratch / name, bytes);
      items.push_back(scratch / name);
    }
    if (c.sevenZip != nullptr) {
      ASSERT_EQ(Shell("cd " + Quote(scratch / "in") + " && 7z a -tzip -bd -bso0 " + c.sevenZip + " ../a.zip ."), 0);
    } else if (c.tarGzip) {
      WriteFile(scratch / "a.zip", Gzip(BuildTar({{.name = c.files.front().first, .data = c.files.front().second}})));
    } else {
      ASSERT_FALSE(Zip(items, scratch / "a.zip"));
    }
    Counting cancelling(c.cancelAfter);
    zip::ExtractReport report;
    fs::create_directories(scratch / "out");
    EXPECT_EQ(zip::ExtractArchive(Engine(scratch / "a.zip"), Engine(scratch / "out"), cancelling, report).kind,
              zip::Failure::Cancelled);
    EXPECT_LT(cancelling.done, 8U * 1024 * 1024);
  }
}

// Blocks are cut by position, not by worker, so the archive is the same on any number of cores.
TEST(WriteArchive, WritesTheSameBytesWithAnyNumberOfThreads) {
  Scratch scratch;
  WriteFile(scratch / "in/big.txt", std::string(3 * 1024 * 1024, 'q') + Random(1500000));
  WriteFile(scratch / "in/small.txt", "small");
  // The archive holds access times, which the first reading of a fresh tree changes.
  ASSERT_FALSE(Zip({scratch / "in"}, scratch / "0.zip"));
  ASSERT_FALSE(Zip({scratch / "in"}, scratch / "1.zip", 1));
  ASSERT_FALSE(Zip({scratch / "in"}, scratch / "4.zip", 4));
  EXPECT_EQ(ReadFile(scratch / "1.zip"), ReadFile(scratch / "4.zip"));
}

TEST(WriteArchive, UsesZip64ForMoreThan65535Entries) {
  Scratch scratch;
  for (int folder = 0; folder <= 65; ++folder) fs::create_directories(scratch / ("in/" + std::to_string(folder)));
  for (int i = 0; i < 65536; ++i) std::ofstream(scratch / ("in/" + std::to_string(i / 1000) + "/" + std::to_string(i)));
  ASSERT_FALSE(Zip({scratch / "in"}, scratch / "a.zip"));
  ASSERT_FALSE(Unzip(scratch / "a.zip", scratch / "out"));
  EXPECT_EQ(CountEntries(scratch / "out/in"), CountEntries(scratch / "in"));
  if (Have("unzip")) {
    EXPECT_EQ(Shell("unzip -tq " + Quote(scratch / "a.zip")), 0);
  }
}

}  // namespace

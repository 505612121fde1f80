// Trees written by the engine and extracted by it again: same bytes, same names, same times.
#include <fstream>
#include <functional>

#include "fixture.h"
#include "zip/catalog.h"
#include "zip/local_header.h"

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
  ASSERT_FALSE(zip::os::File::OpenRead(scratch / "a.zip", file));
  zip::Catalog catalog;
  ASSERT_FALSE(zip::ReadCentralDirectory(file, catalog));
  std::map<std::string, std::pair<std::uint16_t, bool>> seen;
  for (const auto& entry : catalog.entries) seen[entry.name] = {entry.method, (entry.flags & zip::kFlagUtf8) != 0};
  using Seen = std::map<std::string, std::pair<std::uint16_t, bool>>;
  EXPECT_EQ(seen, (Seen{{"in/", {zip::kStored, false}},
                        {"in/big noise.bin", {zip::kStored, false}},
                        {"in/naïve.txt", {zip::kStored, true}},
                        {"in/noise.bin", {zip::kStored, false}},
                        {"in/text.txt", {zip::kDeflated, false}}}));
}

TEST(WriteArchive, NamesItemsFromDifferentFoldersByTheirCommonParent) {
  Scratch scratch;
  WriteFile(scratch / "p/x/one.txt", "1");
  WriteFile(scratch / "p/y/z/two.txt", "2");
  ASSERT_FALSE(Zip({scratch / "p/x/one.txt", scratch / "p/y/z"}, scratch / "a.zip"));
  zip::ExtractReport report;
  ASSERT_FALSE(Unzip(scratch / "a.zip", scratch / "out", &report));
  EXPECT_EQ(ReadFile(scratch / "out/x/one.txt"), "1");
  EXPECT_EQ(ReadFile(scratch / "out/y/z/two.txt"), "2");
  EXPECT_EQ(report.topLevel, (std::vector<std::string>{"x", "y"}));
}

TEST(WriteArchive, RefusesAnExistingArchiveAndLeavesItAlone) {
  Scratch scratch;
  WriteFile(scratch / "in.txt", "data");
  WriteFile(scratch / "a.zip", "mine");
  EXPECT_TRUE(Zip({scratch / "in.txt"}, scratch / "a.zip"));
  EXPECT_EQ(ReadFile(scratch / "a.zip"), "mine");
}

TEST(WriteArchive, RemovesTheArchiveWhenCancelledOrAnItemIsMissing) {
  Scratch scratch;
  WriteFile(scratch / "in/big.bin", Random(4 * 1024 * 1024));
  Counting cancelling(1024 * 1024);
  EXPECT_EQ(zip::WriteArchive({scratch / "in"}, scratch / "a.zip", cancelling).kind, zip::Failure::Cancelled);
  EXPECT_EQ(Zip({scratch / "in", scratch / "gone"}, scratch / "b.zip").kind, zip::Failure::NotFound);
  EXPECT_FALSE(fs::exists(scratch / "a.zip"));
  EXPECT_FALSE(fs::exists(scratch / "b.zip"));
}

// Empty files report no bytes, and folders are made first: a cancel must still stop the files.
TEST(ExtractArchive, StopsWhenCancelled) {
  const struct {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;
    std::uint64_t cancelAfter;
  } cases[] = {
      {"one big file", {{"in/big.bin", std::string(8 * 1024 * 1024, 'b')}}, 1},
      {"empty files only", {{"in/a", ""}, {"in/b", ""}, {"in/c", ""}}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch scratch;
    std::vector<fs::path> items;
    for (const auto& [name, bytes] : c.files) {
      WriteFile(scratch / name, bytes);
      items.push_back(scratch / name);
    }
    ASSERT_FALSE(Zip(items, scratch / "a.zip"));
    Counting cancelling(c.cancelAfter);
    zip::ExtractReport report;
    fs::create_directories(scratch / "out");
    EXPECT_EQ(zip::ExtractArchive(scratch / "a.zip", scratch / "out", cancelling, report).kind,
              zip::Failure::Cancelled);
    EXPECT_LT(cancelling.done, 8U * 1024 * 1024);
  }
}

// Blocks are cut by position, not by worker, so the archive is the same on any number of cores.
TEST(WriteArchive, WritesTheSameBytesWithAnyNumberOfThreads) {
  Scratch scratch;
  WriteFile(scratch / "in/big.txt", std::string(3 * 1024 * 1024, 'q') + Random(1500000));
  WriteFile(scratch / "in/small.txt", "small");
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

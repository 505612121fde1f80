// Tars and lone files in xz, bzip2, zstd and lzma, as their own tools write them: read whole,
// whatever the number of streams or frames, and refused with nothing kept when damaged.
#include <gtest/gtest.h>

#include "fixture.h"

namespace {

struct Compressed {
  const char* label;
  const char* tool;
  const char* command;  // run in a folder holding "in/" (a.bin, b.txt, sub/c.txt) and "data.bin"; writes $A
  zip::ArchiveKind kind;
};
void PrintTo(const Compressed& value, std::ostream* out) { *out << value.label; }

const std::string kData = Random(700000, 5);

class CompressedReads : public ::testing::TestWithParam<Compressed> {};

TEST_P(CompressedReads, AllOfIt) {
  const Compressed& c = GetParam();
  if (!Have(c.tool)) GTEST_SKIP() << c.tool << " is missing";
  Scratch scratch;
  WriteFile(scratch / "in/a.bin", Random(300000, 3));
  WriteFile(scratch / "in/b.txt", "b");
  WriteFile(scratch / "in/sub/c.txt", std::string(100000, 'c'));
  WriteFile(scratch / "data.bin", kData);
  std::string command = c.command;
  for (std::size_t at; (at = command.find("$A")) != std::string::npos;) command.replace(at, 2, Quote(scratch / "archive"));
  ASSERT_EQ(Shell("cd " + Quote(scratch.path()) + " && " + command), 0);
  ASSERT_EQ(zip::ArchiveKindOf(Engine(scratch / "archive")), c.kind);
  const zip::Error error = Unzip(scratch / "archive", scratch / "out");
  ASSERT_FALSE(error) << error.detail;
  const bool lone = c.kind == zip::ArchiveKind::Xz || c.kind == zip::ArchiveKind::Bzip2 ||
                    c.kind == zip::ArchiveKind::Zstd || c.kind == zip::ArchiveKind::Lzma;
  if (lone) {
    EXPECT_EQ(Tree(scratch / "out", false), (std::map<std::string, Node>{{"archive", {kData}}}));
  } else {
    EXPECT_EQ(Tree(scratch / "out", false), Tree(scratch / "in", false));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tools, CompressedReads,
    ::testing::Values(
        Compressed{"TarXz", "xz", "tar -C in -cJf $A .", zip::ArchiveKind::XzTar},
        Compressed{"TarXzBlocks", "xz", "tar -C in -cf - . | xz -T2 --block-size=65536 > $A", zip::ArchiveKind::XzTar},
        Compressed{"TarXzTwoStreams", "xz",
                   "tar -C in -cf t . && head -c 100000 t | xz > $A && tail -c +100001 t | xz -C sha256 >> $A",
                   zip::ArchiveKind::XzTar},
        Compressed{"TarXzPadded", "xz", "tar -C in -cJf $A . && head -c 8 /dev/zero >> $A", zip::ArchiveKind::XzTar},
        Compressed{"TarBzip2", "bzip2", "tar -C in -cjf $A .", zip::ArchiveKind::Bzip2Tar},
        Compressed{"TarBzip2TwoStreams", "bzip2",
                   "tar -C in -cf t . && head -c 100000 t | bzip2 > $A && tail -c +100001 t | bzip2 >> $A",
                   zip::ArchiveKind::Bzip2Tar},
        Compressed{"TarZstd", "zstd", "tar -C in --zstd -cf $A .", zip::ArchiveKind::ZstdTar},
        Compressed{"TarZstdFrames", "zstd",
                   "tar -C in -cf t . && head -c 100000 t | zstd -q > $A && tail -c +100001 t | zstd -q --no-check >> $A",
                   zip::ArchiveKind::ZstdTar},
        // The tar's first block past the first 64 KiB of the file.
        Compressed{"TarZstdAfterALargeSkippableFrame", "zstd",
                   "printf '\\120\\052\\115\\030\\240\\206\\001\\000' > $A && head -c 100000 /dev/zero >> $A && "
                   "tar -C in --zstd -cf - . >> $A",
                   zip::ArchiveKind::ZstdTar},
        Compressed{"TarXzAfterAnEmptyStreamAndPadding", "xz",
                   "xz -c < /dev/null > $A && head -c 100000 /dev/zero >> $A && tar -C in -cJf - . >> $A",
                   zip::ArchiveKind::XzTar},
        Compressed{"TarLzma", "lzma", "tar -C in -cf - . | lzma > $A", zip::ArchiveKind::LzmaTar},
        Compressed{"Xz", "xz", "xz -c data.bin > $A", zip::ArchiveKind::Xz},
        Compressed{"XzExtreme", "xz", "xz -9e -c data.bin > $A", zip::ArchiveKind::Xz},
        Compressed{"Bzip2", "bzip2", "bzip2 -c data.bin > $A", zip::ArchiveKind::Bzip2},
        Compressed{"Zstd", "zstd", "zstd -q -19 -c data.bin > $A", zip::ArchiveKind::Zstd},
        Compressed{"ZstdSkippableFrame", "zstd",
                   "printf '\\120\\052\\115\\030\\003\\000\\000\\000abc' > $A && zstd -q -c data.bin >> $A",
                   zip::ArchiveKind::Zstd},
        Compressed{"Lzma", "lzma", "lzma -c data.bin > $A", zip::ArchiveKind::Lzma},
        Compressed{"LzmaStreamed", "lzma", "cat data.bin | lzma -c > $A", zip::ArchiveKind::Lzma}),
    [](const auto& info) { return std::string(info.param.label); });

struct Broken {
  const char* label;
  const char* tool;
  const char* command;  // damages $A, made from "in/" by `make`
  const char* make;
  zip::Failure kind = zip::Failure::Damaged;
};
void PrintTo(const Broken& value, std::ostream* out) { *out << value.label; }

class CompressedDamaged : public ::testing::TestWithParam<Broken> {};

TEST_P(CompressedDamaged, IsRefusedWithNothingKept) {
  const Broken& b = GetParam();
  if (!Have(b.tool)) GTEST_SKIP() << b.tool << " is missing";
  Scratch scratch;
  WriteFile(scratch / "in/a.bin", Random(300000, 3));
  WriteFile(scratch / "in/b.txt", "b");
  std::string command = std::string(b.make) + " && " + b.command;
  for (std::size_t at; (at = command.find("$A")) != std::string::npos;) command.replace(at, 2, Quote(scratch / "archive"));
  ASSERT_EQ(Shell("cd " + Quote(scratch.path()) + " && " + command), 0);
  const zip::Error error = Unzip(scratch / "archive", scratch / "out");
  EXPECT_EQ(error.kind, b.kind) << error.detail;
  EXPECT_EQ(CountEntries(scratch / "out"), 0U);
}

// Flips one byte `n` bytes before the end of $A.
#define FLIP(n) "python3 -c 'import sys; p=sys.argv[1]; b=bytearray(open(p,\"rb\").read()); b[-" #n "]^=1; open(p,\"wb\").write(b)' $A"
#define CUT(n) "python3 -c 'import sys; p=sys.argv[1]; b=open(p,\"rb\").read(); open(p,\"wb\").write(b[:-" #n "])' $A"

INSTANTIATE_TEST_SUITE_P(
    Faults, CompressedDamaged,
    ::testing::Values(
        Broken{"XzCut", "xz", CUT(100), "tar -C in -cJf $A ."},
        Broken{"XzCheck", "xz", FLIP(20), "tar -C in -cJf $A ."},
        Broken{"XzGarbageAfter", "xz", "printf 'garbage!' >> $A", "tar -C in -cJf $A ."},
        // In a block decoded beside others.
        Broken{"XzBlockCheck", "xz", "python3 -c 'import sys; p=sys.argv[1]; b=bytearray(open(p,\"rb\").read()); b[150000]^=1; open(p,\"wb\").write(b)' $A",
               "tar -C in -cf - . | xz -T2 --block-size=65536 > $A"},
        Broken{"XzPaddingNotOfFour", "xz", "head -c 3 /dev/zero >> $A", "tar -C in -cJf $A ."},
        Broken{"Bzip2Cut", "bzip2", CUT(100), "tar -C in -cjf $A ."},
        Broken{"Bzip2Crc", "bzip2", FLIP(3), "tar -C in -cjf $A ."},
        Broken{"Bzip2GarbageAfter", "bzip2", "printf 'garbage!' >> $A", "tar -C in -cjf $A ."},
        Broken{"ZstdCut", "zstd", CUT(100), "tar -C in --zstd -cf $A ."},
        Broken{"ZstdChecksum", "zstd", FLIP(2), "tar -C in --zstd -cf $A ."},
        Broken{"ZstdGarbageAfter", "zstd", "printf 'garbage!' >> $A", "tar -C in --zstd -cf $A ."},
        // A frame whose window (2^41 bytes) no program can have: refused before it is allocated.
        Broken{"ZstdWindowPastAnyMemory", "zstd", "printf '\\050\\265\\057\\375\\000\\370' > $A && head -c 2000 /dev/zero >> $A",
               "true", zip::Failure::TooLarge},
        Broken{"LzmaCut", "lzma", CUT(100), "tar -C in -cf - . | lzma > $A"},
        // Found only once every file's data is decoded (and kept): none of it stays.
        Broken{"GzipTarCrc", "gzip", FLIP(6), "tar -C in -czf $A ."},
        Broken{"LoneGzipCut", "gzip", CUT(3), "gzip -c in/a.bin > $A"},
        Broken{"LoneXzCheck", "xz", FLIP(20), "xz -c in/a.bin > $A"}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace

// An entry past 4 GiB, from a sparse file: ZIP64 by size. Slow, but run with the rest.
#include <fcntl.h>
#include <unistd.h>

#include "fixture.h"
#include "engine/zip/catalog.h"

namespace {

constexpr std::uint64_t kSize = (std::uint64_t{9} << 29) + 12345;  // 4.5 GiB and a bit

void Mark(const fs::path& path, std::uint64_t offset, const std::string& text) {
  const int fd = ::open(path.c_str(), O_WRONLY);
  ASSERT_EQ(::pwrite(fd, text.data(), text.size(), static_cast<off_t>(offset)), static_cast<ssize_t>(text.size()));
  ::close(fd);
}

std::string ReadAt(const fs::path& path, std::uint64_t offset, std::size_t size) {
  std::string text(size, '\0');
  const int fd = ::open(path.c_str(), O_RDONLY);
  const ssize_t got = ::pread(fd, text.data(), size, static_cast<off_t>(offset));
  ::close(fd);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}

TEST(Slow, Zip64ForAnEntryPast4GiB) {
  Scratch scratch;
  const fs::path big = scratch / "in/big.bin";
  WriteFile(big, "start");
  fs::resize_file(big, kSize);
  const std::uint64_t boundary = (std::uint64_t{1} << 32) - 3;
  Mark(big, boundary, "across 4 GiB");
  Mark(big, kSize - 3, "end");
  ASSERT_FALSE(Zip({big}, scratch / "a.zip"));

  zip::os::File file;
  ASSERT_FALSE(zip::os::File::OpenRead(Engine(scratch / "a.zip"), file));
  zip::Catalog catalog;
  ASSERT_FALSE(zip::ReadCentralDirectory(file, catalog));
  ASSERT_EQ(catalog.entries.size(), 1U);
  EXPECT_EQ(catalog.entries[0].size, kSize);
  if (Have("unzip")) {
    EXPECT_EQ(Shell("unzip -tq " + Quote(scratch / "a.zip")), 0);
  }
  fs::remove(big);
  ASSERT_FALSE(Unzip(scratch / "a.zip", scratch / "out"));
  const fs::path out = scratch / "out/big.bin";
  EXPECT_EQ(fs::file_size(out), kSize);
  EXPECT_EQ(ReadAt(out, 0, 5), "start");
  EXPECT_EQ(ReadAt(out, boundary, 12), "across 4 GiB");
  EXPECT_EQ(ReadAt(out, kSize - 3, 3), "end");
}

}  // namespace

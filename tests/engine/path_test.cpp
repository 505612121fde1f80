// The engine's own path type splits and joins as std::filesystem::path does, which it replaces.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/sys/path.h"

TEST(Path, SplitsJoinsAndNormalisesAsTheStandardPathDoes) {
  namespace fs = std::filesystem;
  for (const char* text : {"", "/", "a", "/a", "/a/", "a/b/", "/a/b", "//a//b", "/a/b.txt", "/a/.bashrc",
                           "/a/b.tar.gz", "b.", "/x/notes. ..zip", ".", "..", "/a/.", "/a/..", "/..", "/../a",
                           "a/..", "a/../..", "../a", "a/./b/", "/a/b/../c", "/a//b/./../c/", "a/b/..", "/a/b/c/../.."}) {
    SCOPED_TRACE(text);
    const zip::os::Path path(text);
    const fs::path standard(text);
    EXPECT_EQ(path.parent_path().native(), standard.parent_path().native());
    EXPECT_EQ(path.filename().native(), standard.filename().native());
    EXPECT_EQ(path.stem().native(), standard.stem().native());
    EXPECT_EQ(path.extension().native(), standard.extension().native());
    EXPECT_EQ(path.root_path().native(), standard.root_path().native());
    EXPECT_EQ(path.has_relative_path(), standard.has_relative_path());
    EXPECT_EQ(path.is_absolute(), standard.is_absolute());
    EXPECT_EQ(path.lexically_normal().native(), standard.lexically_normal().native());
    for (const char* name : {"b", "c.txt"}) EXPECT_EQ((path / name).native(), (standard / name).native());
  }
}

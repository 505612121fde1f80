#include "tools/failure_text.h"

#include <gtest/gtest.h>

TEST(FailureText, OnOneLineThePathIsFollowedByAColonAndSentencesBySpaces) {
  const struct {
    const char* text;
    const char* line;
  } cases[] = {
      {"C:\\a\\Notes.zip\n\nThe archive is damaged.", "C:\\a\\Notes.zip: The archive is damaged."},
      {"C:\\a\\b.zip\r\n\r\nAccess was denied.\r\n", "C:\\a\\b.zip: Access was denied."},
      {"Unknown option: -x.\n\nCramlet zips files.\n\nCramlet.exe [-q] PATH...\n\nMore.",
       "Unknown option: -x. Cramlet zips files. Cramlet.exe [-q] PATH... More."},
      {"\n\nNo path first.", "No path first."},
      {"One line.", "One line."},
  };
  for (const auto& c : cases) EXPECT_EQ(tools::OneLine(c.text), c.line) << c.text;
}

TEST(FailureText, TheSystemsWordsEndInOneFullStop) {
  const struct {
    const char* detail;
    const char* text;
  } cases[] = {
      {"File exists.", "a.zip\n\nFile exists."},
      {"Invalid name", "a.zip\n\nInvalid name."},
      {"", "a.zip\n\nThe file could not be read or written."},
  };
  for (const auto& c : cases) EXPECT_EQ(tools::FailureText({zip::Failure::Io, "a.zip", {}, c.detail}), c.text) << c.detail;
}

// A method named for its entry in an archive, or for the whole of a file compressed alone.
TEST(FailureText, AnUnreadMethodIsNamedForItsEntryOrForTheFile) {
  EXPECT_EQ(tools::FailureText({zip::Failure::UnsupportedMethod, "a.zip", "x.bin", "Implode (method 6)"}),
            "a.zip\n\n\"x.bin\" is compressed with Implode (method 6), which Spillet does not read.");
  EXPECT_EQ(tools::FailureText({zip::Failure::UnsupportedMethod, "log.xz", {}, "an xz filter or check"}),
            "log.xz\n\nIt uses an xz filter or check, which Spillet does not read.");
}

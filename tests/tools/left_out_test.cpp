#include "tools/left_out.h"

#include <gtest/gtest.h>

TEST(LeftOutText, OneItemIsNamedInASentenceSeveralAreListedUpToADozenLinesNoneSaysNothing) {
  const struct {
    std::vector<std::string> names;
    const char* text;
  } cases[] = {
      {{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"},
       "These are not zip archives, so Spillet left them out:\n\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12"},
      {{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13"},
       "These are not zip archives, so Spillet left them out:\n\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\nand 2 more."},
      {{}, ""},
      {{"C:\\a\\notes.txt"}, "\"C:\\a\\notes.txt\" is not a zip archive, so Spillet left it out."},
      {{"C:\\a\\notes.txt", "C:\\a\\Фото"},
       "These are not zip archives, so Spillet left them out:\n\nC:\\a\\notes.txt\nC:\\a\\Фото"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tools::LeftOutText("Spillet", "a zip archive", "zip archives", c.names), c.text) << c.names.size();
  }
}

TEST(UnextractableText, NamesEachFileForWhatItIs) {
  const struct {
    std::vector<tools::Named> files;
    const char* text;
  } cases[] = {
      {{}, ""},
      {{{"C:\\a\\Photos.7z", "a 7z archive"}}, "\"C:\\a\\Photos.7z\" is a 7z archive, which Spillet cannot extract."},
      {{{"C:\\a\\Photos.7z", "a 7z archive"}, {"C:\\a\\log.xz", "compressed with xz"}},
       "Spillet cannot extract these, so it left them out:\n\nC:\\a\\Photos.7z (a 7z archive)\nC:\\a\\log.xz (compressed "
       "with xz)"},
  };
  for (const auto& c : cases) EXPECT_EQ(tools::UnextractableText("Spillet", c.files), c.text) << c.files.size();
  EXPECT_EQ(tools::Unextractable(zip::ArchiveKind::Rar), "a RAR archive");
  for (const auto kind : {zip::ArchiveKind::GzipTar, zip::ArchiveKind::XzTar, zip::ArchiveKind::Zstd}) {
    EXPECT_EQ(tools::Unextractable(kind), "");  // extracted, so never left out for its kind
  }
}

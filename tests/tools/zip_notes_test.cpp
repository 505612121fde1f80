#include "tools/zip_notes.h"

#include <gtest/gtest.h>

TEST(ZipNotes, NameTheLinksLeftOutAndTheFilesThatGrewUpToADozenLinesEachNoneSaysNothing) {
  std::vector<std::string> thirteen;
  for (int i = 1; i <= 13; ++i) thirteen.push_back("A/" + std::to_string(i));
  const struct {
    zip::WriteReport report;
    const char* text;
  } cases[] = {
      {{}, ""},
      {{{"Фото/link"}, {}}, "C:\\a\\A.zip\n\n\"Фото/link\" is a link inside a folder, so Cramlet left it out."},
      {{thirteen, {}},
       "C:\\a\\A.zip\n\nThese are links inside the folders, so Cramlet left them out:\n\n"
       "A/1\nA/2\nA/3\nA/4\nA/5\nA/6\nA/7\nA/8\nA/9\nA/10\nA/11\nand 2 more."},
      {{{}, {{"A/app.log", 1048576}}},
       "C:\\a\\A.zip\n\n\"A/app.log\" changed while it was zipped; the archive holds its first 1048576 bytes."},
      {{{"A/l1", "A/l2"}, {{"A/one.log", 1}, {"A/two.log", 2}}},
       "C:\\a\\A.zip\n\nThese are links inside the folders, so Cramlet left them out:\n\nA/l1\nA/l2\n\n"
       "These files changed while they were zipped; the archive holds the beginning of each:\n\n"
       "A/one.log: its first 1 byte\nA/two.log: its first 2 bytes"},
  };
  for (const auto& c : cases) EXPECT_EQ(tools::ZipNotes("C:\\a\\A.zip", c.report), c.text) << c.text;
}

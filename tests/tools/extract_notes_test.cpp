#include "tools/extract_notes.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(ExtractNotes, NameWhatWasRenamedOrLeftOutInADozenLinesAtMost) {
  zip::ExtractReport many;
  for (int i = 0; i < 3000; ++i) many.renamed.push_back({"file" + std::to_string(i) + "?.txt", "file" + std::to_string(i) + "_.txt"});
  const struct {
    const char* label;
    zip::ExtractReport report;
    const char* text;
    bool leftOut;
  } cases[] = {
      {"nothing", {}, "", false},
      {"renamed", {.renamed = {{"a?", "a_"}}}, "C:\\a.zip\n\n\"a?\" was saved as \"a_\".", false},
      {"left out",
       {.renamed = {{"a?", "a_"}}, .linksSkipped = {"l"}, .nameless = {""}},
       "C:\\a.zip\n\n\"a?\" was saved as \"a_\".\n\"l\" is a link and was not extracted.\n\"\" has no name and was not "
       "extracted.",
       true},
      {"device", {.specialSkipped = {"dev/null"}}, "C:\\a.zip\n\n\"dev/null\" is a device or a pipe and was not extracted.", true},
  };
  for (const auto& c : cases) {
    const tools::ExtractNotes notes = tools::NotesOn("C:\\a.zip", c.report);
    EXPECT_EQ(notes.text, c.text) << c.label;
    EXPECT_EQ(notes.leftOut, c.leftOut) << c.label;
  }
  const std::string text = tools::NotesOn("C:\\a.zip", many).text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 13);
  EXPECT_TRUE(text.ends_with("\nand 2989 more.")) << text;
}

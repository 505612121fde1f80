#include "tools/left_out.h"

#include <gtest/gtest.h>

TEST(LeftOutText, OneItemIsNamedInASentenceSeveralAreListedNoneSaysNothing) {
  const struct {
    std::vector<std::string> names;
    const char* text;
  } cases[] = {
      {{}, ""},
      {{"C:\\a\\notes.txt"}, "\"C:\\a\\notes.txt\" is not a zip archive, so Spillet left it out."},
      {{"C:\\a\\notes.txt", "C:\\a\\Фото"},
       "These are not zip archives, so Spillet left them out:\n\nC:\\a\\notes.txt\nC:\\a\\Фото"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tools::LeftOutText("Spillet", "a zip archive", "zip archives", c.names), c.text) << c.names.size();
  }
}

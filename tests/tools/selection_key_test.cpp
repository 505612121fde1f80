#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/selection_key.h"

using Items = std::vector<std::string>;

TEST(SelectionKey, IsTheSameForTheSameItemsAndDiffersForOthers) {
  const Items photos = {"C:\\Users\\Ann\\Photos", "C:\\Users\\Ann\\notes.txt"};
  const std::string key = tools::SelectionKey(photos);
  EXPECT_EQ(key.size(), 16u);
  EXPECT_EQ(key.find_first_not_of("0123456789abcdef"), std::string::npos) << key;

  const struct {
    const char* name;
    Items items;
  } same[] = {
      {"in another order", {"C:\\Users\\Ann\\notes.txt", "C:\\Users\\Ann\\Photos"}},
      {"in another case", {"c:\\USERS\\ann\\photos", "C:\\Users\\Ann\\NOTES.TXT"}},
      {"one of them twice", {"C:\\Users\\Ann\\Photos", "C:\\Users\\Ann\\notes.txt", "C:\\Users\\Ann\\photos"}},
  };
  for (const auto& c : same) EXPECT_EQ(tools::SelectionKey(c.items), key) << c.name;

  const struct {
    const char* name;
    Items items;
  } other[] = {
      {"one item fewer", {"C:\\Users\\Ann\\Photos"}},
      {"one item more", {"C:\\Users\\Ann\\Photos", "C:\\Users\\Ann\\notes.txt", "C:\\Users\\Ann\\a.txt"}},
      {"another folder", {"D:\\Users\\Ann\\Photos", "D:\\Users\\Ann\\notes.txt"}},
      {"the names split elsewhere", {"C:\\Users\\Ann\\Photo", "sC:\\Users\\Ann\\notes.txt"}},
      {"nothing", {}},
  };
  for (const auto& c : other) EXPECT_NE(tools::SelectionKey(c.items), key) << c.name;

  // Names Windows holds as one beyond ASCII, and names it does not.
  EXPECT_EQ(tools::SelectionKey({"C:\\Ünïcode\\ș"}), tools::SelectionKey({"C:\\üNÏCODE\\Ș"}));
  EXPECT_NE(tools::SelectionKey({"C:\\a\\ß"}), tools::SelectionKey({"C:\\a\\ss"}));
}

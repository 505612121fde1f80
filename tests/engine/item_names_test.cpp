// Names in a new archive: below the items' common folder, or at the top with twins numbered.
#include <gtest/gtest.h>

#include "engine/zip/item_names.h"
#include "engine/sys/paths.h"

TEST(ItemNames, KeepPathsBelowTheCommonFolderOrGoToTheTopNumberedAsWindowsComparesNames) {
  const struct {
    const char* label;
    std::vector<std::pair<std::string, bool>> items;  // path, folder
    std::vector<std::string> names;
  } cases[] = {
      {"common folder", {{"/p/x/one.txt", false}, {"/p/y/z", true}}, {"x/one.txt", "y/z"}},
      {"spelt in another case", {{"/p/A/one.txt", false}, {"/p/a/B/two.txt", false}}, {"one.txt", "B/two.txt"}},
      {"one item", {{"/p/Report.docx", false}}, {"Report.docx"}},
      // Relative paths from two starting points share no folder, as paths on two drives do.
      {"two drives", {{"Z/a.txt", false}, {"C/windows/win.ini", false}}, {"a.txt", "win.ini"}},
      {"twins", {{"Z/a.txt", false}, {"C/A.TXT", false}, {"D/x/a.txt", false}}, {"a.txt", "A (2).TXT", "a (3).txt"}},
      {"twin folders", {{"Z/Fotos.2024", true}, {"C/FOTOS.2024", true}}, {"Fotos.2024", "FOTOS.2024 (2)"}},
      {"number taken", {{"Z/a (2).txt", false}, {"C/a.txt", false}, {"D/a.txt", false}},
       {"a (2).txt", "a.txt", "a (3).txt"}},
      {"cyrillic twins", {{"Z/Файл.txt", false}, {"C/ФАЙЛ.TXT", false}}, {"Файл.txt", "ФАЙЛ (2).TXT"}},
      {"a root", {{"/", true}}, {""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<zip::os::Path> paths;
    for (const auto& [path, folder] : c.items) paths.push_back(zip::Utf8Path(path));
    zip::ItemNames names(paths);
    std::vector<std::string> got;
    for (std::size_t i = 0; i < paths.size(); ++i) got.push_back(names.Of(paths[i], c.items[i].second));
    EXPECT_EQ(got, c.names);
  }
}

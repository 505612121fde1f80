#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <string>

#include "tools/naming.h"

namespace fs = std::filesystem;

TEST(Naming, ArchivesAndFoldersAreNamedAfterWhatTheyHoldAndNeverTakeANameInUse) {
  // Of this process alone: the suites of two builds may run at once.
  const fs::path folder = fs::temp_directory_path() / ("naming-test-" + std::to_string(::getpid())) / "naming-test";
  fs::remove_all(folder);
  fs::create_directories(folder / "Photos");
  std::ofstream(folder / "Report.docx") << "x";

  struct Case {
    std::vector<fs::path> items;
    fs::path name;
  } cases[] = {
      {{folder / "Report.docx"}, "Report"},
      {{folder / "Photos"}, "Photos"},
      {{folder / "Report.docx", folder / "Photos"}, "naming-test"},
      {{fs::path("/")}, "Archive"},
  };
  for (const auto& c : cases) EXPECT_EQ(tools::ArchiveName(c.items), c.name) << c.items.front();

  EXPECT_EQ(tools::FolderName("/x/Photos.zip"), "Photos");
  EXPECT_EQ(tools::FolderName("/x/archive.tar.zip"), "archive.tar");
  EXPECT_EQ(tools::FolderName("/x/Photos.TAR.gz"), "Photos");
  EXPECT_EQ(tools::FolderName("/x/Photos.tgz"), "Photos");
  EXPECT_EQ(tools::FolderName("/x/notes. ..zip"), "notes");
  EXPECT_EQ(tools::FolderName("/x/ .zip"), "Archive");

  EXPECT_EQ(tools::FreeName(folder, "Photos", ".zip"), folder / "Photos.zip");
  EXPECT_EQ(tools::FreeName(folder, "Photos"), folder / "Photos (2)") << "a folder of that name is there";
  std::ofstream(folder / "Photos (2)") << "x";
  EXPECT_EQ(tools::FreeName(folder, "Photos"), folder / "Photos (3)");
  fs::create_symlink(folder / "nowhere", folder / "Link.zip");
  EXPECT_EQ(tools::FreeName(folder, "Link", ".zip"), folder / "Link (2).zip") << "a dangling link takes its name too";
  fs::remove_all(folder.parent_path());
}

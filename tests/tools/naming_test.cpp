#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tools/naming.h"

namespace fs = std::filesystem;

TEST(Naming, ArchivesAndFoldersAreNamedAfterWhatTheyHoldAndNeverTakeANameInUse) {
  // Of this process alone: the suites of two builds may run at once.
  const fs::path top = fs::temp_directory_path() / ("naming-test-" + std::to_string(::getpid()));
  const zip::os::Path folder = (top / "naming-test").native();
  fs::remove_all(top);
  fs::create_directories(top / "naming-test/Photos");
  std::ofstream((folder / "Report.docx").native()) << "x";

  struct Case {
    std::vector<zip::os::Path> items;
    zip::os::Path name;
  } cases[] = {
      {{folder / "Report.docx"}, "Report"},
      {{folder / "Photos"}, "Photos"},
      {{folder / "Report.docx", folder / "Photos"}, "naming-test"},
      {{"/"}, "Archive"},
  };
  for (const auto& c : cases) EXPECT_EQ(tools::ArchiveName(c.items), c.name) << c.items.front().native();

  EXPECT_EQ(tools::FolderName("/x/Photos.zip"), "Photos");
  EXPECT_EQ(tools::FolderName("/x/archive.tar.zip"), "archive.tar");
  EXPECT_EQ(tools::FolderName("/x/Photos.TAR.gz"), "Photos");
  EXPECT_EQ(tools::FolderName("/x/Photos.tgz"), "Photos");
  EXPECT_EQ(tools::FolderName("/x/notes. ..zip"), "notes");
  EXPECT_EQ(tools::FolderName("/x/ .zip"), "Archive");

  EXPECT_EQ(tools::FreeName(folder, "Photos", ".zip"), folder / "Photos.zip");
  EXPECT_EQ(tools::FreeName(folder, "Photos"), folder / "Photos (2)") << "a folder of that name is there";
  std::ofstream((folder / "Photos (2)").native()) << "x";
  EXPECT_EQ(tools::FreeName(folder, "Photos"), folder / "Photos (3)");
  fs::create_symlink(top / "naming-test/nowhere", top / "naming-test/Link.zip");
  EXPECT_EQ(tools::FreeName(folder, "Link", ".zip"), folder / "Link (2).zip") << "a dangling link takes its name too";
  fs::remove_all(top);
}

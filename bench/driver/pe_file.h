#pragma once
// The parts of a program file the size figures need, read from its PE headers.
#include <string>
#include <vector>

struct PeSection {
  std::string name;
  unsigned long fileBytes;  // SizeOfRawData: what the section takes in the file
};

struct PeFile {
  bool valid = false;
  unsigned long fileBytes = 0;
  std::vector<PeSection> sections;
  unsigned long resourceSectionBytes = 0;  // .rsrc in the file
  unsigned long iconBytes = 0;             // RT_ICON and RT_GROUP_ICON data
  unsigned long versionBytes = 0;
  unsigned long manifestBytes = 0;
  unsigned long otherResourceBytes = 0;
};

PeFile ReadPeFile(const std::wstring& path);

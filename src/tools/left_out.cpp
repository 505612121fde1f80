#include "tools/left_out.h"

namespace tools {
namespace {

constexpr std::size_t kMostNamed = 12;

}  // namespace

std::string BoundedLines(const std::vector<std::string>& lines) {
  // A message box taller than the screen hides its own button.
  const std::size_t shown = lines.size() > kMostNamed ? kMostNamed - 1 : lines.size();
  std::string text;
  for (std::size_t i = 0; i < shown; ++i) text += "\n" + lines[i];
  if (shown < lines.size()) text += "\nand " + std::to_string(lines.size() - shown) + " more.";
  return text;
}

std::string LeftOutText(std::string_view tool, std::string_view kind, std::string_view kinds,
                        const std::vector<std::string>& names) {
  if (names.empty()) return {};
  if (names.size() == 1) {
    return "\"" + names.front() + "\" is not " + std::string(kind) + ", so " + std::string(tool) + " left it out.";
  }
  return "These are not " + std::string(kinds) + ", so " + std::string(tool) + " left them out:\n" +
         BoundedLines(names);
}

std::string_view Unextractable(zip::ArchiveKind kind) {
  switch (kind) {
    case zip::ArchiveKind::Rar:
      return "a RAR archive";
    case zip::ArchiveKind::Other:
    case zip::ArchiveKind::Zip:
    case zip::ArchiveKind::Tar:
    case zip::ArchiveKind::GzipTar:
    case zip::ArchiveKind::Gzip:
    case zip::ArchiveKind::SevenZip:
    case zip::ArchiveKind::XzTar:
    case zip::ArchiveKind::Xz:
    case zip::ArchiveKind::Bzip2Tar:
    case zip::ArchiveKind::Bzip2:
    case zip::ArchiveKind::ZstdTar:
    case zip::ArchiveKind::Zstd:
    case zip::ArchiveKind::LzmaTar:
    case zip::ArchiveKind::Lzma:
      break;
  }
  return {};
}

std::string UnextractableText(std::string_view tool, const std::vector<Named>& files) {
  if (files.empty()) return {};
  if (files.size() == 1) {
    return "\"" + files.front().name + "\" is " + std::string(files.front().what) + ", which " + std::string(tool) +
           " cannot extract.";
  }
  std::vector<std::string> lines;
  lines.reserve(files.size());
  for (const Named& file : files) lines.push_back(file.name + " (" + std::string(file.what) + ")");
  return std::string(tool) + " cannot extract these, so it left them out:\n" + BoundedLines(lines);
}

}  // namespace tools

#include "tools/zip_notes.h"

#include <vector>

#include "tools/left_out.h"
#include "engine/sys/paths.h"

namespace tools {
namespace {

std::string Bytes(std::uint64_t count) { return std::to_string(count) + (count == 1 ? " byte" : " bytes"); }

std::string Links(const std::vector<std::string>& links) {
  if (links.empty()) return {};
  if (links.size() == 1) return "\"" + links.front() + "\" is a link inside a folder, so Cramlet left it out.";
  return "These are links inside the folders, so Cramlet left them out:\n" + BoundedLines(links);
}

std::string Grown(const std::vector<zip::Grown>& grown) {
  if (grown.empty()) return {};
  if (grown.size() == 1) {
    return "\"" + grown.front().entry + "\" changed while it was zipped; the archive holds its first " +
           Bytes(grown.front().size) + ".";
  }
  std::vector<std::string> lines;
  lines.reserve(grown.size());
  for (const zip::Grown& file : grown) lines.push_back(file.entry + ": its first " + Bytes(file.size));
  return "These files changed while they were zipped; the archive holds the beginning of each:\n" +
         BoundedLines(lines);
}

}  // namespace

std::string ZipNotes(const zip::os::Path& archive, const zip::WriteReport& report) {
  std::string notes = zip::Utf8Text(archive);
  bool any = false;
  for (const std::string& paragraph : {Links(report.linksSkipped), Grown(report.grown)}) {
    if (paragraph.empty()) continue;
    notes += "\n\n" + paragraph;
    any = true;
  }
  return any ? notes : std::string();
}

}  // namespace tools

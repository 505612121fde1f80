#include "tools/extract_notes.h"

#include <vector>

#include "tools/left_out.h"

namespace tools {

ExtractNotes NotesOn(const std::string& archive, const zip::ExtractReport& report) {
  std::vector<std::string> lines;
  for (const zip::Renamed& renamed : report.renamed) {
    lines.push_back("\"" + renamed.entry + "\" was saved as \"" + renamed.extractedAs + "\".");
  }
  for (const std::string& link : report.linksSkipped) lines.push_back("\"" + link + "\" is a link and was not extracted.");
  for (const std::string& special : report.specialSkipped) {
    lines.push_back("\"" + special + "\" is a device or a pipe and was not extracted.");
  }
  for (const std::string& name : report.nameless) lines.push_back("\"" + name + "\" has no name and was not extracted.");
  if (lines.empty()) return {};
  return {archive + "\n" + BoundedLines(lines), !report.linksSkipped.empty() || !report.specialSkipped.empty() || !report.nameless.empty()};
}

}  // namespace tools

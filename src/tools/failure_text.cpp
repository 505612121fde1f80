#include "tools/failure_text.h"

#include "engine/sys/paths.h"

namespace tools {

std::string FailureText(const zip::Error& error) {
  const std::string file = zip::Utf8Text(error.file);
  const std::string entry = "\"" + error.entry + "\"";
  const std::string detail = error.detail.empty() ? "" : " (" + error.detail + ")";
  switch (error.kind) {
    case zip::Failure::None:
    case zip::Failure::Cancelled:
      return {};
    case zip::Failure::NotFound:
      return file + "\n\nThis file or folder was not found.";
    case zip::Failure::AccessDenied:
      return file + "\n\nAccess was denied.";
    case zip::Failure::InUse:
      return file + "\n\nThe file is in use by another program. Close it there and try again.";
    case zip::Failure::DiskFull:
      return file + "\n\nThe disk is full.";
    case zip::Failure::Damaged:
      return file + "\n\nThe archive is damaged" + (error.entry.empty() ? "" : " at " + entry) + detail + ".";
    case zip::Failure::Encrypted:
      return file + "\n\n" + entry + " needs a password, and none was given.";
    case zip::Failure::UnsupportedMethod:
      if (error.entry.empty()) return file + "\n\nIt uses " + error.detail + ", which Spillet does not read.";
      return file + "\n\n" + entry + " is compressed with " + error.detail + ", which Spillet does not read.";
    case zip::Failure::OutsideTarget:
      return file + "\n\nNothing was extracted: " + entry + " would be written outside the new folder.";
    case zip::Failure::TooLarge:
      return file + "\n\nNothing was extracted: " + (error.detail.empty() ? "it is too large" : error.detail) + ".";
    case zip::Failure::Exists:
      return file + "\n\nA file or folder of that name exists already; it was left as it is.";
    case zip::Failure::NoMemory:
      return file + "\n\nThere is not enough memory for this.";
    case zip::Failure::Io:
      break;
  }
  if (error.detail.empty()) return file + "\n\nThe file could not be read or written.";
  return file + "\n\n" + error.detail + (error.detail.back() == '.' ? "" : ".");  // the system's words end in one
}

std::string OneLine(std::string_view text) {
  std::string line;
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] != '\n' && text[i] != '\r') {
      line += text[i++];
      continue;
    }
    while (i < text.size() && (text[i] == '\n' || text[i] == '\r')) ++i;
    if (line.empty() || i == text.size()) continue;
    line += line.back() == '.' || line.back() == ':' ? " " : ": ";  // a path ends in neither
  }
  return line;
}

}  // namespace tools

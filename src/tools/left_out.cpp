#include "tools/left_out.h"

namespace tools {

std::string LeftOutText(std::string_view tool, std::string_view kind, std::string_view kinds,
                        const std::vector<std::string>& names) {
  if (names.empty()) return {};
  if (names.size() == 1) {
    return "\"" + names.front() + "\" is not " + std::string(kind) + ", so " + std::string(tool) + " left it out.";
  }
  std::string text = "These are not " + std::string(kinds) + ", so " + std::string(tool) + " left them out:\n";
  for (const std::string& name : names) text += "\n" + name;
  return text;
}

}  // namespace tools

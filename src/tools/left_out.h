#pragma once
// What a tool says of the selected items it could not work on.
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"

namespace tools {

// The lines after a newline each, a dozen at most so that a message box fits the screen: past
// that, eleven and "and N more.".
std::string BoundedLines(const std::vector<std::string>& lines);

// One paragraph for one kind of item left out: ""X" is not a zip archive, so Spillet left it
// out." or, for several, the same in the plural followed by their names, one a line (a dozen
// lines at most, the last saying how many more).
// kind: "a zip archive"; kinds: "zip archives". Empty when names is.
std::string LeftOutText(std::string_view tool, std::string_view kind, std::string_view kinds,
                        const std::vector<std::string>& names);

// What a file of a kind Spillet cannot extract is: "a 7z archive", "compressed with xz"; empty
// for the kinds it extracts and for files of no kind it knows.
// Inline: the kinds are the engine's extraction's to tell, which Cramlet does not carry.
inline std::string_view Unextractable(zip::ArchiveKind kind) {
  return zip::Extractable(kind) ? std::string_view() : zip::KindName(kind);
}

struct Named {
  std::string name;
  std::string_view what;  // as Unextractable says
};

// One paragraph for the files left out for their kind: ""Photos.rar" is a RAR archive, which
// Spillet cannot extract." or, for several, each one a line with what it is (a dozen at most).
std::string UnextractableText(std::string_view tool, const std::vector<Named>& files);

}  // namespace tools

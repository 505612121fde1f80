#pragma once
// What a tool says of the selected items it could not work on.
#include <string>
#include <string_view>
#include <vector>

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

}  // namespace tools

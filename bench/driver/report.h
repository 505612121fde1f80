#pragma once
// The results, gathered as Markdown while the phases run, printed at the end under a summary.
#include <optional>
#include <string>
#include <vector>

// Appends printf-style text to the body of the results.
void Say(const char* format, ...);

// One line of the summary: a figure of Tandrel's against the reference and its target.
struct Verdict {
  std::string measure;
  std::string tandrel;
  std::string reference;
  std::string comparison;  // e.g. "1.03x" or "+212 KiB"
  std::string target;
  std::optional<bool> met;  // none: a figure without a target
};

// Prints the summary, then the body, to stdout.
void PrintResults(const std::vector<Verdict>& summary);

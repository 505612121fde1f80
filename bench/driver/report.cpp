#include "report.h"

#include <cstdarg>
#include <cstdio>

#include "table.h"

namespace {

std::string& Body() {
  static std::string body;
  return body;
}

}  // namespace

void Say(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  va_list copy;
  va_copy(copy, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (length > 0) {
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, arguments);
    text.pop_back();
    Body() += text;
  }
  va_end(arguments);
}

void PrintResults(const std::vector<Verdict>& summary) {
  std::string saved;
  saved.swap(Body());  // the summary table is printed through Say as well
  Say("## Summary\n\n");
  Table table({"measure", "Tandrel", "reference", "Tandrel vs reference", "target", "met"});
  for (const Verdict& v : summary) {
    table.Row({v.measure, v.tandrel, v.reference, v.comparison, v.target, !v.met ? "-" : *v.met ? "yes" : "**no**"});
  }
  table.Print();
  std::fputs(Body().c_str(), stdout);
  std::fputs(saved.c_str(), stdout);
  std::fflush(stdout);
}

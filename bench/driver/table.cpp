#include "table.h"

#include <cstdio>

#include "report.h"

namespace {

void PrintRow(const std::vector<std::string>& cells) {
  std::string line = "|";
  for (const std::string& cell : cells) line += " " + cell + " |";
  Say("%s\n", line.c_str());
}

}  // namespace

void Table::Print() const {
  PrintRow(header_);
  std::vector<std::string> rule(header_.size(), "---");
  for (std::size_t i = 1; i < rule.size(); ++i) rule[i] = "---:";  // figures right-aligned
  PrintRow(rule);
  for (const auto& row : rows_) PrintRow(row);
  Say("\n");
}

std::string Fixed(double value, int decimals) {
  if (value < 0) return "n/a";
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string Whole(long long value) { return value < 0 ? "n/a" : std::to_string(value); }

std::string Signed(long long value) { return value > 0 ? "+" + std::to_string(value) : std::to_string(value); }

double Quotient(double numerator, double denominator) {
  return numerator > 0 && denominator > 0 ? numerator / denominator : 0;
}

std::string Ratio(double numerator, double denominator) {
  const double quotient = Quotient(numerator, denominator);
  return quotient > 0 ? Fixed(quotient, 3) : "n/a";
}

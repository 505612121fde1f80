#pragma once
// Markdown tables and the number formats of the results.
#include <string>
#include <vector>

class Table {
 public:
  explicit Table(std::vector<std::string> header) : header_(std::move(header)) {}
  void Row(std::vector<std::string> cells) { rows_.push_back(std::move(cells)); }
  void Print() const;  // into the results, followed by an empty line

 private:
  std::vector<std::string> header_;
  std::vector<std::vector<std::string>> rows_;
};

std::string Fixed(double value, int decimals);            // "n/a" for a negative value
std::string Whole(long long value);                       // "n/a" for a negative value
std::string Signed(long long value);                      // "+3", "0", "-2"
std::string Ratio(double numerator, double denominator);  // "n/a" unless both are positive
double Quotient(double numerator, double denominator);    // 0 unless both are positive

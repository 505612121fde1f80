#include "stats.h"

#include <algorithm>
#include <cmath>

namespace {

// Nearest-rank percentile of sorted values.
double Percentile(const std::vector<double>& sorted, double fraction) {
  const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
  return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

}  // namespace

Summary Summarize(std::vector<double> values) {
  Summary summary;
  if (values.empty()) return summary;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  summary.count = n;
  summary.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  summary.p95 = Percentile(values, 0.95);
  summary.min = values.front();
  summary.max = values.back();
  return summary;
}

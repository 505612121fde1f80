#pragma once
// Median and 95th percentile of a series of timings.
#include <cstddef>
#include <vector>

struct Summary {
  std::size_t count = 0;
  double median = 0;
  double p95 = 0;
  double min = 0;
  double max = 0;
};

Summary Summarize(std::vector<double> values);

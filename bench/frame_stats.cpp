#include "bench/frame_stats.h"

#include <algorithm>
#include <cstdio>

namespace ember::bench {

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[size_t(p * double(values.size() - 1) + 0.5)];
}

void PrintFrameTimes(const std::vector<double>& times) {
  double total = 0;
  for (double t : times) total += t;
  const double median = Percentile(times, 0.5);
  std::printf("frames: %zu\n", times.size());
  std::printf("frame time: median %.3f ms, p5 %.3f ms, p95 %.3f ms, min %.3f ms, max %.3f ms\n",
              median, Percentile(times, 0.05), Percentile(times, 0.95), Percentile(times, 0.0),
              Percentile(times, 1.0));
  std::printf("frames per second: %.1f (median frame), %.1f (mean)\n", 1000.0 / median,
              1000.0 * double(times.size()) / total);
}

}  // namespace ember::bench

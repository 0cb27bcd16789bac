// Frame-time statistics, printed in the same lines by every benchmark so that scripts can
// set them side by side.
#pragma once

#include <time.h>

#include <vector>

namespace ember::bench {

inline double NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

// The value below which a share p (0..1) of the values lie; 0 for none.
double Percentile(std::vector<double> values, double p);

// "frame time: median ..." and "frames per second: ..." for frame times in milliseconds.
void PrintFrameTimes(const std::vector<double>& times);

}  // namespace ember::bench

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

// One frame's parts, in milliseconds, each finished before the next started.
struct FrameParts {
  double clearAndBackground = 0;  // the clear and the background picture's copy
  double flame = 0;               // the camera, the matrices and the flame's passes
  double text = 0;                // the frame-rate line
  double present = 0;
};

// Frames in parts, kept to print their medians in one line.
class FramePartsLog {
 public:
  explicit FramePartsLog(int frames);
  void Add(const FrameParts& parts);
  void Print() const;

 private:
  std::vector<double> clear_, flame_, text_, present_, whole_;
};

}  // namespace ember::bench

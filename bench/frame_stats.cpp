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

FramePartsLog::FramePartsLog(int frames) {
  for (std::vector<double>* series : {&clear_, &flame_, &text_, &present_, &whole_})
    series->reserve(size_t(frames));
}

void FramePartsLog::Add(const FrameParts& parts) {
  clear_.push_back(parts.clearAndBackground);
  flame_.push_back(parts.flame);
  text_.push_back(parts.text);
  present_.push_back(parts.present);
  whole_.push_back(parts.clearAndBackground + parts.flame + parts.text + parts.present);
}

void FramePartsLog::Print() const {
  std::printf(
      "frame in parts (each finished before the next; medians): clear and background %.3f ms, "
      "flame %.3f ms, text %.3f ms, present %.3f ms; whole %.3f ms\n",
      Percentile(clear_, 0.5), Percentile(flame_, 0.5), Percentile(text_, 0.5),
      Percentile(present_, 0.5), Percentile(whole_, 0.5));
}

}  // namespace ember::bench

// Makes the flame's noise volume: make_noise <noiseL8_32x32x32.dds>
//
// 32 x 32 x 32 luminance texels of gradient noise in three octaves. Every octave's
// lattice wraps within the volume, so the texture tiles in all three axes as the
// effect scrolls through it. Values use the full 0..255 range with a mean of about 128.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "data/tools/image_writers.h"
#include "data/tools/noise.h"

namespace {

const int kSize = 32;
const uint32_t kSeed = 20240611u;

float Octaves(int x, int y, int z) {
  float sum = 0, amplitude = 1;
  for (int period = 4; period <= 16; period *= 2) {
    float k = float(period) / kSize;
    sum += amplitude *
           ember::PeriodicGradientNoise3(x * k, y * k, z * k, period, kSeed + uint32_t(period));
    amplitude *= 0.5f;
  }
  return sum;
}

// The exponent g for which the mean of v^g is 0.5 (values in 0..1), by bisection;
// the mean falls as g grows.
float BalancingGamma(const std::vector<float>& values) {
  float lo = 0.25f, hi = 4.0f;
  for (int step = 0; step < 40; ++step) {
    float g = 0.5f * (lo + hi);
    double sum = 0;
    for (float v : values) sum += std::pow(v, g);
    if (sum / double(values.size()) > 0.5)
      lo = g;
    else
      hi = g;
  }
  return 0.5f * (lo + hi);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <volume.dds>\n", argv[0]);
    return 2;
  }
  std::vector<float> values;
  values.reserve(size_t(kSize) * kSize * kSize);
  for (int z = 0; z < kSize; ++z)
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) values.push_back(Octaves(x, y, z));
  // Stretch to 0..1, then bend with the power that puts the mean at one half: the
  // full range is kept and the average texel is mid-grey.
  auto [lo, hi] = std::minmax_element(values.begin(), values.end());
  const float low = *lo, range = *hi - *lo;
  for (float& v : values) v = (v - low) / range;
  float gamma = BalancingGamma(values);
  std::vector<uint8_t> voxels(values.size());
  for (size_t i = 0; i < values.size(); ++i)
    voxels[i] = uint8_t(std::lround(std::pow(values[i], gamma) * 255.0f));
  std::string error;
  if (!ember::WriteDdsVolumeL8(argv[1], kSize, kSize, kSize, voxels, error)) {
    std::fprintf(stderr, "make_noise: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

#include "data/tools/noise.h"

#include <cmath>

namespace ember {

uint32_t Hash32(uint32_t v) {
  v ^= v >> 16;
  v *= 0x7feb352du;
  v ^= v >> 15;
  v *= 0x846ca68bu;
  v ^= v >> 16;
  return v;
}

uint32_t Hash3(int x, int y, int z, uint32_t seed) {
  uint32_t h = Hash32(seed ^ 0x9e3779b9u);
  h = Hash32(h ^ uint32_t(x));
  h = Hash32(h ^ uint32_t(y));
  return Hash32(h ^ uint32_t(z));
}

float Hash01(int x, int y, int z, uint32_t seed) {
  return float(Hash3(x, y, z, seed) >> 8) / 16777216.0f;
}

uint32_t Random::Next() {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return state_;
}

float Random::Uniform() { return float(Next() >> 8) / 16777216.0f; }

float Random::Range(float lo, float hi) { return lo + (hi - lo) * Uniform(); }

namespace {

float Fade(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }

float Lerp(float a, float b, float t) { return a + (b - a) * t; }

int Wrap(int i, int period) { return ((i % period) + period) % period; }

// One of twelve cube-edge directions, the classic choice for gradient noise.
float Gradient(uint32_t hash, float x, float y, float z) {
  switch (hash % 12) {
    case 0:
      return x + y;
    case 1:
      return -x + y;
    case 2:
      return x - y;
    case 3:
      return -x - y;
    case 4:
      return x + z;
    case 5:
      return -x + z;
    case 6:
      return x - z;
    case 7:
      return -x - z;
    case 8:
      return y + z;
    case 9:
      return -y + z;
    case 10:
      return y - z;
    default:
      return -y - z;
  }
}

}  // namespace

float ValueNoise2(float x, float y, uint32_t seed) {
  int ix = int(std::floor(x)), iy = int(std::floor(y));
  float fx = Fade(x - float(ix)), fy = Fade(y - float(iy));
  float a = Hash01(ix, iy, 0, seed), b = Hash01(ix + 1, iy, 0, seed);
  float c = Hash01(ix, iy + 1, 0, seed), d = Hash01(ix + 1, iy + 1, 0, seed);
  return Lerp(Lerp(a, b, fx), Lerp(c, d, fx), fy) * 2 - 1;
}

float Fbm2(float x, float y, int octaves, uint32_t seed) {
  float sum = 0, amplitude = 1, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += ValueNoise2(x, y, seed + uint32_t(i) * 101u) * amplitude;
    norm += amplitude;
    amplitude *= 0.5f;
    x *= 2.03f;
    y *= 2.03f;
  }
  return norm > 0 ? sum / norm : 0;
}

float PeriodicGradientNoise3(float x, float y, float z, int period, uint32_t seed) {
  int ix = int(std::floor(x)), iy = int(std::floor(y)), iz = int(std::floor(z));
  float fx = x - float(ix), fy = y - float(iy), fz = z - float(iz);
  float corner[8];
  for (int i = 0; i < 8; ++i) {
    int dx = i & 1, dy = (i >> 1) & 1, dz = (i >> 2) & 1;
    uint32_t h = Hash3(Wrap(ix + dx, period), Wrap(iy + dy, period), Wrap(iz + dz, period), seed);
    corner[i] = Gradient(h, fx - float(dx), fy - float(dy), fz - float(dz));
  }
  float u = Fade(fx), v = Fade(fy), w = Fade(fz);
  float x00 = Lerp(corner[0], corner[1], u), x10 = Lerp(corner[2], corner[3], u);
  float x01 = Lerp(corner[4], corner[5], u), x11 = Lerp(corner[6], corner[7], u);
  return Lerp(Lerp(x00, x10, v), Lerp(x01, x11, v), w);
}

}  // namespace ember

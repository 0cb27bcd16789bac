// Deterministic random numbers and noise for the picture tools. Everything is a
// pure function of its inputs and a fixed seed, so every build makes the same files.
#pragma once

#include <cstdint>

namespace ember {

uint32_t Hash32(uint32_t v);
uint32_t Hash3(int x, int y, int z, uint32_t seed);
// Uniform in [0, 1) from a lattice point.
float Hash01(int x, int y, int z, uint32_t seed);

// A small sequential generator (xorshift-style) with a fixed stream per seed.
class Random {
 public:
  explicit Random(uint32_t seed) : state_(Hash32(seed) | 1u) {}
  uint32_t Next();
  float Uniform();                  // [0, 1)
  float Range(float lo, float hi);  // [lo, hi)

 private:
  uint32_t state_;
};

// Smooth value noise in the plane, about -1..1, one lattice cell per unit.
float ValueNoise2(float x, float y, uint32_t seed);
// Sum of `octaves` value noise layers, each twice the frequency and half the amplitude; about
// -1..1.
float Fbm2(float x, float y, int octaves, uint32_t seed);

// Gradient (Perlin) noise on a lattice that wraps every `period` cells in each axis,
// so it tiles exactly; about -1..1.
float PeriodicGradientNoise3(float x, float y, float z, int period, uint32_t seed);

}  // namespace ember

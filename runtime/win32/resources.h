// The program's resources, as a resource script would give them. The program defines
// EmberIconResources; a program without resources leaves it undefined.
#pragma once

#include <cstdint>

struct EmberIconResource {
  int id;
  int width;
  int height;
  // Fills width x height pixels, 0xAARRGGBB, top row first.
  void (*paint)(uint32_t* argb);
};

extern "C" const EmberIconResource* EmberIconResources(int* count) __attribute__((weak));

// The program's icon, resource 102: a small flame on a dark round badge.
#include <cmath>

#include "runtime/win32/resources.h"

namespace {

constexpr int kIconSize = 32;

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

void PaintFlameIcon(uint32_t* argb) {
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      float u = (x + 0.5f) / kIconSize * 2.0f - 1.0f;  // -1 left .. 1 right
      float v = 1.0f - (y + 0.5f) / kIconSize * 2.0f;  // -1 bottom .. 1 top
      float badge = Clamp01((1.0f - std::sqrt(u * u + v * v)) * kIconSize * 0.5f);
      // A teardrop: wide at the bottom, pointed at the top.
      float height = (v + 0.8f) / 1.6f;
      float halfWidth = 0.55f * std::sqrt(Clamp01(1.0f - height)) * Clamp01(height * 3.0f + 0.4f);
      float flame = Clamp01((halfWidth - std::fabs(u)) * kIconSize * 0.5f) *
                    Clamp01((1.0f - height) * 8.0f) * Clamp01(height * 12.0f);
      float heat = Clamp01(1.0f - std::fabs(u) / (halfWidth + 1e-3f)) * Clamp01(1.2f - height);
      float r = 0.10f + flame * 0.90f;
      float g = 0.06f + flame * (0.25f + 0.70f * heat);
      float b = 0.08f + flame * (0.05f + 0.45f * heat * heat);
      auto channel = [](float c) { return uint32_t(Clamp01(c) * 255.0f + 0.5f); };
      argb[y * kIconSize + x] =
          (channel(badge) << 24) | (channel(r) << 16) | (channel(g) << 8) | channel(b);
    }
  }
}

const EmberIconResource kIcons[] = {{102, kIconSize, kIconSize, PaintFlameIcon}};

}  // namespace

extern "C" const EmberIconResource* EmberIconResources(int* count) {
  *count = int(sizeof kIcons / sizeof kIcons[0]);
  return kIcons;
}

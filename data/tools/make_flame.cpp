// Makes the flame's colour lookup: make_flame <flame.PNG>
//
// u (across) runs over the flame's width with the centre line at 0.5; v runs up the
// flame, so the picture's top row is the tip and its bottom row the base. The body is a
// soft teardrop whose heat falls from a yellow-white core through orange to deep red at
// the rim and the tip; around it a faint red glow fades to transparent black. Everything is
// smooth because the effect displaces the lookup with noise.
#include <cmath>
#include <cstdio>
#include <string>

#include "data/tools/canvas.h"
#include "data/tools/flame_shape.h"
#include "data/tools/image_writers.h"

namespace ember {
namespace {

const int kWidth = 128, kHeight = 256;

Color FlameColor(float u, float up) {
  float half = flame::BodyHalfWidth(up);
  float d = half > 0 ? std::fabs(u - 0.5f) / half : 2 * flame::kGlowEdge;
  float fade = Smoothstep(0.0f, 0.07f, up) * Smoothstep(1.0f, 0.86f, up);
  // Hottest along the axis in the lower half, cooling towards the rim and the tip.
  float core = Smoothstep(flame::kBodyEdge, 0.1f, d);
  float heat = core * (1 - 0.8f * Smoothstep(0.25f, 1.0f, up)) * fade;
  Color c = Ramp({{0.00f, {0.00f, 0.00f, 0.00f}},
                  {0.12f, {0.45f, 0.03f, 0.00f}},
                  {0.30f, {0.80f, 0.12f, 0.01f}},
                  {0.45f, {0.98f, 0.32f, 0.03f}},
                  {0.60f, {1.00f, 0.55f, 0.10f}},
                  {0.80f, {1.00f, 0.78f, 0.30f}},
                  {0.92f, {1.00f, 0.89f, 0.45f}},
                  {1.00f, {1.00f, 0.95f, 0.62f}}},
                 heat);
  c.a = Smoothstep(0.0f, 0.5f, heat);
  // Behind it a dim red haze that fades out with the distance and the height.
  float glow = 0.3f * Smoothstep(flame::kGlowEdge, 0.8f, d) * fade * (1 - 0.6f * up);
  const Color haze = {0.75f, 0.16f, 0.03f, 1.0f};
  float alpha = c.a + glow * (1 - c.a);
  if (alpha > 0) {
    float k = glow * (1 - c.a);
    c = {(c.r * c.a + haze.r * k) / alpha, (c.g * c.a + haze.g * k) / alpha,
         (c.b * c.a + haze.b * k) / alpha, alpha};
  }
  // Everything dies out before the picture's edge, which the clamped lookup repeats outward.
  c.a *= Smoothstep(0.5f, 0.44f, std::fabs(u - 0.5f));
  return c;
}

}  // namespace
}  // namespace ember

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <flame.PNG>\n", argv[0]);
    return 2;
  }
  ember::Canvas canvas(ember::kWidth, ember::kHeight);
  canvas.Fill([](float x, float y) {
    return ember::FlameColor(x / ember::kWidth, 1 - y / ember::kHeight);
  });
  std::string error;
  if (!ember::WritePngRgba(argv[1], ember::kWidth, ember::kHeight, canvas.ToRgba8(false), error)) {
    std::fprintf(stderr, "make_flame: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

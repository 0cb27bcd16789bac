// Makes the flame's colour lookup: make_flame <flame.PNG>
//
// u (across) runs over the flame's width with the centre line at 0.5; v runs up the
// flame, so the picture's top row is the tip and its bottom row the base. The
// silhouette is a soft teardrop, widest a little above the base, with a white-yellow
// core that cools through orange to deep red at the rim and the tip, and fades to
// transparent black outside. Everything is smooth because the effect displaces the
// lookup with noise.
#include <cmath>
#include <cstdio>
#include <string>

#include "data/tools/canvas.h"
#include "data/tools/image_writers.h"

namespace ember {
namespace {

const int kWidth = 128, kHeight = 256;

// Half the flame's width as a fraction of the picture's width, at height v.
// A beta-like profile: rounded base, widest near v = 0.14, a point at the top;
// scaled so that at 20 % of the height the flame spans about 74 % of the width.
float HalfWidth(float v) {
  auto shape = [](float t) { return std::pow(t + 0.05f, 0.25f) * std::pow(1 - t, 1.1f); };
  return 0.37f * shape(v) / shape(0.2f);
}

Color FlameColor(float u, float v) {
  float half = HalfWidth(v);
  float d = half > 0 ? std::fabs(u - 0.5f) / half : 2.0f;
  // Opaque to about d = 0.95, fully clear from d = 1.3 (still inside the picture).
  float body = Smoothstep(1.3f, 0.4f, d);
  float heat = 1 - 0.72f * Smoothstep(0.1f, 1.0f, v);
  float fade = Smoothstep(0.0f, 0.07f, v) * Smoothstep(1.0f, 0.86f, v);
  float h = std::pow(body, 0.8f) * heat * fade;
  Color c = Ramp({{0.00f, {0.00f, 0.00f, 0.00f}},
                  {0.12f, {0.35f, 0.02f, 0.00f}},
                  {0.30f, {0.76f, 0.10f, 0.01f}},
                  {0.50f, {0.98f, 0.36f, 0.04f}},
                  {0.70f, {1.00f, 0.63f, 0.13f}},
                  {0.85f, {1.00f, 0.86f, 0.42f}},
                  {1.00f, {1.00f, 0.97f, 0.86f}}},
                 h);
  c.a = Smoothstep(0.0f, 0.65f, h);
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

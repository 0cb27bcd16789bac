// Makes the logo and loading pictures: make_intro <logo.jpg> <loading.jpg>
//
// Both are 2048 x 1024 JPEGs that the intro sprite draws at half width and three
// quarters height, so they fill the 1024 x 768 window. They are designed in window
// pixels and stored stretched by 2 across and 4/3 down.
#include <cmath>
#include <cstdio>
#include <string>

#include "data/tools/canvas.h"
#include "data/tools/image_writers.h"
#include "data/tools/noise.h"
#include "data/tools/text_painter.h"

namespace ember {
namespace {

const int kFileWidth = 2048, kFileHeight = 1024;
const float kScaleX = 2.0f, kScaleY = 4.0f / 3.0f;
const float kScreenW = 1024, kScreenH = 768;

// Night-dark warm backdrop: a faint smoky texture, a red-brown glow around
// (glowX, glowY) and darker corners.
Color Backdrop(float x, float y, float glowX, float glowY) {
  float t = y / kScreenH;
  Color c = Mix(Color{0.030f, 0.022f, 0.024f}, Color{0.055f, 0.028f, 0.020f}, t);
  float gx = (x - glowX) / 520, gy = (y - glowY) / 300;
  float glow = std::exp(-(gx * gx + gy * gy) * 1.6f);
  c.r += 0.30f * glow;
  c.g += 0.075f * glow;
  c.b += 0.018f * glow;
  float bx = (x - glowX) / 420, by = (y - kScreenH - 60) / 220;
  float fireBelow = std::exp(-(bx * bx + by * by));
  c.r += 0.22f * fireBelow;
  c.g += 0.06f * fireBelow;
  c.b += 0.01f * fireBelow;
  float warp = Fbm2(x / 140, y / 140, 3, 71);
  float smoke = Fbm2(x / 210 + warp * 0.8f, y / 130 - warp * 0.5f, 4, 72);
  float wisps = Smoothstep(0.05f, 0.6f, smoke) * (0.35f + 0.65f * glow);
  c.r += 0.045f * wisps;
  c.g += 0.022f * wisps;
  c.b += 0.014f * wisps;
  float vx = (x - kScreenW / 2) / (kScreenW * 0.62f), vy = (y - kScreenH / 2) / (kScreenH * 0.62f);
  float vignette = Clamp01(1 - 0.55f * (vx * vx + vy * vy));
  return Scaled(c, vignette);
}

// Rising sparks: small glowing streaks, denser low and in the middle, kept out of
// `clear` so the lettering stays clean, and a few large out-of-focus ones for depth.
void DrawEmbers(Canvas& canvas, uint32_t seed, int count, float centreX, float spread, float top,
                float bottom, const Rect& clear) {
  Random random(seed);
  Mask cores = canvas.NewMask();
  for (int i = 0; i < count; ++i) {
    float offset = (random.Uniform() + random.Uniform() + random.Uniform() - 1.5f) / 1.5f;
    float x = centreX + offset * spread;
    float depth = random.Uniform();
    float y = bottom - (bottom - top) * depth * depth;
    float radius = random.Range(0.8f, 2.3f) * (1.2f - 0.5f * depth);
    float length = radius * random.Range(0.4f, 2.8f);
    float drift = random.Range(-0.5f, 0.5f) * length;
    float brightness = random.Range(0.5f, 1.0f) * (1.0f - 0.55f * depth);
    if (x > clear.left && x < clear.right && y > clear.top && y < clear.bottom) continue;
    cores.AddShape(
        [=](float px, float py) {
          return SegmentDistance(px, py, x, y, x + drift, y - length) - radius;
        },
        Rect{x - length - 8, y - length - 8, x + length + 8, y + 8}, brightness);
  }
  Mask bokeh = canvas.NewMask();
  for (int i = 0; i < 10; ++i) {
    float x = centreX + random.Range(-1.1f, 1.1f) * spread, y = random.Range(top + 80, bottom);
    float radius = random.Range(6.0f, 13.0f), strength = random.Range(0.05f, 0.14f);
    if (x > clear.left - 20 && x < clear.right + 20 && y > clear.top - 20 && y < clear.bottom + 20)
      continue;
    bokeh.AddShape([=](float px, float py) { return DiscDistance(px, py, x, y, radius); },
                   Rect{x - radius - 2, y - radius - 2, x + radius + 2, y + radius + 2}, strength);
  }
  bokeh.Blur(4);
  canvas.AddLight(bokeh, Color{1.0f, 0.45f, 0.12f, 3.0f});
  Mask halo = cores;
  halo.Blur(4.5f);
  canvas.AddLight(halo, Color{1.0f, 0.36f, 0.07f, 2.6f});
  canvas.Paint(cores, [](float, float) { return Color{1.0f, 0.80f, 0.46f, 1}; });
}

// Text mask with a glow: wide orange haze, then a tighter warm halo.
void AddTextGlow(Canvas& canvas, const Mask& text, float wide, float tight, float strength) {
  Mask haze = text;
  haze.Blur(wide);
  canvas.AddLight(haze, Color{1.0f, 0.30f, 0.04f, 1.1f * strength});
  Mask halo = text;
  halo.Blur(tight);
  canvas.AddLight(halo, Color{1.0f, 0.55f, 0.16f, 0.55f * strength});
}

// A thin horizontal rule that fades out towards both ends.
void DrawRule(Canvas& canvas, float x0, float x1, float y, const Color& color) {
  Mask rule = canvas.NewMask();
  rule.AddShape([=](float px, float py) { return SegmentDistance(px, py, x0, y, x1, y) - 0.9f; },
                Rect{x0 - 4, y - 4, x1 + 4, y + 4});
  canvas.Paint(rule, [=](float px, float) {
    float t = (px - x0) / (x1 - x0);
    Color c = color;
    c.a *= Smoothstep(0.0f, 0.45f, t) * Smoothstep(1.0f, 0.55f, t);
    return c;
  });
}

bool MakeLogo(TextPainter& text, const std::string& path, std::string& error) {
  Canvas canvas(kFileWidth, kFileHeight, kScaleX, kScaleY);
  canvas.Fill([](float x, float y) { return Backdrop(x, y, 512, 360); });

  const std::string title = "EMBERLAB";
  const float tracking = 0.06f;
  TextBox box = text.Measure(title, 100, 100 * tracking, kScaleX, kScaleY);
  float size = 100 * 700 / box.Width();
  box = text.Measure(title, size, size * tracking, kScaleX, kScaleY);
  const float titleY = 340;
  Mask titleMask = canvas.NewMask();
  text.DrawCentered(titleMask, title, size, size * tracking, 512, titleY);
  const float top = titleY - box.Height() / 2, height = box.Height();
  const float creditY = titleY + height / 2 + 62;
  DrawEmbers(canvas, 1001, 110, 512, 430, 250, 790,
             Rect{512 - box.Width() / 2 - 20, top - 20, 512 + box.Width() / 2 + 20, creditY + 24});
  AddTextGlow(canvas, titleMask, 26, 7, 1.0f);
  // A thin dark-red rim keeps the letters' edges crisp against their own glow.
  Mask rim = titleMask;
  rim.Blur(1.6f);
  canvas.Paint(rim, Color{0.30f, 0.03f, 0.01f, 1.3f});
  canvas.Paint(titleMask, [=](float, float y) {
    float t = (y - top) / height;
    return Ramp({{0.00f, {1.00f, 0.98f, 0.88f}},
                 {0.28f, {1.00f, 0.87f, 0.45f}},
                 {0.55f, {1.00f, 0.57f, 0.12f}},
                 {0.80f, {0.88f, 0.25f, 0.04f}},
                 {1.00f, {0.60f, 0.08f, 0.02f}}},
                t);
  });

  Mask credit = canvas.NewMask();
  text.DrawCentered(credit, "by TAVEK", 30, 9, 512, creditY);
  Mask creditGlow = credit;
  creditGlow.Blur(8);
  canvas.AddLight(creditGlow, Color{1.0f, 0.4f, 0.1f, 0.35f});
  canvas.Paint(credit, Color{0.93f, 0.84f, 0.72f, 1});
  TextBox creditBox = text.Measure("by TAVEK", 30, 9, kScaleX, kScaleY);
  float gap = creditBox.Width() / 2 + 26;
  DrawRule(canvas, 512 - gap - 150, 512 - gap, creditY, Color{1.0f, 0.55f, 0.2f, 0.8f});
  DrawRule(canvas, 512 + gap, 512 + gap + 150, creditY, Color{1.0f, 0.55f, 0.2f, 0.8f});

  return WriteJpegRgb(path, kFileWidth, kFileHeight, canvas.ToRgb8(true), 90, error);
}

bool MakeLoading(TextPainter& text, const std::string& path, std::string& error) {
  Canvas canvas(kFileWidth, kFileHeight, kScaleX, kScaleY);
  canvas.Fill([](float x, float y) { return Backdrop(x, y, 512, 420); });
  DrawEmbers(canvas, 2002, 70, 512, 400, 380, 790, Rect{300, 300, 724, 450});

  // "Loading" followed by three dots that brighten towards the word: a progress feel.
  const std::string word = "Loading";
  const float size = 62, tracking = 2.5f;
  TextBox box = text.Measure(word, size, tracking, kScaleX, kScaleY);
  const float dotRadius = 6.0f, dotStep = 20, dotsWidth = 2 * dotStep + 2 * dotRadius, dotsGap = 12;
  float groupWidth = box.Width() + dotsGap + dotsWidth;
  float wordCentreX = 512 - groupWidth / 2 + box.Width() / 2;
  const float wordY = 352;
  Mask wordMask = canvas.NewMask();
  text.DrawCentered(wordMask, word, size, tracking, wordCentreX, wordY);
  float wordTop = wordY - box.Height() / 2;
  // "Loading" ends in a descender, so the baseline comes from the same line without its g.
  TextBox lower = text.Measure("Loadin", size, tracking, kScaleX, kScaleY);
  float baseline = wordTop + (lower.bottom - box.top);
  Mask dots = canvas.NewMask();
  Mask dotsDim = canvas.NewMask();
  for (int i = 0; i < 3; ++i) {
    float cx = 512 - groupWidth / 2 + box.Width() + dotsGap + dotRadius + dotStep * float(i);
    float cy = baseline - dotRadius;
    (i == 0 ? dots : dotsDim)
        .AddShape([=](float px, float py) { return DiscDistance(px, py, cx, cy, dotRadius); },
                  Rect{cx - 10, cy - 10, cx + 10, cy + 10}, i == 0 ? 1.0f : 1.0f - 0.3f * float(i));
  }
  Mask all = wordMask;
  all.Union(dots);
  all.Union(dotsDim);
  AddTextGlow(canvas, all, 18, 5, 0.75f);
  float wordHeight = baseline - wordTop;
  auto warmWhite = [=](float, float y) {
    float t = (y - wordTop) / wordHeight;
    return Ramp(
        {{0.0f, {1.0f, 0.95f, 0.84f}}, {0.6f, {1.0f, 0.80f, 0.48f}}, {1.0f, {1.0f, 0.62f, 0.26f}}},
        t);
  };
  canvas.Paint(wordMask, warmWhite);
  canvas.Paint(dots, warmWhite);
  canvas.Paint(dotsDim, Color{1.0f, 0.62f, 0.26f, 1});

  // A slim progress track with a glowing fill.
  const float barLeft = 352, barRight = 672, barY = 430, barHalf = 4;
  const float fillRight = barLeft + (barRight - barLeft) * 0.64f;
  Mask track = canvas.NewMask();
  track.AddShape(
      [=](float px, float py) {
        return RoundedRectDistance(px, py, {barLeft, barY - barHalf, barRight, barY + barHalf},
                                   barHalf);
      },
      Rect{barLeft - 4, barY - 10, barRight + 4, barY + 10});
  canvas.Paint(track, Color{0.20f, 0.11f, 0.08f, 0.85f});
  Mask fill = canvas.NewMask();
  fill.AddShape(
      [=](float px, float py) {
        return RoundedRectDistance(
            px, py, {barLeft + 1.5f, barY - barHalf + 1.5f, fillRight, barY + barHalf - 1.5f},
            barHalf - 1.5f);
      },
      Rect{barLeft - 4, barY - 10, fillRight + 4, barY + 10});
  Mask fillGlow = fill;
  fillGlow.Blur(9);
  canvas.AddLight(fillGlow, Color{1.0f, 0.35f, 0.05f, 1.4f});
  canvas.Paint(fill, [=](float px, float) {
    float t = (px - barLeft) / (fillRight - barLeft);
    return Ramp({{0.0f, {0.55f, 0.06f, 0.02f}},
                 {0.55f, {0.95f, 0.38f, 0.06f}},
                 {0.9f, {1.0f, 0.75f, 0.3f}},
                 {1.0f, {1.0f, 0.96f, 0.8f}}},
                t);
  });

  return WriteJpegRgb(path, kFileWidth, kFileHeight, canvas.ToRgb8(true), 90, error);
}

}  // namespace
}  // namespace ember

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <logo.jpg> <loading.jpg>\n", argv[0]);
    return 2;
  }
  std::string error;
  ember::TextPainter text;
  if (!text.Open(error) || !ember::MakeLogo(text, argv[1], error) ||
      !ember::MakeLoading(text, argv[2], error)) {
    std::fprintf(stderr, "make_intro: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

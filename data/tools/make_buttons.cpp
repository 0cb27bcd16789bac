// Makes the menu buttons: make_buttons <output directory>
// Writes startGame.png, startGameOn.png, exitGame.png and exitGameOn.png.
//
// The menu draws a button at half width and 0.7 height, so a 512 x 128 picture
// shows as 256 x 89.6 pixels. The buttons are designed at that on-screen size and
// stored stretched by 2 across and 1/0.7 down.
#include <cstdio>
#include <string>

#include "data/tools/canvas.h"
#include "data/tools/image_writers.h"
#include "data/tools/text_painter.h"

namespace ember {
namespace {

const int kFileWidth = 512, kFileHeight = 128;
const float kScaleX = 2.0f, kScaleY = 1.0f / 0.7f;
const float kWidth = kFileWidth / kScaleX, kHeight = kFileHeight / kScaleY;  // 256 x 89.6 on screen
const float kRadius = 20, kInset = 1.5f, kBorder = 2.2f;

struct Style {
  Color fillTop, fillMiddle, fillBottom;
  Color borderTop, borderBottom;
  Color label, labelEdge;  // labelEdge: a one-pixel relief under the letters
  Color innerGlow;         // light in the middle of the button, alpha is strength
};

const Style kIdle = {
    {0.160f, 0.118f, 0.105f},      {0.105f, 0.082f, 0.078f},    {0.070f, 0.055f, 0.056f},
    {0.86f, 0.68f, 0.47f},         {0.55f, 0.36f, 0.22f},       {0.95f, 0.90f, 0.82f},
    {0.02f, 0.015f, 0.015f, 0.8f}, {1.0f, 0.45f, 0.12f, 0.10f},
};

const Style kHover = {
    {1.00f, 0.76f, 0.36f},       {0.98f, 0.51f, 0.12f},       {0.78f, 0.22f, 0.04f},
    {1.00f, 0.94f, 0.78f},       {1.00f, 0.66f, 0.32f},       {0.20f, 0.06f, 0.02f},
    {1.00f, 0.86f, 0.58f, 0.5f}, {1.0f, 0.80f, 0.50f, 0.22f},
};

float ButtonDistance(float x, float y, float inset) {
  return RoundedRectDistance(
      x, y, {kInset + inset, kInset + inset, kWidth - kInset - inset, kHeight - kInset - inset},
      kRadius - inset);
}

// The output file must not contain opaque black inside the button: the program loads
// it with an opaque-black colour key, which would punch holes.
void AvoidKeyColour(std::vector<uint8_t>& rgba) {
  for (size_t i = 0; i + 3 < rgba.size(); i += 4)
    if (rgba[i] == 0 && rgba[i + 1] == 0 && rgba[i + 2] == 0 && rgba[i + 3] == 255) {
      rgba[i] = 8;
      rgba[i + 1] = 8;
      rgba[i + 2] = 10;
    }
}

bool MakeButton(TextPainter& text, const std::string& label, const Style& style,
                const std::string& path, std::string& error) {
  Canvas canvas(kFileWidth, kFileHeight, kScaleX, kScaleY);
  Mask body = canvas.NewMask();
  body.AddShape([](float x, float y) { return ButtonDistance(x, y, 0); });
  canvas.Paint(body, [&style](float, float y) {
    float t = y / kHeight;
    return Ramp({{0.0f, style.fillTop}, {0.5f, style.fillMiddle}, {1.0f, style.fillBottom}}, t);
  });

  Mask glow = canvas.NewMask();
  glow.AddShape([](float x, float y) { return ButtonDistance(x, y, 14); });
  glow.Blur(14);
  glow.Intersect(body);
  canvas.AddLight(glow, style.innerGlow);

  Mask inner = canvas.NewMask();
  inner.AddShape([](float x, float y) { return ButtonDistance(x, y, kBorder); });
  Mask border = body;
  border.Subtract(inner);
  canvas.Paint(border, [&style](float, float y) {
    return Mix(style.borderTop, style.borderBottom, y / kHeight);
  });

  const float size = 34, tracking = 5;
  const float cx = kWidth / 2, cy = kHeight / 2;
  Mask relief = canvas.NewMask();
  text.DrawCentered(relief, label, size, tracking, cx, cy + 1.2f);
  relief.Intersect(inner);
  canvas.Paint(relief, style.labelEdge);
  Mask letters = canvas.NewMask();
  text.DrawCentered(letters, label, size, tracking, cx, cy);
  canvas.Paint(letters, style.label);

  std::vector<uint8_t> rgba = canvas.ToRgba8(true);
  AvoidKeyColour(rgba);
  return WritePngRgba(path, kFileWidth, kFileHeight, rgba, error);
}

}  // namespace
}  // namespace ember

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  std::string error;
  ember::TextPainter text;
  bool ok = text.Open(error) &&
            ember::MakeButton(text, "START", ember::kIdle, dir + "startGame.png", error) &&
            ember::MakeButton(text, "START", ember::kHover, dir + "startGameOn.png", error) &&
            ember::MakeButton(text, "EXIT", ember::kIdle, dir + "exitGame.png", error) &&
            ember::MakeButton(text, "EXIT", ember::kHover, dir + "exitGameOn.png", error);
  if (!ok) {
    std::fprintf(stderr, "make_buttons: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

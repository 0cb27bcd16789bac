// A small float canvas for the build-time picture tools.
//
// Pictures are designed in "design units": the pixels the picture covers on the
// screen. A picture that the program draws squashed (for example half width and
// three quarters height) is stored pre-stretched, so each image carries a scale
// from design units to its own pixels, and every shape, text and blur is given
// in design units.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

namespace ember {

// Straight (not premultiplied) colour, components 0..1.
struct Color {
  float r = 0, g = 0, b = 0, a = 1;
};

Color Mix(const Color& a, const Color& b, float t);
Color Scaled(const Color& c, float k);  // rgb times k, alpha kept

struct ColorStop {
  float at;
  Color color;
};
// Piecewise linear ramp over stops sorted by `at`; clamps outside.
Color Ramp(std::initializer_list<ColorStop> stops, float t);

float Clamp01(float v);
float Smoothstep(float edge0, float edge1, float x);

// Design-space rectangle.
struct Rect {
  float left, top, right, bottom;
};

// Signed distances in design units (negative inside).
float DiscDistance(float x, float y, float cx, float cy, float radius);
float RoundedRectDistance(float x, float y, const Rect& r, float radius);
float SegmentDistance(float x, float y, float ax, float ay, float bx, float by);

// A single-channel coverage image, 0..1.
class Mask {
 public:
  Mask(int width, int height, float scaleX = 1, float scaleY = 1);

  int Width() const { return width_; }
  int Height() const { return height_; }
  float ScaleX() const { return scaleX_; }
  float ScaleY() const { return scaleY_; }
  // Design coordinates of the centre of pixel (x, y).
  float DesignX(int x) const { return (x + 0.5f) / scaleX_; }
  float DesignY(int y) const { return (y + 0.5f) / scaleY_; }

  float At(int x, int y) const { return v_[size_t(y) * width_ + x]; }
  float& At(int x, int y) { return v_[size_t(y) * width_ + x]; }

  // Unions a shape given by its signed distance (design units) into the mask,
  // antialiased over about one pixel of the finer axis.
  void AddShape(const std::function<float(float x, float y)>& distance);
  // The same, evaluated only over `bounds` (design units), for small shapes, with
  // the coverage weighted by `strength`.
  void AddShape(const std::function<float(float x, float y)>& distance, const Rect& bounds,
                float strength = 1);
  // Per-pixel maximum with another mask of the same size.
  void Union(const Mask& other);
  // Multiplies every value by the other mask (same size), e.g. to cut a shape.
  void Intersect(const Mask& other);
  // Removes the other mask: v *= 1 - other.
  void Subtract(const Mask& other);
  // Gaussian-like blur (three box passes per axis), sigma in design units.
  void Blur(float sigma);
  float Sum() const;

 private:
  int width_, height_;
  float scaleX_, scaleY_;
  std::vector<float> v_;
};

// A premultiplied RGBA float image.
class Canvas {
 public:
  Canvas(int width, int height, float scaleX = 1, float scaleY = 1);

  int Width() const { return width_; }
  int Height() const { return height_; }
  float ScaleX() const { return scaleX_; }
  float ScaleY() const { return scaleY_; }
  float DesignX(int x) const { return (x + 0.5f) / scaleX_; }
  float DesignY(int y) const { return (y + 0.5f) / scaleY_; }
  // A mask of this canvas's size and scale, all zero.
  Mask NewMask() const { return Mask(width_, height_, scaleX_, scaleY_); }

  // Straight colour of a pixel (rgb unpremultiplied).
  Color Pixel(int x, int y) const;

  // Replaces every pixel with the colour function's value (design coordinates).
  void Fill(const std::function<Color(float x, float y)>& color);
  // Source-over composite of a colour through a mask.
  void Paint(const Mask& mask, const std::function<Color(float x, float y)>& color);
  void Paint(const Mask& mask, const Color& color);
  // Additive light through a mask: rgb += color.rgb * color.a * mask (alpha kept).
  void AddLight(const Mask& mask, const Color& color);

  // 8-bit straight RGBA, rows top to bottom. A tiny ordered-hash dither hides
  // banding in dark gradients when `dither` is set.
  std::vector<uint8_t> ToRgba8(bool dither) const;
  // 8-bit RGB composited over black, rows top to bottom.
  std::vector<uint8_t> ToRgb8(bool dither) const;

 private:
  int width_, height_;
  float scaleX_, scaleY_;
  std::vector<float> px_;  // r, g, b, a premultiplied
};

}  // namespace ember

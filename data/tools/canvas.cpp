#include "data/tools/canvas.h"

#include <algorithm>
#include <cmath>

namespace ember {

float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

float Smoothstep(float edge0, float edge1, float x) {
  float t = Clamp01((x - edge0) / (edge1 - edge0));
  return t * t * (3 - 2 * t);
}

Color Mix(const Color& a, const Color& b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
          a.a + (b.a - a.a) * t};
}

Color Scaled(const Color& c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }

Color Ramp(std::initializer_list<ColorStop> stops, float t) {
  const ColorStop* s = stops.begin();
  size_t n = stops.size();
  if (n == 0) return {};
  if (t <= s[0].at) return s[0].color;
  for (size_t i = 1; i < n; ++i) {
    if (t <= s[i].at) {
      float span = s[i].at - s[i - 1].at;
      float k = span > 0 ? (t - s[i - 1].at) / span : 1;
      return Mix(s[i - 1].color, s[i].color, k);
    }
  }
  return s[n - 1].color;
}

float DiscDistance(float x, float y, float cx, float cy, float radius) {
  return std::hypot(x - cx, y - cy) - radius;
}

float RoundedRectDistance(float x, float y, const Rect& r, float radius) {
  float cx = (r.left + r.right) * 0.5f, cy = (r.top + r.bottom) * 0.5f;
  float hx = (r.right - r.left) * 0.5f - radius, hy = (r.bottom - r.top) * 0.5f - radius;
  float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
  float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
  float inside = std::min(std::max(qx, qy), 0.0f);
  return outside + inside - radius;
}

float SegmentDistance(float x, float y, float ax, float ay, float bx, float by) {
  float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
  float len2 = dx * dx + dy * dy;
  float t = len2 > 0 ? Clamp01((px * dx + py * dy) / len2) : 0;
  return std::hypot(px - dx * t, py - dy * t);
}

// ---------------------------------------------------------------------------

Mask::Mask(int width, int height, float scaleX, float scaleY)
    : width_(width),
      height_(height),
      scaleX_(scaleX),
      scaleY_(scaleY),
      v_(size_t(width) * size_t(height), 0.0f) {}

void Mask::AddShape(const std::function<float(float x, float y)>& distance) {
  AddShape(distance, Rect{0, 0, float(width_) / scaleX_, float(height_) / scaleY_});
}

void Mask::AddShape(const std::function<float(float x, float y)>& distance, const Rect& bounds,
                    float strength) {
  // One pixel of the coarser axis: never aliased, at most slightly soft on the finer one.
  float pixelsPerUnit = std::min(scaleX_, scaleY_);
  int x0 = std::max(0, int(std::floor(bounds.left * scaleX_)) - 1);
  int y0 = std::max(0, int(std::floor(bounds.top * scaleY_)) - 1);
  int x1 = std::min(width_, int(std::ceil(bounds.right * scaleX_)) + 1);
  int y1 = std::min(height_, int(std::ceil(bounds.bottom * scaleY_)) + 1);
  for (int y = y0; y < y1; ++y) {
    float dy = DesignY(y);
    for (int x = x0; x < x1; ++x) {
      float coverage = Clamp01(0.5f - distance(DesignX(x), dy) * pixelsPerUnit) * strength;
      float& v = At(x, y);
      v = std::max(v, coverage);
    }
  }
}

void Mask::Union(const Mask& other) {
  for (size_t i = 0; i < v_.size() && i < other.v_.size(); ++i)
    v_[i] = std::max(v_[i], other.v_[i]);
}

void Mask::Intersect(const Mask& other) {
  for (size_t i = 0; i < v_.size() && i < other.v_.size(); ++i) v_[i] *= other.v_[i];
}

void Mask::Subtract(const Mask& other) {
  for (size_t i = 0; i < v_.size() && i < other.v_.size(); ++i) v_[i] *= 1 - other.v_[i];
}

float Mask::Sum() const {
  double s = 0;
  for (float v : v_) s += v;
  return float(s);
}

namespace {

// Box filter of half-width `radius` along a strided line; outside the line is zero.
void BoxLine(float* data, int count, int stride, int radius, std::vector<float>& scratch) {
  scratch.resize(size_t(count));
  for (int i = 0; i < count; ++i) scratch[size_t(i)] = data[size_t(i) * stride];
  float norm = 1.0f / float(2 * radius + 1);
  double sum = 0;
  for (int i = 0; i <= radius && i < count; ++i) sum += scratch[size_t(i)];
  for (int i = 0; i < count; ++i) {
    data[size_t(i) * stride] = float(sum) * norm;
    int add = i + radius + 1, drop = i - radius;
    if (add < count) sum += scratch[size_t(add)];
    if (drop >= 0) sum -= scratch[size_t(drop)];
  }
}

// Radii of three successive boxes whose combination approximates a gaussian.
void GaussBoxes(float sigma, int radii[3]) {
  float ideal = std::sqrt(12 * sigma * sigma / 3 + 1);
  int lower = int(std::floor(ideal));
  if (lower % 2 == 0) --lower;
  int upper = lower + 2;
  float m = (12 * sigma * sigma - 3 * lower * lower - 12 * lower - 9) / (-4.0f * lower - 4);
  int smallCount = int(std::lround(m));
  for (int i = 0; i < 3; ++i) radii[i] = ((i < smallCount ? lower : upper) - 1) / 2;
}

}  // namespace

void Mask::Blur(float sigma) {
  std::vector<float> scratch;
  int rx[3], ry[3];
  GaussBoxes(sigma * scaleX_, rx);
  GaussBoxes(sigma * scaleY_, ry);
  for (int pass = 0; pass < 3; ++pass) {
    if (rx[pass] > 0)
      for (int y = 0; y < height_; ++y)
        BoxLine(&v_[size_t(y) * width_], width_, 1, rx[pass], scratch);
    if (ry[pass] > 0)
      for (int x = 0; x < width_; ++x) BoxLine(&v_[size_t(x)], height_, width_, ry[pass], scratch);
  }
}

// ---------------------------------------------------------------------------

Canvas::Canvas(int width, int height, float scaleX, float scaleY)
    : width_(width),
      height_(height),
      scaleX_(scaleX),
      scaleY_(scaleY),
      px_(size_t(width) * size_t(height) * 4, 0.0f) {}

Color Canvas::Pixel(int x, int y) const {
  const float* p = &px_[(size_t(y) * width_ + x) * 4];
  if (p[3] <= 0) return {0, 0, 0, 0};
  return {p[0] / p[3], p[1] / p[3], p[2] / p[3], p[3]};
}

void Canvas::Fill(const std::function<Color(float x, float y)>& color) {
  for (int y = 0; y < height_; ++y) {
    float dy = DesignY(y);
    for (int x = 0; x < width_; ++x) {
      Color c = color(DesignX(x), dy);
      float* p = &px_[(size_t(y) * width_ + x) * 4];
      p[0] = c.r * c.a;
      p[1] = c.g * c.a;
      p[2] = c.b * c.a;
      p[3] = c.a;
    }
  }
}

void Canvas::Paint(const Mask& mask, const std::function<Color(float x, float y)>& color) {
  for (int y = 0; y < height_ && y < mask.Height(); ++y) {
    float dy = DesignY(y);
    for (int x = 0; x < width_ && x < mask.Width(); ++x) {
      float m = mask.At(x, y);
      if (m <= 0) continue;
      Color c = color(DesignX(x), dy);
      float a = Clamp01(c.a * m);
      float* p = &px_[(size_t(y) * width_ + x) * 4];
      p[0] = c.r * a + p[0] * (1 - a);
      p[1] = c.g * a + p[1] * (1 - a);
      p[2] = c.b * a + p[2] * (1 - a);
      p[3] = a + p[3] * (1 - a);
    }
  }
}

void Canvas::Paint(const Mask& mask, const Color& color) {
  Paint(mask, [&color](float, float) { return color; });
}

void Canvas::AddLight(const Mask& mask, const Color& color) {
  for (int y = 0; y < height_ && y < mask.Height(); ++y) {
    for (int x = 0; x < width_ && x < mask.Width(); ++x) {
      float k = mask.At(x, y) * color.a;
      float* p = &px_[(size_t(y) * width_ + x) * 4];
      // Light only where there is something to light, so transparent pixels stay clear.
      p[0] += color.r * k * p[3];
      p[1] += color.g * k * p[3];
      p[2] += color.b * k * p[3];
    }
  }
}

namespace {

// A fixed, position-only offset in [-0.5, 0.5): deterministic dither.
float DitherAt(int x, int y, int channel) {
  uint32_t h =
      uint32_t(x) * 0x8da6b343u ^ uint32_t(y) * 0xd8163841u ^ uint32_t(channel) * 0xcb1ab31fu;
  h ^= h >> 15;
  h *= 0x2c1b3c6du;
  h ^= h >> 12;
  return float(h & 0xffff) / 65536.0f - 0.5f;
}

uint8_t ToByte(float v, float offset) {
  return uint8_t(std::lround(std::clamp(v * 255.0f + offset, 0.0f, 255.0f)));
}

}  // namespace

std::vector<uint8_t> Canvas::ToRgba8(bool dither) const {
  std::vector<uint8_t> out(size_t(width_) * height_ * 4);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      Color c = Pixel(x, y);
      uint8_t* o = &out[(size_t(y) * width_ + x) * 4];
      const float rgb[3] = {c.r, c.g, c.b};
      for (int i = 0; i < 3; ++i) o[i] = ToByte(rgb[i], dither ? DitherAt(x, y, i) : 0);
      o[3] = ToByte(c.a, 0);
      if (o[3] == 0) o[0] = o[1] = o[2] = 0;
    }
  }
  return out;
}

std::vector<uint8_t> Canvas::ToRgb8(bool dither) const {
  std::vector<uint8_t> out(size_t(width_) * height_ * 3);
  for (size_t i = 0, n = size_t(width_) * height_; i < n; ++i) {
    int x = int(i % size_t(width_)), y = int(i / size_t(width_));
    for (int c = 0; c < 3; ++c)
      out[i * 3 + c] = ToByte(px_[i * 4 + c], dither ? DitherAt(x, y, c) : 0);
  }
  return out;
}

}  // namespace ember

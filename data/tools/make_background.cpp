// Makes the demo's background: make_background <sfondo.bmp>
//
// A dark room wall with a stone fireplace, lit only by the fire's glow. The flame is
// drawn over the middle third of the screen with its base about 60 % of the way
// down, so the fireplace opening, the glowing coal bed and the warm light sit there.
// Every pixel comes from a small scene description: a material (colour and a height
// for bumps), shaded by a warm point light at the fire and a dim cool ambient.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "data/tools/canvas.h"
#include "data/tools/image_writers.h"
#include "data/tools/noise.h"

namespace ember {
namespace {

const int kWidth = 1024, kHeight = 768;

// Scene layout, in pixels.
const Rect kOpening = {312, 190, 712, 468};      // the fireplace's mouth
const float kSurround = 40;                      // stone band around the mouth
const Rect kMantel = {236, 110, 788, 150};       // wooden beam above
const Rect kHearthTop = {282, 468, 742, 490};    // stone slab, top face
const Rect kHearthFront = {282, 490, 742, 514};  // and its front face
const float kFloorLine = 498;                    // where wall meets floor
const float kBackLeft = 372, kBackRight = 652;   // the firebox's back wall
const float kFireX = 512, kFireY = 446;

struct Surface {
  Color albedo;
  float height = 0;         // in pixels, for the bump shading
  Color emission{0, 0, 0};  // self-lit: coals, glowing cracks
  float light = 1;          // how much of the fire's light reaches this point
  float lightZ = 160;       // how far in front of this surface the fire sits
};

bool Inside(const Rect& r, float x, float y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

struct BrickCell {
  float edge;  // distance to the nearest mortar line, pixels (0 in the mortar)
  int column, row;
};

// Running-bond brickwork: every other row shifted by half a brick, a small jitter per row.
BrickCell Brick(float x, float y, float rowHeight, float brickWidth, float mortar, uint32_t seed) {
  int row = int(std::floor(y / rowHeight));
  float shift =
      (row & 1 ? 0.5f * brickWidth : 0) + (Hash01(row, 0, 0, seed) - 0.5f) * 0.3f * brickWidth;
  float bx = x + shift;
  int column = int(std::floor(bx / brickWidth));
  float lx = bx - float(column) * brickWidth, ly = y - float(row) * rowHeight;
  float edge =
      std::min(std::min(lx, brickWidth - lx), std::min(ly, rowHeight - ly)) - mortar * 0.5f;
  return {edge, column, row};
}

Color BrickColour(int column, int row, uint32_t seed) {
  float pick = Hash01(column, row, 1, seed), shade = 0.72f + 0.4f * Hash01(column, row, 2, seed);
  Color base = pick < 0.45f  ? Color{0.44f, 0.22f, 0.14f}
               : pick < 0.8f ? Color{0.37f, 0.25f, 0.18f}
                             : Color{0.31f, 0.27f, 0.25f};
  return Scaled(base, shade);
}

Surface Brickwork(float x, float y, float rowHeight, float brickWidth, uint32_t seed) {
  BrickCell cell = Brick(x, y, rowHeight, brickWidth, 3, seed);
  float grain = Fbm2(x / 5, y / 5, 3, seed + 7);
  float blotch = Fbm2(x / 40, y / 40, 2, seed + 9);
  Surface s;
  if (cell.edge <= 0) {
    s.albedo = Scaled(Color{0.20f, 0.18f, 0.16f}, 0.85f + 0.2f * grain);
    s.height = -1.2f + 0.3f * grain;
    return s;
  }
  float bevel = Smoothstep(0, 3.5f, cell.edge);
  s.albedo =
      Scaled(BrickColour(cell.column, cell.row, seed), 0.9f + 0.12f * grain + 0.12f * blotch);
  s.height = 1.6f * bevel + 0.45f * grain;
  return s;
}

// Large dressed stones around the mouth: the jambs in tall blocks, the lintel in wide ones.
Surface SurroundStone(float x, float y) {
  bool lintel = y < kOpening.top + 6;
  float lx, ly, bw, bh;
  int id;
  if (lintel) {
    bw = (kOpening.right - kOpening.left + 2 * kSurround) / 5;
    bh = kSurround + 6;
    lx = x - (kOpening.left - kSurround);
    ly = y - (kOpening.top - kSurround);
    id = int(std::floor(lx / bw));
  } else {
    bw = kSurround;
    bh = 56;
    lx = x < kOpening.left ? x - (kOpening.left - kSurround) : x - kOpening.right;
    ly = y - kOpening.top - 6;
    id = 100 + int(std::floor(ly / bh)) + (x < kOpening.left ? 0 : 50);
  }
  float cx = std::fmod(lx, bw), cy = lintel ? ly : std::fmod(ly, bh);
  float edge = std::min(std::min(cx, bw - cx), std::min(cy, bh - cy)) - 1.5f;
  float grain = Fbm2(x / 6, y / 6, 3, 31);
  float pits = Fbm2(x / 18, y / 18, 3, 37);
  Surface s;
  if (edge <= 0) {
    s.albedo = {0.16f, 0.15f, 0.14f};
    s.height = -1.0f;
    return s;
  }
  float tone = 0.85f + 0.3f * Hash01(id, 0, 0, 41);
  s.albedo = Scaled(Color{0.40f, 0.36f, 0.31f},
                    tone * (0.9f + 0.1f * grain - 0.08f * Smoothstep(0.3f, 0.8f, pits)));
  s.height = 2.2f * Smoothstep(0, 5, edge) + 0.5f * grain - 0.8f * Smoothstep(0.3f, 0.8f, pits);
  return s;
}

Surface Mantel(float x, float y) {
  Surface s;
  float grain = Fbm2(x / 140, y / 2.5f, 4, 51);
  float rings = 0.5f + 0.5f * std::sin((y + 6 * Fbm2(x / 60, y / 8, 2, 53)) * 1.3f);
  Color wood = Scaled(Color{0.40f, 0.22f, 0.11f}, 0.8f + 0.25f * grain + 0.1f * rings);
  float fromTop = y - kMantel.top, fromBottom = kMantel.bottom - y;
  if (fromTop < 8) {  // the shelf's top face, seen from a little below: dim
    s.albedo = Scaled(wood, 0.8f);
    s.light = 0.5f;
  } else {
    s.albedo = wood;
    s.light = 0.9f + 1.1f * Smoothstep(30, 3, fromBottom);  // the underside edge faces the fire
  }
  s.height = 2 * Smoothstep(0, 3, std::min(fromTop, fromBottom)) + 0.4f * grain;
  return s;
}

// Burning logs and the coal bed on the firebox floor.
bool Logs(float x, float y, Surface& s) {
  struct Log {
    float ax, ay, bx, by, r;
  };
  // Front to back, so the nearer log hides the one behind it.
  const Log logs[] = {
      {420, 458, 622, 452, 10.5f}, {398, 446, 590, 440, 9.5f}, {470, 441, 636, 447, 9}};
  for (int i = 0; i < 3; ++i) {
    const Log& log = logs[i];
    float dx = log.bx - log.ax, dy = log.by - log.ay, len = std::sqrt(dx * dx + dy * dy);
    float along = ((x - log.ax) * dx + (y - log.ay) * dy) / len;
    float side = ((x - log.ax) * -dy + (y - log.ay) * dx) / len;
    if (along < -log.r * 0.4f || along > len + log.r * 0.4f || std::fabs(side) >= log.r) continue;
    float across = side / log.r;
    float tail = (along - len) / (log.r * 0.4f);
    if (tail > 0 && tail * tail + across * across >= 1) continue;  // the far end is rounded
    float round = std::sqrt(1 - across * across);
    if (along < 0) {
      // The sawn end: pale wood with growth rings, seen a little from the side.
      float e = along / (log.r * 0.4f);
      float ring = std::hypot(e, across);
      if (ring >= 1) continue;
      float rings = 0.5f + 0.5f * std::sin(ring * 22 + 3 * Fbm2(x / 3, y / 3, 2, 65));
      s.albedo = Scaled(Color{0.34f, 0.20f, 0.11f}, 0.7f + 0.3f * rings);
      s.height = 7;
      s.emission = Scaled(Color{1.0f, 0.3f, 0.05f}, 0.5f * Smoothstep(0.75f, 1.0f, ring));
    } else {
      // Bark runs along the log; embers glow in its cracks, most on the underside.
      float bark = Fbm2(along / 16, across * 2.5f + float(i) * 7, 3, 61);
      float crack =
          1 -
          Smoothstep(0.0f, 0.09f, std::fabs(Fbm2(along / 11, across * 1.6f + float(i) * 5, 3, 63)));
      float under = Smoothstep(-0.2f, 0.9f, across);
      s.albedo = Scaled(Color{0.16f, 0.09f, 0.05f}, 0.6f + 0.4f * bark);
      s.height = 6 * round + 1.2f * bark - 1.5f * crack;
      s.emission = Scaled(Color{1.0f, 0.36f, 0.06f},
                          (0.35f + 1.1f * under) * crack + 0.5f * Smoothstep(0.6f, 1.0f, across));
    }
    s.lightZ = 30;
    return true;
  }
  float ex = (x - kFireX) / 150, ey = (y - 462) / 9;
  float r2 = ex * ex + ey * ey;
  if (r2 < 1) {
    float coal = Fbm2(x / 4, y / 3, 3, 67);
    float heat = Smoothstep(1.0f, 0.1f, r2) * Smoothstep(-0.3f, 0.45f, coal);
    s.albedo = {0.08f, 0.05f, 0.04f};
    s.height = 2 * coal;
    s.emission = Ramp(
        {{0.0f, {0.0f, 0.0f, 0.0f}}, {0.5f, {0.7f, 0.12f, 0.02f}}, {1.0f, {1.0f, 0.55f, 0.15f}}},
        heat);
    s.lightZ = 20;
    return true;
  }
  return false;
}

// Inside the mouth: the back wall, the splayed side walls and the firebox floor,
// sooted towards the top and shaded deep at the edges of the mouth.
Surface Firebox(float x, float y) {
  Surface s;
  if (Logs(x, y, s)) return s;
  bool side = x < kBackLeft || x >= kBackRight;
  if (side) {
    // Brick courses on the splayed walls run towards the back, so they slant.
    float t = x < kBackLeft ? (kBackLeft - x) / (kBackLeft - kOpening.left)
                            : (x - kBackRight) / (kOpening.right - kBackRight);
    float slant = (y - 330) * 0.28f * t;
    s = Brickwork(x * 0.5f, y + slant, 18, 40, 81);
    s.albedo = Scaled(s.albedo, 0.75f);
  } else {
    s = Brickwork(x, y, 18, 54, 83);
  }
  float soot = Smoothstep(450, kOpening.top + 40, y) * (0.8f + 0.2f * Fbm2(x / 30, y / 30, 2, 85));
  s.albedo = Scaled(s.albedo, 0.7f * (1 - 0.9f * soot));
  // The mouth's rim shadows what lies just inside it.
  float inset = std::min(std::min(x - kOpening.left, kOpening.right - x), y - kOpening.top);
  s.light *= 0.35f + 0.65f * Smoothstep(0, 36, inset);
  if (side) s.light *= 0.7f;
  s.lightZ = 55;
  return s;
}

Surface FloorBoards(float x, float y) {
  // Planks in perspective towards a vanishing point above the fire.
  float depth = y - 330;
  float u = (x - kFireX) / depth * 6.0f;
  float v = 2600 / depth;
  int plank = int(std::floor(u));
  float fu = u - float(plank);
  float fv = v + Hash01(plank, 0, 0, 91) * 3;
  float seam = std::min(fu, 1 - fu) * depth / 6.0f;
  float joint = std::fabs(fv - std::round(fv)) * depth / 3.0f;
  float grain = Fbm2(u * 8, v * 0.8f, 3, 93);
  Surface s;
  s.albedo =
      Scaled(Color{0.20f, 0.12f, 0.07f},
             (0.75f + 0.3f * Hash01(plank, int(std::round(fv)), 0, 95)) * (0.85f + 0.2f * grain));
  float gap = std::min(seam, joint);
  s.height = Smoothstep(0, 1.2f, gap) + 0.3f * grain;
  if (gap < 0.7f) s.albedo = Scaled(s.albedo, 0.4f);
  s.lightZ = 40;
  return s;
}

Surface Hearth(float x, float y) {
  Surface s;
  float grain = Fbm2(x / 6, y / 3, 3, 101);
  bool top = Inside(kHearthTop, x, y);
  s.albedo = Scaled(Color{0.38f, 0.34f, 0.30f}, 0.85f + 0.15f * grain);
  s.height = 0.5f * grain;
  if (top) {
    s.lightZ = 25;
  } else {
    s.albedo = Scaled(s.albedo, 0.7f);
    s.light = 0.55f;
    s.lightZ = 90;
  }
  float slab = std::fmod(x - kHearthTop.left, 115);
  if (slab < 1.5f || x > kHearthTop.right - 1.5f) s.albedo = Scaled(s.albedo, 0.45f);
  return s;
}

float RoundedOpeningDistance(float x, float y) {
  // The mouth has rounded top corners; its bottom lies under the hearth.
  return RoundedRectDistance(
      x, y, {kOpening.left, kOpening.top, kOpening.right, kOpening.bottom + 80}, 46);
}

Surface SampleScene(float x, float y) {
  if (Inside(kHearthTop, x, y) || Inside(kHearthFront, x, y)) return Hearth(x, y);
  if (y >= kFloorLine) return FloorBoards(x, y);
  float opening = RoundedOpeningDistance(x, y);
  if (opening < 0 && y < kOpening.bottom) return Firebox(x, y);
  if (Inside(kMantel, x, y)) return Mantel(x, y);
  if (opening < kSurround && y > kMantel.bottom) return SurroundStone(x, y);
  Surface s = Brickwork(x, y, 28, 84, 11);
  s.albedo = Scaled(s.albedo, 0.75f + 0.3f * Fbm2(x / 160, y / 120, 3, 13));
  // The beam keeps the fire's light off the wall above it.
  if (y < kMantel.top) {
    float shadow = Smoothstep(kMantel.left - 60, kMantel.left + 80, x) *
                   Smoothstep(kMantel.right + 60, kMantel.right - 80, x);
    s.light *= 1 - 0.55f * shadow;
  }
  return s;
}

Color Shade(float x, float y) {
  Surface s = SampleScene(x, y);
  float hx = SampleScene(x + 1, y).height - SampleScene(x - 1, y).height;
  float hy = SampleScene(x, y + 1).height - SampleScene(x, y - 1).height;
  float nx = -hx * 0.5f, ny = -hy * 0.5f, nz = 1;
  float nl = std::sqrt(nx * nx + ny * ny + nz * nz);
  float lx = kFireX - x, ly = kFireY - y, lz = s.lightZ;
  float dist = std::sqrt(lx * lx + ly * ly + lz * lz);
  float diffuse = std::max(0.0f, (nx * lx + ny * ly + nz * lz) / (nl * dist));
  float falloff = 1 / (1 + (dist / 190) * (dist / 190));
  float fire = 2.7f * falloff * diffuse * s.light;
  float ambient = 0.11f * (0.6f + 0.4f * nz / nl);
  Color c{s.albedo.r * (ambient * 0.75f + fire * 1.0f) + s.emission.r,
          s.albedo.g * (ambient * 0.8f + fire * 0.55f) + s.emission.g,
          s.albedo.b * (ambient * 1.0f + fire * 0.28f) + s.emission.b};
  float vx = (x - kWidth / 2.0f) / (kWidth * 0.7f), vy = (y - kHeight * 0.55f) / (kHeight * 0.75f);
  float vignette = Clamp01(1 - 0.6f * (vx * vx + vy * vy));
  // Gentle tone curve so the brightest coals do not clip harshly.
  auto tone = [vignette](float v) { return 1 - std::exp(-1.3f * v * vignette); };
  return {tone(c.r), tone(c.g), tone(c.b)};
}

}  // namespace
}  // namespace ember

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <sfondo.bmp>\n", argv[0]);
    return 2;
  }
  ember::Canvas canvas(ember::kWidth, ember::kHeight);
  canvas.Fill(ember::Shade);
  std::string error;
  if (!ember::WriteBmp24(argv[1], ember::kWidth, ember::kHeight, canvas.ToRgb8(true), error)) {
    std::fprintf(stderr, "make_background: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

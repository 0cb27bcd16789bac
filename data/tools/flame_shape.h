// The flame's shape, shared by the flame image that colours it and the mesh that carries it,
// so that the slices cover exactly the part of space where the fire can show.
//
// `up` runs from the base (0) to the tip (1); radii are distances from the flame's axis in
// widths of the flame image, whose centre line is the axis and whose edges lie at 0.5.
#pragma once

#include <algorithm>
#include <cmath>

namespace ember::flame {

// Half the body's width: a rounded base, widest a little above it, drawn to a point.
inline float BodyHalfWidth(float up) {
  auto shape = [](float t) { return std::pow(t + 0.05f, 0.25f) * std::pow(1 - t, 1.4f); };
  return 0.40f * shape(up) / shape(0.2f);
}

// The body is opaque to this many half-widths and fades out by kBodyEdge; the glow around it
// reaches kGlowEdge.
constexpr float kBodyOpaque = 0.85f;
constexpr float kBodyEdge = 1.25f;
constexpr float kGlowEdge = 1.6f;

// The effect displaces the image lookup sideways by up to this much, more towards the tip
// (it mirrors the effect's kSway and kSwayTip with the turbulence's usual extreme).
inline float Sway(float up) { return 0.28f * (0.15f + 0.85f * up); }

// How far from the axis anything of the flame shows at a height.
inline float Reach(float up) {
  return std::min(0.5f, kGlowEdge * BodyHalfWidth(std::clamp(up, 0.0f, 1.0f)) + Sway(up));
}

// The effect's mapping from the mesh's world units to the image (flameScale / 3 and
// flameTrans of the effect's parameters): a radius of 0.5 is 6 units across x and 6.8 along z,
// and the flame stands from y = -4.5 (the base) to y = 15.1 (the tip).
constexpr float kUnitsPerRadiusX = 12.0f;
constexpr float kUnitsPerRadiusZ = 3.0f / 0.22f;
constexpr float kBaseY = -4.5f;
constexpr float kTipY = 15.1f;

}  // namespace ember::flame

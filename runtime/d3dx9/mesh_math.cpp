#include "runtime/d3dx9/mesh_math.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace ember {

namespace {

struct Vec3 {
  double x, y, z;
};

Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Length(Vec3 a) { return std::sqrt(Dot(a, a)); }

// A vector this much shorter than the ones it was computed from is rounding noise, not a
// direction.
constexpr double kNoise = 1e-9;

// False, leaving v alone, when v is zero or negligible next to `scale`.
bool Normalize(Vec3& v, double scale = 0) {
  double length = Length(v);
  if (!(length > 0) || !(length > scale * kNoise)) return false;
  v = v * (1.0 / length);
  return true;
}

Vec3 Load3(const uint8_t* base, size_t stride, uint32_t i) {
  float f[3];
  std::memcpy(f, base + size_t(i) * stride, sizeof f);
  return {f[0], f[1], f[2]};
}

void Load2(const uint8_t* base, size_t stride, uint32_t i, double out[2]) {
  float f[2];
  std::memcpy(f, base + size_t(i) * stride, sizeof f);
  out[0] = f[0];
  out[1] = f[1];
}

void Store3(uint8_t* base, size_t stride, uint32_t i, Vec3 v) {
  float f[3] = {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
  std::memcpy(base + size_t(i) * stride, f, sizeof f);
}

bool TriangleInRange(const uint32_t* tri, uint32_t vertexCount) {
  return tri[0] < vertexCount && tri[1] < vertexCount && tri[2] < vertexCount;
}

// The angle between two edges leaving a vertex; atan2 stays accurate for angles near 0 and pi.
double Angle(Vec3 a, Vec3 b) { return std::atan2(Length(Cross(a, b)), Dot(a, b)); }

// Some unit vector perpendicular to n, built from the axis n is least aligned with.
Vec3 AnyPerpendicular(Vec3 n) {
  Vec3 axis{1, 0, 0};
  double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
  if (ay < ax && ay <= az) axis = {0, 1, 0};
  if (az < ax && az < ay) axis = {0, 0, 1};
  Vec3 p = Cross(n, axis);
  if (!Normalize(p)) return {1, 0, 0};
  return p;
}

double WrapDelta(double d) { return d - std::floor(d + 0.5); }

}  // namespace

void ComputeVertexNormals(const uint8_t* positions, size_t stride, uint32_t vertexCount,
                          const uint32_t* indices, uint32_t triangleCount, uint8_t* normalsOut,
                          size_t normalStride) {
  if (!positions || !normalsOut || (!indices && triangleCount > 0)) return;
  std::vector<Vec3> sums(vertexCount, Vec3{0, 0, 0});
  std::vector<double> weights(vertexCount, 0.0);
  for (uint32_t t = 0; t < triangleCount; ++t) {
    const uint32_t* tri = indices + size_t(t) * 3;
    if (!TriangleInRange(tri, vertexCount)) continue;
    Vec3 p[3] = {Load3(positions, stride, tri[0]), Load3(positions, stride, tri[1]),
                 Load3(positions, stride, tri[2])};
    Vec3 e1 = p[1] - p[0];
    Vec3 e2 = p[2] - p[0];
    Vec3 normal = Cross(e1, e2);
    if (!Normalize(normal, Length(e1) * Length(e2))) continue;
    for (int k = 0; k < 3; ++k) {
      double angle = Angle(p[(k + 1) % 3] - p[k], p[(k + 2) % 3] - p[k]);
      sums[tri[k]] = sums[tri[k]] + normal * angle;
      weights[tri[k]] += angle;
    }
  }
  for (uint32_t v = 0; v < vertexCount; ++v) {
    Vec3 n = sums[v];
    if (!Normalize(n, weights[v])) n = {0, 0, 0};
    Store3(normalsOut, normalStride, v, n);
  }
}

void ComputeTangentFrame(const uint8_t* positions, size_t positionStride, const uint8_t* normals,
                         size_t normalStride, const uint8_t* texcoords, size_t texcoordStride,
                         uint32_t vertexCount, const uint32_t* indices, uint32_t triangleCount,
                         bool wrapUV, uint8_t* tangentsOut, size_t tangentStride,
                         uint8_t* binormalsOut, size_t binormalStride) {
  if (!positions || !normals || !texcoords || !tangentsOut || !binormalsOut ||
      (!indices && triangleCount > 0)) {
    return;
  }
  std::vector<Vec3> tangentSums(vertexCount, Vec3{0, 0, 0});
  std::vector<Vec3> binormalSums(vertexCount, Vec3{0, 0, 0});
  for (uint32_t t = 0; t < triangleCount; ++t) {
    const uint32_t* tri = indices + size_t(t) * 3;
    if (!TriangleInRange(tri, vertexCount)) continue;
    Vec3 p0 = Load3(positions, positionStride, tri[0]);
    Vec3 e1 = Load3(positions, positionStride, tri[1]) - p0;
    Vec3 e2 = Load3(positions, positionStride, tri[2]) - p0;
    double uv0[2], uv1[2], uv2[2];
    Load2(texcoords, texcoordStride, tri[0], uv0);
    Load2(texcoords, texcoordStride, tri[1], uv1);
    Load2(texcoords, texcoordStride, tri[2], uv2);
    double du1 = uv1[0] - uv0[0], dv1 = uv1[1] - uv0[1];
    double du2 = uv2[0] - uv0[0], dv2 = uv2[1] - uv0[1];
    if (wrapUV) {
      du1 = WrapDelta(du1);
      dv1 = WrapDelta(dv1);
      du2 = WrapDelta(du2);
      dv2 = WrapDelta(dv2);
    }
    double r = du1 * dv2 - du2 * dv1;
    double uvScale = (std::fabs(du1) + std::fabs(du2)) * (std::fabs(dv1) + std::fabs(dv2));
    if (r == 0 || !(std::fabs(r) > uvScale * kNoise)) continue;
    // Solve e1 = du1 T + dv1 B, e2 = du2 T + dv2 B for T and B.
    Vec3 tangent = (e1 * dv2 - e2 * dv1) * (1.0 / r);
    Vec3 binormal = (e2 * du1 - e1 * du2) * (1.0 / r);
    for (int k = 0; k < 3; ++k) {
      tangentSums[tri[k]] = tangentSums[tri[k]] + tangent;
      binormalSums[tri[k]] = binormalSums[tri[k]] + binormal;
    }
  }
  for (uint32_t v = 0; v < vertexCount; ++v) {
    Vec3 n = Load3(normals, normalStride, v);
    if (!Normalize(n)) n = {0, 0, 0};
    Vec3 t = tangentSums[v] - n * Dot(n, tangentSums[v]);
    if (!Normalize(t, Length(tangentSums[v]))) t = AnyPerpendicular(n);
    Vec3 b = binormalSums[v] - n * Dot(n, binormalSums[v]) - t * Dot(t, binormalSums[v]);
    if (!Normalize(b, Length(binormalSums[v]))) {
      b = Cross(n, t);
      if (!Normalize(b)) b = AnyPerpendicular(t);
    }
    Store3(tangentsOut, tangentStride, v, t);
    Store3(binormalsOut, binormalStride, v, b);
  }
}

bool ComputeBoundingSphere(const uint8_t* firstPosition, uint32_t count, size_t stride,
                           float center[3], float* radius) {
  if (center) center[0] = center[1] = center[2] = 0;
  if (radius) *radius = 0;
  if (!firstPosition || !center || !radius || count == 0 || stride < 12) return false;
  Vec3 sum{0, 0, 0};
  for (uint32_t i = 0; i < count; ++i) sum = sum + Load3(firstPosition, stride, i);
  Vec3 c = sum * (1.0 / count);
  double largest = 0;
  for (uint32_t i = 0; i < count; ++i) {
    largest = std::max(largest, Length(Load3(firstPosition, stride, i) - c));
  }
  center[0] = static_cast<float>(c.x);
  center[1] = static_cast<float>(c.y);
  center[2] = static_cast<float>(c.z);
  *radius = static_cast<float>(largest);
  return true;
}

void ComputeAdjacency(const uint32_t* indices, uint32_t triangleCount, uint32_t* adjacency) {
  if (!indices || !adjacency) return;
  struct Edge {
    uint64_t key;  // smaller vertex index in the high half
    uint32_t face;
    size_t slot;  // index into adjacency
  };
  std::vector<Edge> edges;
  edges.reserve(size_t(triangleCount) * 3);
  for (uint32_t f = 0; f < triangleCount; ++f) {
    const uint32_t* tri = indices + size_t(f) * 3;
    for (int k = 0; k < 3; ++k) adjacency[size_t(f) * 3 + k] = kNoAdjacentFace;
    if (tri[0] == tri[1] || tri[1] == tri[2] || tri[2] == tri[0]) continue;
    for (int k = 0; k < 3; ++k) {
      uint32_t a = tri[k];
      uint32_t b = tri[(k + 1) % 3];
      uint64_t key = (uint64_t(std::min(a, b)) << 32) | std::max(a, b);
      edges.push_back(Edge{key, f, size_t(f) * 3 + size_t(k)});
    }
  }
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) {
    return a.key != b.key ? a.key < b.key : a.slot < b.slot;
  });
  for (size_t i = 0; i + 1 < edges.size();) {
    if (edges[i].key == edges[i + 1].key) {
      adjacency[edges[i].slot] = edges[i + 1].face;
      adjacency[edges[i + 1].slot] = edges[i].face;
      i += 2;
    } else {
      ++i;
    }
  }
}

}  // namespace ember

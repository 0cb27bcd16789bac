#include "runtime/d3dx9/mesh_math.h"

#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

namespace ember {
namespace {

// The 64-byte layout the flame mesh uses: position, normal, texcoord, tangent, binormal, colour.
struct Vertex {
  float position[3];
  float normal[3];
  float texcoord[3];
  float tangent[3];
  float binormal[3];
  uint32_t color;
};
static_assert(sizeof(Vertex) == 64, "interleaved vertex of 64 bytes");

uint8_t* Field(std::vector<Vertex>& v, size_t offset) {
  return reinterpret_cast<uint8_t*>(v.data()) + offset;
}

// Vertices with the given positions and every other byte set to 0xCD, so stray writes show.
std::vector<Vertex> Vertices(const std::vector<std::vector<float>>& positions) {
  std::vector<Vertex> v(positions.size());
  std::memset(v.data(), 0xCD, v.size() * sizeof(Vertex));
  for (size_t i = 0; i < positions.size(); ++i) {
    for (int c = 0; c < 3; ++c) v[i].position[c] = positions[i][static_cast<size_t>(c)];
  }
  return v;
}

void ExpectVec3(const float* actual, float x, float y, float z) {
  EXPECT_NEAR(actual[0], x, 1e-5f);
  EXPECT_NEAR(actual[1], y, 1e-5f);
  EXPECT_NEAR(actual[2], z, 1e-5f);
}

void Normals(std::vector<Vertex>& v, const std::vector<uint32_t>& indices) {
  ComputeVertexNormals(Field(v, offsetof(Vertex, position)), sizeof(Vertex),
                       static_cast<uint32_t>(v.size()), indices.data(),
                       static_cast<uint32_t>(indices.size() / 3),
                       Field(v, offsetof(Vertex, normal)), sizeof(Vertex));
}

void Tangents(std::vector<Vertex>& v, const std::vector<uint32_t>& indices, bool wrap = false) {
  ComputeTangentFrame(
      Field(v, offsetof(Vertex, position)), sizeof(Vertex), Field(v, offsetof(Vertex, normal)),
      sizeof(Vertex), Field(v, offsetof(Vertex, texcoord)), sizeof(Vertex),
      static_cast<uint32_t>(v.size()), indices.data(), static_cast<uint32_t>(indices.size() / 3),
      wrap, Field(v, offsetof(Vertex, tangent)), sizeof(Vertex),
      Field(v, offsetof(Vertex, binormal)), sizeof(Vertex));
}

// A unit quad in the z = 0 plane, clockwise as seen from -z (Direct3D's front), u along x and
// v along y.
std::vector<Vertex> Quad() {
  std::vector<Vertex> v = Vertices({{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}});
  for (Vertex& vertex : v) {
    vertex.texcoord[0] = vertex.position[0];
    vertex.texcoord[1] = vertex.position[1];
    vertex.texcoord[2] = 0;
    vertex.normal[0] = 0;
    vertex.normal[1] = 0;
    vertex.normal[2] = -1;
  }
  return v;
}
const std::vector<uint32_t> kQuadIndices = {0, 1, 2, 0, 2, 3};

TEST(VertexNormals, ClockwiseQuadFacesMinusZ) {
  std::vector<Vertex> v = Quad();
  v.push_back(Vertices({{5, 5, 5}})[0]);
  Normals(v, kQuadIndices);
  for (int i = 0; i < 4; ++i) ExpectVec3(v[static_cast<size_t>(i)].normal, 0, 0, -1);
  // No face uses the fifth vertex.
  ExpectVec3(v[4].normal, 0, 0, 0);
  // Only the normal floats were written.
  uint32_t untouched;
  std::memset(&untouched, 0xCD, sizeof untouched);
  EXPECT_EQ(v[0].color, untouched);
  EXPECT_EQ(v[4].color, untouched);
}

TEST(VertexNormals, WeightedByTheAngleAtTheVertex) {
  // Face A meets vertex 0 at 90 degrees with normal (0, 0, -1); face B at 45 degrees with
  // normal (-1, 0, 0). Vertex 0: normalize(2 * A + B) = (-1, 0, -2) / sqrt(5).
  std::vector<Vertex> v = Vertices({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}, {0, 1, 1}});
  Normals(v, {0, 1, 2, 0, 3, 4});
  const float k = 1.0f / std::sqrt(5.0f);
  ExpectVec3(v[0].normal, -k, 0, -2 * k);
  ExpectVec3(v[1].normal, 0, 0, -1);
  ExpectVec3(v[4].normal, -1, 0, 0);
}

TEST(VertexNormals, DegenerateAndOutOfRangeFacesAddNothing) {
  std::vector<Vertex> v = Vertices({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}});
  Normals(v, {0, 1, 2, 0, 3, 9});
  for (const Vertex& vertex : v) ExpectVec3(vertex.normal, 0, 0, 0);
}

TEST(TangentFrame, AlongUAndV) {
  std::vector<Vertex> v = Quad();
  Tangents(v, kQuadIndices);
  for (const Vertex& vertex : v) {
    ExpectVec3(vertex.tangent, 1, 0, 0);
    ExpectVec3(vertex.binormal, 0, 1, 0);
  }
}

TEST(TangentFrame, FollowsARotatedMappingWithTwoFloatTexcoords) {
  // u = 2y, v = x, read as float[2] at an 8-byte stride from a separate array.
  std::vector<Vertex> v = Quad();
  std::vector<float> uv;
  for (const Vertex& vertex : v) {
    uv.push_back(2 * vertex.position[1]);
    uv.push_back(vertex.position[0]);
  }
  ComputeTangentFrame(Field(v, offsetof(Vertex, position)), sizeof(Vertex),
                      Field(v, offsetof(Vertex, normal)), sizeof(Vertex),
                      reinterpret_cast<const uint8_t*>(uv.data()), 2 * sizeof(float), 4,
                      kQuadIndices.data(), 2, false, Field(v, offsetof(Vertex, tangent)),
                      sizeof(Vertex), Field(v, offsetof(Vertex, binormal)), sizeof(Vertex));
  for (const Vertex& vertex : v) {
    ExpectVec3(vertex.tangent, 0, 1, 0);
    ExpectVec3(vertex.binormal, 1, 0, 0);
  }
}

TEST(TangentFrame, OrthogonalisedAgainstATiltedNormal) {
  // n = (1, 0, -1) / sqrt 2: (1, 0, 0) - n (n . (1, 0, 0)) = (1/2, 0, 1/2).
  std::vector<Vertex> v = Quad();
  const float k = 1.0f / std::sqrt(2.0f);
  for (Vertex& vertex : v) {
    vertex.normal[0] = k;
    vertex.normal[2] = -k;
  }
  Tangents(v, kQuadIndices);
  for (const Vertex& vertex : v) {
    ExpectVec3(vertex.tangent, k, 0, k);
    ExpectVec3(vertex.binormal, 0, 1, 0);
  }
}

TEST(TangentFrame, DegenerateMappingFallsBackToAPerpendicularFrame) {
  std::vector<Vertex> v = Quad();
  for (Vertex& vertex : v) vertex.texcoord[0] = vertex.texcoord[1] = 0.25f;
  v.push_back(v[0]);
  v[4].normal[2] = 0;  // and one vertex with no normal at all, used by no face
  Tangents(v, kQuadIndices);
  for (const Vertex& vertex : v) {
    const float* t = vertex.tangent;
    const float* b = vertex.binormal;
    const float* n = vertex.normal;
    EXPECT_NEAR(t[0] * t[0] + t[1] * t[1] + t[2] * t[2], 1.0f, 1e-5f);
    EXPECT_NEAR(b[0] * b[0] + b[1] * b[1] + b[2] * b[2], 1.0f, 1e-5f);
    EXPECT_NEAR(t[0] * n[0] + t[1] * n[1] + t[2] * n[2], 0.0f, 1e-5f);
    EXPECT_NEAR(t[0] * b[0] + t[1] * b[1] + t[2] * b[2], 0.0f, 1e-5f);
  }
  // With the normal (0, 0, -1): b = cross(n, t).
  const float* t = v[0].tangent;
  ExpectVec3(v[0].binormal, t[1], -t[0], 0);
}

TEST(TangentFrame, WrappingTakesTheShortWayAcrossTheSeam) {
  // u goes 0.9 -> 0.1 along +x: -0.8 unwrapped, +0.2 wrapped.
  std::vector<Vertex> v = Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  const float uv[3][2] = {{0.9f, 0}, {0.1f, 0}, {0.9f, 0.4f}};
  for (int i = 0; i < 3; ++i) {
    v[static_cast<size_t>(i)].texcoord[0] = uv[i][0];
    v[static_cast<size_t>(i)].texcoord[1] = uv[i][1];
    v[static_cast<size_t>(i)].normal[0] = 0;
    v[static_cast<size_t>(i)].normal[1] = 0;
    v[static_cast<size_t>(i)].normal[2] = -1;
  }
  Tangents(v, {0, 1, 2}, false);
  ExpectVec3(v[0].tangent, -1, 0, 0);
  ExpectVec3(v[0].binormal, 0, 1, 0);
  Tangents(v, {0, 1, 2}, true);
  ExpectVec3(v[0].tangent, 1, 0, 0);
  ExpectVec3(v[0].binormal, 0, 1, 0);
}

TEST(BoundingSphere, CentroidAndFarthestPoint) {
  std::vector<Vertex> cube = Vertices(
      {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}, {0, 0, 2}, {2, 0, 2}, {2, 2, 2}, {0, 2, 2}});
  float center[3];
  float radius;
  ASSERT_TRUE(ComputeBoundingSphere(Field(cube, 0), 8, sizeof(Vertex), center, &radius));
  ExpectVec3(center, 1, 1, 1);
  EXPECT_NEAR(radius, std::sqrt(3.0f), 1e-5f);

  // Centre (4/3, 2/3, 0); the farthest point (4, 0, 0) is sqrt(68) / 3 away.
  const float packed[] = {0, 0, 0, 4, 0, 0, 0, 2, 0};
  ASSERT_TRUE(
      ComputeBoundingSphere(reinterpret_cast<const uint8_t*>(packed), 3, 12, center, &radius));
  ExpectVec3(center, 4.0f / 3, 2.0f / 3, 0);
  EXPECT_NEAR(radius, std::sqrt(68.0f) / 3, 1e-5f);
}

TEST(BoundingSphere, RefusesNoPointsOrAShortStride) {
  const float packed[] = {1, 2, 3, 4, 5, 6};
  float center[3] = {9, 9, 9};
  float radius = 9;
  EXPECT_FALSE(
      ComputeBoundingSphere(reinterpret_cast<const uint8_t*>(packed), 0, 12, center, &radius));
  ExpectVec3(center, 0, 0, 0);
  EXPECT_EQ(radius, 0.0f);
  center[0] = radius = 9;
  EXPECT_FALSE(
      ComputeBoundingSphere(reinterpret_cast<const uint8_t*>(packed), 2, 8, center, &radius));
  ExpectVec3(center, 0, 0, 0);
  EXPECT_EQ(radius, 0.0f);
}

TEST(Adjacency, QuadSharesItsDiagonal) {
  std::vector<uint32_t> adjacency(6);
  ComputeAdjacency(kQuadIndices.data(), 2, adjacency.data());
  EXPECT_EQ(adjacency, (std::vector<uint32_t>{kNoAdjacentFace, kNoAdjacentFace, 1, 0,
                                              kNoAdjacentFace, kNoAdjacentFace}));
}

TEST(Adjacency, ClosedTetrahedron) {
  const std::vector<uint32_t> indices = {0, 1, 2, 0, 3, 1, 1, 3, 2, 2, 3, 0};
  std::vector<uint32_t> adjacency(12);
  ComputeAdjacency(indices.data(), 4, adjacency.data());
  EXPECT_EQ(adjacency, (std::vector<uint32_t>{1, 2, 3, 3, 2, 0, 1, 3, 0, 2, 1, 0}));
}

TEST(Adjacency, DegenerateAndNonManifoldEdges) {
  // Faces 0, 1 and 2 all use edge 0-1; face 3 repeats an index.
  const std::vector<uint32_t> indices = {0, 1, 2, 1, 0, 3, 0, 1, 4, 5, 5, 6};
  std::vector<uint32_t> adjacency(12, 7);
  ComputeAdjacency(indices.data(), 4, adjacency.data());
  const uint32_t F = kNoAdjacentFace;
  // The first two faces on the edge pair up; the third is left without a partner.
  EXPECT_EQ(adjacency, (std::vector<uint32_t>{1, F, F, 0, F, F, F, F, F, F, F, F}));
}

}  // namespace
}  // namespace ember

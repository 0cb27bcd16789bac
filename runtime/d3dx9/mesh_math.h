// Mesh arithmetic over strided vertex arrays: each attribute is given by a pointer to the first
// vertex's floats and the byte distance between vertices, so these run directly on a locked
// interleaved vertex buffer. Reads and writes make no alignment assumption; outputs touch only
// their own floats of each vertex. Triangles with an index at or past the vertex count are
// ignored.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ember {

constexpr uint32_t kNoAdjacentFace = 0xFFFFFFFFu;

// Direct3D is left-handed with clockwise front faces, so a face's normal is
// normalize(cross(v1 - v0, v2 - v0)). A vertex's normal is the normalised sum of the normals of
// its faces, each weighted by the face's angle at that vertex; (0, 0, 0) for a vertex that no
// (non-degenerate) face uses.
void ComputeVertexNormals(const uint8_t* positions, size_t stride, uint32_t vertexCount,
                          const uint32_t* indices, uint32_t triangleCount, uint8_t* normalsOut,
                          size_t normalStride);

// Per-vertex tangent (direction of increasing u) and binormal (direction of increasing v) by
// Lengyel's method: per-triangle directions summed at each vertex, then made orthonormal
// against the vertex normal (tangent first, then binormal). u and v are the first two floats at
// `texcoords`. With `wrapUV`, a coordinate difference is taken the short way around the
// texture (0.9 to 0.1 is +0.2). Where the mapping gives no direction, the tangent is some unit
// vector perpendicular to the normal and the binormal cross(normal, tangent): never NaN.
void ComputeTangentFrame(const uint8_t* positions, size_t positionStride, const uint8_t* normals,
                         size_t normalStride, const uint8_t* texcoords, size_t texcoordStride,
                         uint32_t vertexCount, const uint32_t* indices, uint32_t triangleCount,
                         bool wrapUV, uint8_t* tangentsOut, size_t tangentStride,
                         uint8_t* binormalsOut, size_t binormalStride);

// Centre: the average of the positions; radius: the largest distance from it. False, with a
// zero centre and radius, when there is no position or the stride is below 12 bytes.
bool ComputeBoundingSphere(const uint8_t* firstPosition, uint32_t count, size_t stride,
                           float center[3], float* radius);

// Three entries per face: the face across edge v0v1, v1v2 and v2v0, or kNoAdjacentFace.
// Edges match by their two vertex indices in either order. An edge shared by more than two
// faces links them in pairs, in face order, so the result stays symmetric. Degenerate faces
// (a repeated index) have no neighbours.
void ComputeAdjacency(const uint32_t* indices, uint32_t triangleCount, uint32_t* adjacency);

}  // namespace ember

// Reader for DirectX .X mesh files in the text format: every mesh of the file, placed by its
// enclosing frames, merged into one triangle mesh with per-triangle material ids.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ember {

// Files (and in-memory texts) larger than this are refused before anything is read or allocated.
constexpr size_t kMaxXFileBytes = 64u * 1024u * 1024u;

struct XMaterial {
  float diffuse[4];  // the X file's faceColor, RGBA
  float power;
  float specular[3];
  float emissive[3];
  std::string textureFile;  // as written in the file, empty when the material has none
};

struct XMesh {
  std::vector<float> positions;      // 3 per vertex
  std::vector<float> normals;        // 3 per vertex, or empty when no mesh of the file has normals
  std::vector<float> texcoords;      // 2 per vertex, or empty when no mesh of the file has them
  std::vector<uint32_t> indices;     // 3 per triangle
  std::vector<uint32_t> attributes;  // material id per triangle, ascending
  std::vector<XMaterial> materials;  // at least one

  uint32_t VertexCount() const { return static_cast<uint32_t>(positions.size() / 3); }
  uint32_t TriangleCount() const { return static_cast<uint32_t>(indices.size() / 3); }
};

// Parses a text X file held in memory. On failure returns false, leaves `out` empty and puts a
// message such as "line 12: face index 9 out of range (8 vertices)" in `error`.
bool ParseXFile(const char* text, size_t size, XMesh& out, std::string& error);

// Reads and parses the file at a POSIX path; errors are prefixed with the path.
bool LoadXFile(const char* path, XMesh& out, std::string& error);

}  // namespace ember

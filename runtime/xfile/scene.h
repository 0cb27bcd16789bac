// What the X parser reads from a file, before meshes are placed and merged: the frame tree and
// each mesh as the file states it (polygons, per-corner normal indices, unresolved references).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/xfile/xfile.h"

namespace ember {

struct XFrame {
  int parent = -1;  // index into XScene::frames, -1 for a top-level frame
  float matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

// A material slot of a mesh's material list: the material itself, or a reference to a
// named one that is looked up once the whole file is read.
struct XMaterialSlot {
  bool isReference = false;
  std::string name;  // reference by name
  std::string guid;  // reference by GUID, used when the name is empty
  uint32_t line = 0;
  XMaterial material{};
};

struct XNamedMaterial {
  std::string name;
  std::string guid;
  XMaterial material;
};

struct XRawMesh {
  int frame = -1;                // enclosing frame, -1 at the top level
  std::vector<float> positions;  // 3 per vertex
  std::vector<uint32_t> faceStart =
      std::vector<uint32_t>(1, 0);  // first corner of each face, then the end
  std::vector<uint32_t> corners;    // vertex index of each face corner
  bool hasNormals = false;
  std::vector<float> normals;           // 3 per normal
  std::vector<uint32_t> normalCorners;  // normal index of each face corner
  bool hasTexcoords = false;
  std::vector<float> texcoords;  // 2 per vertex
  bool hasMaterials = false;
  std::vector<uint32_t> faceMaterials;  // one per face
  std::vector<XMaterialSlot> materials;

  uint32_t VertexCount() const { return static_cast<uint32_t>(positions.size() / 3); }
  uint32_t FaceCount() const { return static_cast<uint32_t>(faceStart.size() - 1); }
};

struct XScene {
  std::vector<XFrame> frames;
  std::vector<XRawMesh> meshes;
  std::vector<XNamedMaterial> namedMaterials;
};

// Reads the header and the objects of a text X file.
bool ParseXScene(const char* text, size_t size, XScene& scene, std::string& error);

// Places every mesh by its frames, splits vertices whose corners use different normals,
// triangulates, merges and sorts the triangles by material.
bool BuildXMesh(const XScene& scene, XMesh& out, std::string& error);

}  // namespace ember

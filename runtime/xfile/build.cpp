// From the file's frames and meshes to one placed, triangulated, attribute-sorted mesh.
#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numeric>
#include <unordered_map>

#include "runtime/xfile/scene.h"

namespace ember {

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;

// Row-major, row vectors: a point p goes to p * m, the translation in the fourth row.
struct Transform {
  double m[16];
  double normal[9];  // inverse transpose of the upper 3x3, up to a positive factor

  void Place(const float* p, float* out) const {
    for (int c = 0; c < 3; ++c)
      out[c] = static_cast<float>(p[0] * m[c] + p[1] * m[4 + c] + p[2] * m[8 + c] + m[12 + c]);
  }

  void PlaceNormal(const float* n, float* out) const {
    double v[3];
    for (int c = 0; c < 3; ++c)
      v[c] = n[0] * normal[c] + n[1] * normal[3 + c] + n[2] * normal[6 + c];
    double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (int c = 0; c < 3; ++c) out[c] = length > 0 ? static_cast<float>(v[c] / length) : 0.0f;
  }
};

// The frames from the innermost out: a point is v * Inner * ... * Outer.
Transform FrameTransform(const XScene& scene, int frame) {
  Transform t{};
  for (int i = 0; i < 4; ++i) t.m[i * 5] = 1;
  for (int f = frame; f >= 0; f = scene.frames[static_cast<size_t>(f)].parent) {
    const float* outer = scene.frames[static_cast<size_t>(f)].matrix;
    double product[16];
    for (int r = 0; r < 4; ++r) {
      for (int c = 0; c < 4; ++c) {
        double sum = 0;
        for (int k = 0; k < 4; ++k) sum += t.m[r * 4 + k] * outer[k * 4 + c];
        product[r * 4 + c] = sum;
      }
    }
    std::copy(product, product + 16, t.m);
  }
  // The cofactor matrix is the inverse transpose times the determinant; its sign is kept so
  // that a mirroring frame still turns normals the right way.
  auto a = [&t](int r, int c) { return t.m[(r % 3) * 4 + (c % 3)]; };
  double det = 0;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      t.normal[r * 3 + c] = a(r + 1, c + 1) * a(r + 2, c + 2) - a(r + 1, c + 2) * a(r + 2, c + 1);
    }
  }
  for (int c = 0; c < 3; ++c) det += a(0, c) * t.normal[c];
  if (det < 0) {
    for (double& v : t.normal) v = -v;
  }
  return t;
}

// Output vertices of one mesh: the file's vertices first, then a copy of a vertex for each
// further normal its corners use, as D3DX splits them.
struct SplitVertices {
  std::vector<uint32_t> source;  // file vertex of each output vertex
  std::vector<uint32_t> normal;  // normal index of each output vertex, kNone when unused
  std::vector<uint32_t> cornerVertex;
};

// Normals written once per corner often repeat the same vector under different indices;
// equal vectors must not split a vertex.
std::vector<uint32_t> DistinctNormals(const XRawMesh& mesh) {
  std::map<std::array<float, 3>, uint32_t> first;
  uint32_t count = static_cast<uint32_t>(mesh.normals.size() / 3);
  std::vector<uint32_t> canonical(count);
  for (uint32_t i = 0; i < count; ++i) {
    std::array<float, 3> key{mesh.normals[i * 3], mesh.normals[i * 3 + 1], mesh.normals[i * 3 + 2]};
    canonical[i] = first.emplace(key, i).first->second;
  }
  return canonical;
}

SplitVertices SplitByNormal(const XRawMesh& mesh) {
  SplitVertices split;
  uint32_t vertexCount = mesh.VertexCount();
  split.source.resize(vertexCount);
  std::iota(split.source.begin(), split.source.end(), 0u);
  split.normal.assign(vertexCount, kNone);
  split.cornerVertex.resize(mesh.corners.size());
  if (!mesh.hasNormals) {
    split.cornerVertex = mesh.corners;
    return split;
  }
  std::vector<uint32_t> canonical = DistinctNormals(mesh);
  std::unordered_map<uint64_t, uint32_t> copies;
  for (size_t c = 0; c < mesh.corners.size(); ++c) {
    uint32_t v = mesh.corners[c];
    uint32_t n = canonical[mesh.normalCorners[c]];
    if (split.normal[v] == kNone) split.normal[v] = n;
    if (split.normal[v] == n) {
      split.cornerVertex[c] = v;
      continue;
    }
    uint64_t key = (uint64_t(v) << 32) | n;
    auto found = copies.find(key);
    if (found == copies.end()) {
      found = copies.emplace(key, static_cast<uint32_t>(split.source.size())).first;
      split.source.push_back(v);
      split.normal.push_back(n);
    }
    split.cornerVertex[c] = found->second;
  }
  return split;
}

bool ResolveMaterial(const XScene& scene, const XMaterialSlot& slot, XMaterial& out,
                     std::string& error) {
  if (!slot.isReference) {
    out = slot.material;
    return true;
  }
  for (const XNamedMaterial& named : scene.namedMaterials) {
    bool match = slot.name.empty() ? named.guid == slot.guid : named.name == slot.name;
    if (match) {
      out = named.material;
      return true;
    }
  }
  std::string what = slot.name.empty() ? "<" + slot.guid + ">" : "'" + slot.name + "'";
  error = "line " + std::to_string(slot.line) + ": material " + what + " not found";
  return false;
}

class MeshMerger {
 public:
  MeshMerger(const XScene& scene, XMesh& out) : scene_(scene), out_(out) {
    for (const XRawMesh& mesh : scene.meshes) {
      withNormals_ = withNormals_ || mesh.hasNormals;
      withTexcoords_ = withTexcoords_ || mesh.hasTexcoords;
    }
  }

  bool Add(const XRawMesh& mesh, std::string& error) {
    uint32_t materialBase = static_cast<uint32_t>(out_.materials.size());
    for (const XMaterialSlot& slot : mesh.materials) {
      XMaterial material;
      if (!ResolveMaterial(scene_, slot, material, error)) return false;
      out_.materials.push_back(std::move(material));
    }
    uint32_t vertexBase = out_.VertexCount();
    SplitVertices split = SplitByNormal(mesh);
    AddVertices(mesh, split);
    for (uint32_t face = 0; face < mesh.FaceCount(); ++face) {
      uint32_t first = mesh.faceStart[face];
      uint32_t end = mesh.faceStart[face + 1];
      uint32_t attribute = mesh.hasMaterials ? materialBase + mesh.faceMaterials[face] : 0;
      for (uint32_t corner = first + 1; corner + 1 < end; ++corner) {
        out_.indices.push_back(vertexBase + split.cornerVertex[first]);
        out_.indices.push_back(vertexBase + split.cornerVertex[corner]);
        out_.indices.push_back(vertexBase + split.cornerVertex[corner + 1]);
        out_.attributes.push_back(attribute);
      }
    }
    return true;
  }

 private:
  void AddVertices(const XRawMesh& mesh, const SplitVertices& split) {
    Transform transform = FrameTransform(scene_, mesh.frame);
    for (size_t j = 0; j < split.source.size(); ++j) {
      uint32_t v = split.source[j];
      float p[3];
      transform.Place(&mesh.positions[size_t(v) * 3], p);
      out_.positions.insert(out_.positions.end(), p, p + 3);
      if (withNormals_) {
        float n[3] = {0, 0, 0};
        if (mesh.hasNormals && split.normal[j] != kNone) {
          transform.PlaceNormal(&mesh.normals[size_t(split.normal[j]) * 3], n);
        }
        out_.normals.insert(out_.normals.end(), n, n + 3);
      }
      if (withTexcoords_) {
        float uv[2] = {0, 0};
        if (mesh.hasTexcoords) {
          uv[0] = mesh.texcoords[size_t(v) * 2];
          uv[1] = mesh.texcoords[size_t(v) * 2 + 1];
        }
        out_.texcoords.insert(out_.texcoords.end(), uv, uv + 2);
      }
    }
  }

  const XScene& scene_;
  XMesh& out_;
  bool withNormals_ = false;
  bool withTexcoords_ = false;
};

// D3DX's attribute-sorted meshes keep each material's faces in one range, in file order.
void SortByAttribute(XMesh& mesh) {
  std::vector<uint32_t> order(mesh.attributes.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&mesh](uint32_t a, uint32_t b) {
    return mesh.attributes[a] < mesh.attributes[b];
  });
  std::vector<uint32_t> indices(mesh.indices.size());
  std::vector<uint32_t> attributes(mesh.attributes.size());
  for (size_t i = 0; i < order.size(); ++i) {
    std::copy_n(&mesh.indices[size_t(order[i]) * 3], 3, &indices[i * 3]);
    attributes[i] = mesh.attributes[order[i]];
  }
  mesh.indices.swap(indices);
  mesh.attributes.swap(attributes);
}

XMaterial DefaultMaterial() {
  XMaterial material{};
  material.diffuse[0] = material.diffuse[1] = material.diffuse[2] = 0.5f;
  material.diffuse[3] = 1.0f;
  return material;
}

}  // namespace

bool BuildXMesh(const XScene& scene, XMesh& out, std::string& error) {
  out = XMesh();
  if (scene.meshes.empty()) {
    error = "the file holds no Mesh";
    return false;
  }
  MeshMerger merger(scene, out);
  for (const XRawMesh& mesh : scene.meshes) {
    if (!merger.Add(mesh, error)) {
      out = XMesh();
      return false;
    }
  }
  if (out.indices.empty()) {
    out = XMesh();
    error = "the file's meshes have no faces";
    return false;
  }
  if (out.materials.empty()) out.materials.push_back(DefaultMaterial());
  SortByAttribute(out);
  return true;
}

}  // namespace ember

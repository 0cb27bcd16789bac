// D3DXLoadMeshFromXA: the X file reader's merged mesh (xfile.h) put into a D3DX mesh, with the
// adjacency, the materials (texture names kept inside the same buffer) and one effect
// instance per material. Instances carry no effect file and no defaults: our X reader does
// not read EffectInstance objects.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "runtime/d3d9/fvf.h"
#include "runtime/d3dx9/mesh.h"
#include "runtime/d3dx9/mesh_math.h"
#include "runtime/win32/win32_internal.h"
#include "runtime/xfile/xfile.h"

namespace ember::d3dx {

namespace {

constexpr size_t kMaxPath = 4096;

void Report(const char* message) {
  char line[1024];
  std::snprintf(line, sizeof line, "D3DXLoadMeshFromX: %s\n", message);
  OutputDebugStringA(line);
}

// What a load makes, released together when a step fails.
struct LoadResults {
  Mesh* mesh = nullptr;
  ID3DXBuffer* adjacency = nullptr;
  ID3DXBuffer* materials = nullptr;
  ID3DXBuffer* effects = nullptr;

  void ReleaseAll() {
    if (mesh) mesh->Release();
    if (adjacency) adjacency->Release();
    if (materials) materials->Release();
    if (effects) effects->Release();
    *this = LoadResults();
  }
};

HRESULT FillVertices(const XMesh& source, Mesh& mesh) {
  void* data = nullptr;
  HRESULT status = mesh.LockVertexBuffer(0, &data);
  if (FAILED(status)) return status;
  uint8_t* out = static_cast<uint8_t*>(data);
  const bool normals = !source.normals.empty(), texcoords = !source.texcoords.empty();
  for (uint32_t v = 0; v < source.VertexCount(); ++v) {
    std::memcpy(out, &source.positions[size_t(v) * 3], 12);
    out += 12;
    if (normals) {
      std::memcpy(out, &source.normals[size_t(v) * 3], 12);
      out += 12;
    }
    if (texcoords) {
      std::memcpy(out, &source.texcoords[size_t(v) * 2], 8);
      out += 8;
    }
  }
  return mesh.UnlockVertexBuffer();
}

HRESULT FillIndices(const XMesh& source, Mesh& mesh) {
  void* data = nullptr;
  HRESULT status = mesh.LockIndexBuffer(0, &data);
  if (FAILED(status)) return status;
  if (mesh.Indices32()) {
    std::memcpy(data, source.indices.data(), source.indices.size() * 4);
  } else {
    uint16_t* out = static_cast<uint16_t*>(data);
    for (size_t i = 0; i < source.indices.size(); ++i) out[i] = uint16_t(source.indices[i]);
  }
  status = mesh.UnlockIndexBuffer();
  std::memcpy(mesh.Attributes(), source.attributes.data(), source.attributes.size() * 4);
  mesh.MarkTableStale();
  return status;
}

D3DCOLORVALUE Colour(const float* rgb, float a) { return D3DCOLORVALUE{rgb[0], rgb[1], rgb[2], a}; }

// An array of D3DXMATERIAL followed by the NUL-terminated texture names they point to.
HRESULT MakeMaterials(const XMesh& source, ID3DXBuffer** buffer) {
  const size_t count = source.materials.size();
  size_t bytes = count * sizeof(D3DXMATERIAL);
  for (const XMaterial& m : source.materials)
    if (!m.textureFile.empty()) bytes += m.textureFile.size() + 1;
  if (bytes > 0xFFFFFFFFu) return E_OUTOFMEMORY;
  HRESULT status = D3DXCreateBuffer(DWORD(bytes), buffer);
  if (FAILED(status)) return status;
  uint8_t* base = static_cast<uint8_t*>((*buffer)->GetBufferPointer());
  D3DXMATERIAL* materials = reinterpret_cast<D3DXMATERIAL*>(base);
  char* names = reinterpret_cast<char*>(base + count * sizeof(D3DXMATERIAL));
  for (size_t i = 0; i < count; ++i) {
    const XMaterial& m = source.materials[i];
    D3DMATERIAL9& out = materials[i].MatD3D;
    out.Diffuse = D3DCOLORVALUE{m.diffuse[0], m.diffuse[1], m.diffuse[2], m.diffuse[3]};
    // X materials have no ambient colour.
    out.Ambient = D3DCOLORVALUE{0.0f, 0.0f, 0.0f, 0.0f};
    out.Specular = Colour(m.specular, 1.0f);
    out.Emissive = Colour(m.emissive, 1.0f);
    out.Power = m.power;
    materials[i].pTextureFilename = nullptr;
    if (m.textureFile.empty()) continue;
    std::memcpy(names, m.textureFile.c_str(), m.textureFile.size() + 1);
    materials[i].pTextureFilename = names;
    names += m.textureFile.size() + 1;
  }
  return D3D_OK;
}

HRESULT MakeAdjacency(const XMesh& source, ID3DXBuffer** buffer) {
  HRESULT status = D3DXCreateBuffer(DWORD(source.indices.size() * 4), buffer);
  if (FAILED(status)) return status;
  ComputeAdjacency(source.indices.data(), source.TriangleCount(),
                   static_cast<uint32_t*>((*buffer)->GetBufferPointer()));
  return D3D_OK;
}

HRESULT Build(const XMesh& source, DWORD options, IDirect3DDevice9* device, bool wantAdjacency,
              bool wantMaterials, bool wantEffects, LoadResults& results) {
  if (source.TriangleCount() == 0) {
    Report("the file has no faces");
    return D3DXERR_INVALIDDATA;
  }
  DWORD fvf = D3DFVF_XYZ;
  if (!source.normals.empty()) fvf |= D3DFVF_NORMAL;
  if (!source.texcoords.empty()) fvf |= D3DFVF_TEX1;
  D3DVERTEXELEMENT9 elements[MAX_FVF_DECL_SIZE];
  d3d9::DeclarationFromFvf(fvf, elements);
  // 16-bit indices unless asked otherwise or the vertices do not fit them.
  if (source.VertexCount() > 0xFFFF) options |= D3DXMESH_32BIT;

  HRESULT status = Mesh::Create(device, source.TriangleCount(), source.VertexCount(), options,
                                elements, &results.mesh);
  if (SUCCEEDED(status)) status = FillVertices(source, *results.mesh);
  if (SUCCEEDED(status)) status = FillIndices(source, *results.mesh);
  if (SUCCEEDED(status) && wantAdjacency) status = MakeAdjacency(source, &results.adjacency);
  if (SUCCEEDED(status) && wantMaterials) status = MakeMaterials(source, &results.materials);
  if (SUCCEEDED(status) && wantEffects)
    status = D3DXCreateBuffer(DWORD(source.materials.size() * sizeof(D3DXEFFECTINSTANCE)),
                              &results.effects);
  return status;
}

}  // namespace

}  // namespace ember::d3dx

HRESULT WINAPI D3DXLoadMeshFromXA(LPCSTR filename, DWORD options, IDirect3DDevice9* device,
                                  ID3DXBuffer** adjacency, ID3DXBuffer** materials,
                                  ID3DXBuffer** effectInstances, DWORD* numMaterials,
                                  ID3DXMesh** mesh) {
  using namespace ember::d3dx;
  if (adjacency) *adjacency = nullptr;
  if (materials) *materials = nullptr;
  if (effectInstances) *effectInstances = nullptr;
  if (mesh) *mesh = nullptr;
  if (!filename || !device || !mesh) return D3DERR_INVALIDCALL;
  char path[kMaxPath];
  if (!ember::win32::ToHostPath(filename, path, sizeof path)) {
    Report("path too long");
    return D3DERR_INVALIDCALL;
  }

  LoadResults results;
  HRESULT status = D3D_OK;
  DWORD materialCount = 0;
  try {
    ember::XMesh source;
    std::string error;
    if (!ember::LoadXFile(path, source, error)) {
      Report(error.c_str());
      return D3DXERR_INVALIDDATA;
    }
    status = Build(source, options, device, adjacency != nullptr, materials != nullptr,
                   effectInstances != nullptr, results);
    materialCount = DWORD(source.materials.size());
  } catch (const std::bad_alloc&) {
    status = E_OUTOFMEMORY;
  }
  if (FAILED(status)) {
    results.ReleaseAll();
    return status;
  }
  *mesh = results.mesh;
  if (adjacency) *adjacency = results.adjacency;
  if (materials) *materials = results.materials;
  if (effectInstances) *effectInstances = results.effects;
  if (numMaterials) *numMaterials = materialCount;
  return D3D_OK;
}

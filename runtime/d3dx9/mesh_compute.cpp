// Normals, tangent frames and bounding spheres over a mesh's locked vertex buffer, through
// the strided arithmetic of mesh_math.h.
#include <new>
#include <vector>

#include "runtime/d3d9/vertex_declaration.h"
#include "runtime/d3dx9/d3dx9mesh.h"
#include "runtime/d3dx9/mesh_math.h"

namespace {

// The element of a usage and index, if it has one of the types given (a bit per type).
const D3DVERTEXELEMENT9* Find(const D3DVERTEXELEMENT9* elements, BYTE usage, DWORD index,
                              unsigned typeMask) {
  for (; !ember::d3d9::IsDeclEnd(*elements); ++elements)
    if (elements->Usage == usage && elements->UsageIndex == index)
      return (typeMask >> elements->Type) & 1 ? elements : nullptr;
  return nullptr;
}

constexpr unsigned kFloat3 = 1u << D3DDECLTYPE_FLOAT3;
constexpr unsigned kFloat3Or4 = kFloat3 | 1u << D3DDECLTYPE_FLOAT4;
constexpr unsigned kFloat2To4 = kFloat3Or4 | 1u << D3DDECLTYPE_FLOAT2;

// The mesh's triangles as 32-bit indices.
HRESULT ReadIndices(ID3DXBaseMesh* mesh, std::vector<uint32_t>& indices) {
  const DWORD count = mesh->GetNumFaces() * 3;
  void* data = nullptr;
  HRESULT status = mesh->LockIndexBuffer(D3DLOCK_READONLY, &data);
  if (FAILED(status)) return status;
  try {
    indices.resize(count);
  } catch (const std::bad_alloc&) {
    mesh->UnlockIndexBuffer();
    return E_OUTOFMEMORY;
  }
  if (mesh->GetOptions() & D3DXMESH_32BIT) {
    const uint32_t* wide = static_cast<const uint32_t*>(data);
    for (DWORD i = 0; i < count; ++i) indices[i] = wide[i];
  } else {
    const uint16_t* narrow = static_cast<const uint16_t*>(data);
    for (DWORD i = 0; i < count; ++i) indices[i] = narrow[i];
  }
  return mesh->UnlockIndexBuffer();
}

}  // namespace

HRESULT WINAPI D3DXComputeNormals(ID3DXBaseMesh* mesh, const DWORD* adjacency) {
  if (!mesh) return D3DERR_INVALIDCALL;
  D3DVERTEXELEMENT9 elements[MAX_FVF_DECL_SIZE];
  HRESULT status = mesh->GetDeclaration(elements);
  if (FAILED(status)) return status;
  const D3DVERTEXELEMENT9* position = Find(elements, D3DDECLUSAGE_POSITION, 0, kFloat3Or4);
  const D3DVERTEXELEMENT9* normal = Find(elements, D3DDECLUSAGE_NORMAL, 0, kFloat3);
  if (!position || !normal) return D3DERR_INVALIDCALL;

  std::vector<uint32_t> indices;
  status = ReadIndices(mesh, indices);
  if (FAILED(status)) return status;
  void* data = nullptr;
  status = mesh->LockVertexBuffer(0, &data);
  if (FAILED(status)) return status;
  uint8_t* vertices = static_cast<uint8_t*>(data);
  const size_t stride = mesh->GetNumBytesPerVertex();
  ember::ComputeVertexNormals(vertices + position->Offset, stride, mesh->GetNumVertices(),
                              indices.data(), mesh->GetNumFaces(), vertices + normal->Offset,
                              stride);
  return mesh->UnlockVertexBuffer();
}

HRESULT WINAPI D3DXComputeTangent(ID3DXMesh* mesh, DWORD texStage, DWORD tangentIndex,
                                  DWORD binormIndex, DWORD wrap, const DWORD* adjacency) {
  if (!mesh) return D3DERR_INVALIDCALL;
  D3DVERTEXELEMENT9 elements[MAX_FVF_DECL_SIZE];
  HRESULT status = mesh->GetDeclaration(elements);
  if (FAILED(status)) return status;
  const D3DVERTEXELEMENT9* position = Find(elements, D3DDECLUSAGE_POSITION, 0, kFloat3Or4);
  const D3DVERTEXELEMENT9* normal = Find(elements, D3DDECLUSAGE_NORMAL, 0, kFloat3);
  const D3DVERTEXELEMENT9* texcoord = Find(elements, D3DDECLUSAGE_TEXCOORD, texStage, kFloat2To4);
  const D3DVERTEXELEMENT9* tangent = Find(elements, D3DDECLUSAGE_TANGENT, tangentIndex, kFloat3Or4);
  const D3DVERTEXELEMENT9* binormal =
      Find(elements, D3DDECLUSAGE_BINORMAL, binormIndex, kFloat3Or4);
  if (!position || !normal || !texcoord || !tangent) return D3DERR_INVALIDCALL;

  const DWORD vertexCount = mesh->GetNumVertices();
  std::vector<uint32_t> indices;
  std::vector<float> scratchBinormals;
  status = ReadIndices(mesh, indices);
  if (FAILED(status)) return status;
  try {
    if (!binormal) scratchBinormals.resize(size_t(vertexCount) * 3);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  void* data = nullptr;
  status = mesh->LockVertexBuffer(0, &data);
  if (FAILED(status)) return status;
  uint8_t* vertices = static_cast<uint8_t*>(data);
  const size_t stride = mesh->GetNumBytesPerVertex();
  uint8_t* binormals =
      binormal ? vertices + binormal->Offset : reinterpret_cast<uint8_t*>(scratchBinormals.data());
  ember::ComputeTangentFrame(vertices + position->Offset, stride, vertices + normal->Offset, stride,
                             vertices + texcoord->Offset, stride, vertexCount, indices.data(),
                             mesh->GetNumFaces(), wrap != 0, vertices + tangent->Offset, stride,
                             binormals, binormal ? stride : 12);
  return mesh->UnlockVertexBuffer();
}

HRESULT WINAPI D3DXComputeBoundingSphere(const D3DXVECTOR3* firstPosition, DWORD numVertices,
                                         DWORD stride, D3DXVECTOR3* center, FLOAT* radius) {
  if (!firstPosition || !center || !radius || stride < 12) return D3DERR_INVALIDCALL;
  float c[3];
  if (!ember::ComputeBoundingSphere(reinterpret_cast<const uint8_t*>(firstPosition), numVertices,
                                    stride, c, radius))
    return D3DERR_INVALIDCALL;
  *center = D3DXVECTOR3(c[0], c[1], c[2]);
  return D3D_OK;
}

// Cloning a mesh to another vertex layout: each element of the new layout takes the old
// element of the same usage and usage index, converted between float widths (missing
// components 0); an element the old layout lacks is 0, or opaque white for a colour.
#include <cstring>

#include "runtime/d3d9/fvf.h"
#include "runtime/d3d9/vertex_declaration.h"
#include "runtime/d3dx9/mesh.h"

namespace ember::d3dx {

namespace {

// Floats in a FLOATn type; 0 for other types.
UINT FloatCount(BYTE type) { return type <= D3DDECLTYPE_FLOAT4 ? UINT(type) + 1 : 0; }

void FillMissing(const D3DVERTEXELEMENT9& element, uint8_t* out) {
  const UINT size = d3d9::DeclTypeSize(element.Type);
  if (element.Usage != D3DDECLUSAGE_COLOR) {
    std::memset(out, 0, size);
    return;
  }
  if (const UINT floats = FloatCount(element.Type)) {
    const float one = 1.0f;
    for (UINT i = 0; i < floats; ++i) std::memcpy(out + 4 * i, &one, 4);
    return;
  }
  std::memset(out, 0xFF, size);
}

void Convert(BYTE fromType, const uint8_t* from, const D3DVERTEXELEMENT9& to, uint8_t* out) {
  const UINT size = d3d9::DeclTypeSize(to.Type);
  if (fromType == to.Type) {
    std::memcpy(out, from, size);
    return;
  }
  const UINT fromFloats = FloatCount(fromType), toFloats = FloatCount(to.Type);
  if (fromFloats && toFloats) {
    std::memset(out, 0, size);
    std::memcpy(out, from, 4 * (fromFloats < toFloats ? fromFloats : toFloats));
    return;
  }
  FillMissing(to, out);
}

const D3DVERTEXELEMENT9* FindElement(const D3DVERTEXELEMENT9* elements, BYTE usage, BYTE index) {
  for (; !d3d9::IsDeclEnd(*elements); ++elements)
    if (elements->Usage == usage && elements->UsageIndex == index) return elements;
  return nullptr;
}

void CopyVertices(const D3DVERTEXELEMENT9* fromElements, const uint8_t* from, UINT fromStride,
                  const D3DVERTEXELEMENT9* toElements, uint8_t* to, UINT toStride, DWORD count) {
  for (const D3DVERTEXELEMENT9* e = toElements; !d3d9::IsDeclEnd(*e); ++e) {
    const D3DVERTEXELEMENT9* source = FindElement(fromElements, e->Usage, e->UsageIndex);
    for (DWORD v = 0; v < count; ++v) {
      uint8_t* out = to + size_t(v) * toStride + e->Offset;
      if (source)
        Convert(source->Type, from + size_t(v) * fromStride + source->Offset, *e, out);
      else
        FillMissing(*e, out);
    }
  }
}

void CopyIndices(const void* from, bool from32, void* to, bool to32, DWORD count) {
  if (from32 == to32) {
    std::memcpy(to, from, size_t(count) * (to32 ? 4 : 2));
    return;
  }
  for (DWORD i = 0; i < count; ++i) {
    uint32_t value = 0;
    if (from32) {
      std::memcpy(&value, static_cast<const uint8_t*>(from) + size_t(i) * 4, 4);
      const uint16_t narrow = uint16_t(value);
      std::memcpy(static_cast<uint8_t*>(to) + size_t(i) * 2, &narrow, 2);
    } else {
      uint16_t narrow = 0;
      std::memcpy(&narrow, static_cast<const uint8_t*>(from) + size_t(i) * 2, 2);
      value = narrow;
      std::memcpy(static_cast<uint8_t*>(to) + size_t(i) * 4, &value, 4);
    }
  }
}

}  // namespace

HRESULT Mesh::CloneMesh(DWORD options, const D3DVERTEXELEMENT9* declaration,
                        IDirect3DDevice9* device, ID3DXMesh** cloneMesh) {
  if (!cloneMesh) return D3DERR_INVALIDCALL;
  *cloneMesh = nullptr;
  if (!declaration || !device) return D3DERR_INVALIDCALL;
  // More vertices than 16-bit indices reach keep 32-bit indices.
  if (numVertices_ > 0xFFFF) options |= D3DXMESH_32BIT;
  Mesh* clone = nullptr;
  HRESULT status = Create(device, numFaces_, numVertices_, options, declaration, &clone);
  if (FAILED(status)) return status;

  void* from = nullptr;
  void* to = nullptr;
  status = LockVertexBuffer(D3DLOCK_READONLY, &from);
  if (SUCCEEDED(status)) {
    status = clone->LockVertexBuffer(0, &to);
    if (SUCCEEDED(status)) {
      CopyVertices(elements_, static_cast<const uint8_t*>(from), stride_, clone->elements_,
                   static_cast<uint8_t*>(to), clone->stride_, numVertices_);
      clone->UnlockVertexBuffer();
    }
    UnlockVertexBuffer();
  }
  if (SUCCEEDED(status)) status = LockIndexBuffer(D3DLOCK_READONLY, &from);
  if (SUCCEEDED(status)) {
    status = clone->LockIndexBuffer(0, &to);
    if (SUCCEEDED(status)) {
      CopyIndices(from, Indices32(), to, clone->Indices32(), numFaces_ * 3);
      clone->UnlockIndexBuffer();
    }
    UnlockIndexBuffer();
  }
  if (FAILED(status)) {
    clone->Release();
    return status;
  }
  std::memcpy(clone->attributes_.data(), attributes_.data(), sizeof(DWORD) * numFaces_);
  clone->SetTable(Table());
  *cloneMesh = clone;
  return D3D_OK;
}

HRESULT Mesh::CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device,
                           ID3DXMesh** cloneMesh) {
  if (!cloneMesh) return D3DERR_INVALIDCALL;
  *cloneMesh = nullptr;
  D3DVERTEXELEMENT9 elements[MAX_FVF_DECL_SIZE];
  if (!d3d9::DeclarationFromFvf(fvf, elements)) return D3DERR_INVALIDCALL;
  return CloneMesh(options, elements, device, cloneMesh);
}

}  // namespace ember::d3dx

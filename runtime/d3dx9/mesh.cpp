#include "runtime/d3dx9/mesh.h"

#include <cstring>
#include <new>

#include "runtime/d3d9/fvf.h"

namespace ember::d3dx {

namespace {

// The buffers' pools and usages from the D3DXMESH options of one buffer.
D3DPOOL PoolOf(DWORD options, DWORD systemMem, DWORD managed) {
  if (options & systemMem) return D3DPOOL_SYSTEMMEM;
  if (options & managed) return D3DPOOL_MANAGED;
  return D3DPOOL_DEFAULT;
}

DWORD UsageOf(DWORD options, DWORD writeOnly, DWORD dynamic, DWORD software) {
  DWORD usage = 0;
  if (options & writeOnly) usage |= D3DUSAGE_WRITEONLY;
  if (options & dynamic) usage |= D3DUSAGE_DYNAMIC;
  if (options & software) usage |= D3DUSAGE_SOFTWAREPROCESSING;
  if (options & D3DXMESH_DONOTCLIP) usage |= D3DUSAGE_DONOTCLIP;
  if (options & D3DXMESH_POINTS) usage |= D3DUSAGE_POINTS;
  if (options & D3DXMESH_RTPATCHES) usage |= D3DUSAGE_RTPATCHES;
  if (options & D3DXMESH_NPATCHES) usage |= D3DUSAGE_NPATCHES;
  return usage;
}

}  // namespace

HRESULT Mesh::Create(IDirect3DDevice9* device, DWORD numFaces, DWORD numVertices, DWORD options,
                     const D3DVERTEXELEMENT9* declaration, Mesh** mesh) {
  if (!mesh) return D3DERR_INVALIDCALL;
  *mesh = nullptr;
  if (!device || !declaration || numFaces == 0 || numVertices == 0) return D3DERR_INVALIDCALL;
  const bool indices32 = (options & D3DXMESH_32BIT) != 0;
  if (!indices32 && numVertices > 0xFFFF) return D3DERR_INVALIDCALL;
  // A mesh is one stream.
  UINT count = 0;
  while (count < MAXD3DDECLLENGTH &&
         !(declaration[count].Stream == 0xFF && declaration[count].Type == D3DDECLTYPE_UNUSED)) {
    if (declaration[count].Stream != 0) return D3DERR_INVALIDCALL;
    ++count;
  }
  const UINT stride = D3DXGetDeclVertexSize(declaration, 0);
  if (stride == 0) return D3DERR_INVALIDCALL;
  const uint64_t vertexBytes = uint64_t(numVertices) * stride;
  const uint64_t indexBytes = uint64_t(numFaces) * 3 * (indices32 ? 4 : 2);
  if (vertexBytes > 0xFFFFFFFFu || indexBytes > 0xFFFFFFFFu) return E_OUTOFMEMORY;

  auto* ours = dynamic_cast<d3d9::Device*>(device);
  if (!ours) return D3DERR_INVALIDCALL;
  Mesh* created = new Mesh(ours);
  created->numFaces_ = numFaces;
  created->numVertices_ = numVertices;
  created->options_ = options;
  created->stride_ = stride;
  HRESULT status = device->CreateVertexDeclaration(declaration, &created->declaration_);
  if (SUCCEEDED(status)) {
    created->declaration_->GetDeclaration(created->elements_, &count);
    created->fvf_ = d3d9::FvfFromDeclaration(created->elements_);
    status = device->CreateVertexBuffer(UINT(vertexBytes),
                                        UsageOf(options, D3DXMESH_VB_WRITEONLY, D3DXMESH_VB_DYNAMIC,
                                                D3DXMESH_VB_SOFTWAREPROCESSING),
                                        created->fvf_,
                                        PoolOf(options, D3DXMESH_VB_SYSTEMMEM, D3DXMESH_VB_MANAGED),
                                        &created->vertices_, nullptr);
  }
  if (SUCCEEDED(status))
    status = device->CreateIndexBuffer(UINT(indexBytes),
                                       UsageOf(options, D3DXMESH_IB_WRITEONLY, D3DXMESH_IB_DYNAMIC,
                                               D3DXMESH_IB_SOFTWAREPROCESSING),
                                       indices32 ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                       PoolOf(options, D3DXMESH_IB_SYSTEMMEM, D3DXMESH_IB_MANAGED),
                                       &created->indices_, nullptr);
  if (SUCCEEDED(status)) {
    try {
      created->attributes_.assign(numFaces, 0);
    } catch (const std::bad_alloc&) {
      status = E_OUTOFMEMORY;
    }
  }
  if (FAILED(status)) {
    created->Release();
    return status;
  }
  *mesh = created;
  return D3D_OK;
}

Mesh::~Mesh() {
  if (indices_) indices_->Release();
  if (vertices_) vertices_->Release();
  if (declaration_) declaration_->Release();
}

HRESULT Mesh::GetDeclaration(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) {
  if (!declaration) return D3DERR_INVALIDCALL;
  UINT count = 0;
  return declaration_->GetDeclaration(declaration, &count);
}

HRESULT Mesh::GetVertexBuffer(IDirect3DVertexBuffer9** vertexBuffer) {
  if (!vertexBuffer) return D3DERR_INVALIDCALL;
  vertices_->AddRef();
  *vertexBuffer = vertices_;
  return D3D_OK;
}

HRESULT Mesh::GetIndexBuffer(IDirect3DIndexBuffer9** indexBuffer) {
  if (!indexBuffer) return D3DERR_INVALIDCALL;
  indices_->AddRef();
  *indexBuffer = indices_;
  return D3D_OK;
}

HRESULT Mesh::LockVertexBuffer(DWORD flags, LPVOID* data) {
  return vertices_->Lock(0, 0, data, flags);
}

HRESULT Mesh::UnlockVertexBuffer() { return vertices_->Unlock(); }

HRESULT Mesh::LockIndexBuffer(DWORD flags, LPVOID* data) {
  const HRESULT status = indices_->Lock(0, 0, data, flags);
  if (SUCCEEDED(status)) {
    ++indexLocks_;
    if (!(flags & D3DLOCK_READONLY)) indexLockWrites_ = true;
  }
  return status;
}

HRESULT Mesh::UnlockIndexBuffer() {
  const HRESULT status = indices_->Unlock();
  if (SUCCEEDED(status) && indexLocks_ > 0 && --indexLocks_ == 0 && indexLockWrites_) {
    indexLockWrites_ = false;
    tableStale_ = true;
  }
  return status;
}

HRESULT Mesh::LockAttributeBuffer(DWORD flags, DWORD** data) {
  if (!data || attributesLocked_) return D3DERR_INVALIDCALL;
  attributesLocked_ = true;
  attributeLockWrites_ = !(flags & D3DLOCK_READONLY);
  *data = attributes_.data();
  return D3D_OK;
}

HRESULT Mesh::UnlockAttributeBuffer() {
  if (!attributesLocked_) return D3DERR_INVALIDCALL;
  attributesLocked_ = false;
  if (attributeLockWrites_) tableStale_ = true;
  return D3D_OK;
}

HRESULT Mesh::GetAttributeTable(D3DXATTRIBUTERANGE* attribTable, DWORD* attribTableSize) {
  if (!attribTableSize) return D3DERR_INVALIDCALL;
  const std::vector<D3DXATTRIBUTERANGE>& table = Table();
  *attribTableSize = DWORD(table.size());
  if (attribTable && !table.empty())
    std::memcpy(attribTable, table.data(), table.size() * sizeof table[0]);
  return D3D_OK;
}

const std::vector<D3DXATTRIBUTERANGE>& Mesh::Table() {
  if (tableStale_) RebuildTable();
  return table_;
}

void Mesh::RebuildTable() {
  void* data = nullptr;
  if (FAILED(indices_->Lock(0, 0, &data, D3DLOCK_READONLY))) return;
  const bool wide = Indices32();
  auto index = [&](DWORD i) -> DWORD {
    if (wide) {
      uint32_t value;
      std::memcpy(&value, static_cast<const uint8_t*>(data) + size_t(i) * 4, 4);
      return value;
    }
    uint16_t value;
    std::memcpy(&value, static_cast<const uint8_t*>(data) + size_t(i) * 2, 2);
    return value;
  };
  table_.clear();
  DWORD face = 0;
  while (face < numFaces_) {
    const DWORD id = attributes_[face];
    D3DXATTRIBUTERANGE range{id, face, 0, 0xFFFFFFFFu, 0};
    DWORD lastVertex = 0;
    for (; face < numFaces_ && attributes_[face] == id; ++face) {
      ++range.FaceCount;
      for (DWORD corner = 0; corner < 3; ++corner) {
        const DWORD v = index(face * 3 + corner);
        if (v < range.VertexStart) range.VertexStart = v;
        if (v > lastVertex) lastVertex = v;
      }
    }
    range.VertexCount = lastVertex - range.VertexStart + 1;
    table_.push_back(range);
  }
  indices_->Unlock();
  tableStale_ = false;
}

HRESULT Mesh::DrawSubset(DWORD attribId) {
  bool bound = false;
  for (const D3DXATTRIBUTERANGE& range : Table()) {
    if (range.AttribId != attribId || range.FaceCount == 0) continue;
    if (!bound) {
      HRESULT status = OwnerDevice()->SetVertexDeclaration(declaration_);
      if (SUCCEEDED(status)) status = OwnerDevice()->SetStreamSource(0, vertices_, 0, stride_);
      if (SUCCEEDED(status)) status = OwnerDevice()->SetIndices(indices_);
      if (FAILED(status)) return status;
      bound = true;
    }
    const HRESULT status = OwnerDevice()->DrawIndexedPrimitive(
        D3DPT_TRIANGLELIST, 0, range.VertexStart, range.VertexCount, range.FaceStart * 3,
        range.FaceCount);
    if (FAILED(status)) return status;
  }
  return D3D_OK;
}

}  // namespace ember::d3dx

HRESULT WINAPI D3DXCreateMesh(DWORD numFaces, DWORD numVertices, DWORD options,
                              const D3DVERTEXELEMENT9* declaration, IDirect3DDevice9* device,
                              ID3DXMesh** mesh) {
  if (!mesh) return D3DERR_INVALIDCALL;
  ember::d3dx::Mesh* created = nullptr;
  const HRESULT status =
      ember::d3dx::Mesh::Create(device, numFaces, numVertices, options, declaration, &created);
  *mesh = created;
  return status;
}

HRESULT WINAPI D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf,
                                 IDirect3DDevice9* device, ID3DXMesh** mesh) {
  if (!mesh) return D3DERR_INVALIDCALL;
  *mesh = nullptr;
  D3DVERTEXELEMENT9 elements[MAX_FVF_DECL_SIZE];
  if (!ember::d3d9::DeclarationFromFvf(fvf, elements)) return D3DERR_INVALIDCALL;
  return D3DXCreateMesh(numFaces, numVertices, options, elements, device, mesh);
}

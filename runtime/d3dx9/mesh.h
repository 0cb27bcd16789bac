// ID3DXMesh over device vertex and index buffers, with the attribute buffer and table on the
// CPU. Every mesh has a vertex declaration object, also when a vertex format describes it,
// because the draw path has no fixed-function SetFVF.
#pragma once

#include <vector>

#include "runtime/d3d9/device_child.h"
#include "runtime/d3dx9/d3dx9mesh.h"

namespace ember::d3dx {

class Mesh : public d3d9::DeviceChild<ID3DXMesh> {
 public:
  // Zeroed buffers of the given sizes on the device, laid out by the declaration (one stream).
  // The indices are 32-bit with D3DXMESH_32BIT in the options.
  static HRESULT Create(IDirect3DDevice9* device, DWORD numFaces, DWORD numVertices, DWORD options,
                        const D3DVERTEXELEMENT9* declaration, Mesh** mesh);

  HRESULT DrawSubset(DWORD attribId) override;
  DWORD GetNumFaces() override { return numFaces_; }
  DWORD GetNumVertices() override { return numVertices_; }
  DWORD GetFVF() override { return fvf_; }
  HRESULT GetDeclaration(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) override;
  DWORD GetNumBytesPerVertex() override { return stride_; }
  DWORD GetOptions() override { return options_; }
  HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device,
                       ID3DXMesh** cloneMesh) override;
  HRESULT CloneMesh(DWORD options, const D3DVERTEXELEMENT9* declaration, IDirect3DDevice9* device,
                    ID3DXMesh** cloneMesh) override;
  HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** vertexBuffer) override;
  HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** indexBuffer) override;
  HRESULT LockVertexBuffer(DWORD flags, LPVOID* data) override;
  HRESULT UnlockVertexBuffer() override;
  HRESULT LockIndexBuffer(DWORD flags, LPVOID* data) override;
  HRESULT UnlockIndexBuffer() override;
  HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* attribTable, DWORD* attribTableSize) override;
  HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) override;
  HRESULT UnlockAttributeBuffer() override;

  // For the loader and cloning, which fill a new mesh before anyone else sees it.
  DWORD* Attributes() { return attributes_.data(); }
  const D3DVERTEXELEMENT9* Elements() const { return elements_; }
  bool Indices32() const { return (options_ & D3DXMESH_32BIT) != 0; }
  // The attribute table follows the attribute and index buffers: one range per run of equal
  // ids in the attribute buffer, with the span of vertices its faces use. It is rebuilt when
  // asked for after either buffer was written through the mesh (or the mesh was made).
  void MarkTableStale() { tableStale_ = true; }
  const std::vector<D3DXATTRIBUTERANGE>& Table();
  void SetTable(const std::vector<D3DXATTRIBUTERANGE>& table) {
    table_ = table;
    tableStale_ = false;
  }

 private:
  explicit Mesh(d3d9::Device* device) : DeviceChild(device) { TakeFirstReference(); }
  ~Mesh() override;
  void RebuildTable();

  IDirect3DVertexDeclaration9* declaration_ = nullptr;
  IDirect3DVertexBuffer9* vertices_ = nullptr;
  IDirect3DIndexBuffer9* indices_ = nullptr;
  D3DVERTEXELEMENT9 elements_[MAX_FVF_DECL_SIZE] = {};
  DWORD fvf_ = 0;
  DWORD stride_ = 0;
  DWORD numFaces_ = 0;
  DWORD numVertices_ = 0;
  DWORD options_ = 0;
  std::vector<DWORD> attributes_;
  std::vector<D3DXATTRIBUTERANGE> table_;
  bool attributesLocked_ = false;
  bool attributeLockWrites_ = false;
  unsigned indexLocks_ = 0;
  bool indexLockWrites_ = false;
  bool tableStale_ = true;
};

}  // namespace ember::d3dx

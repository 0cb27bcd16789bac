// D3DX meshes: a vertex buffer, an index buffer of triangle lists and a per-face attribute
// buffer with its attribute table; loading from X files, cloning to another vertex layout,
// normals, tangents and bounding spheres. Constants carry D3DX's documented values.
#pragma once

#include "runtime/d3d9/d3d9.h"
#include "runtime/d3dx9/d3dx9buffer.h"
#include "runtime/d3dx9/d3dx9math.h"

#define MAX_FVF_DECL_SIZE (MAXD3DDECLLENGTH + 1)

#ifndef D3DXERR_INVALIDDATA
#define D3DXERR_INVALIDDATA ((HRESULT)0x88760B59L)
#endif

enum D3DXMESH : DWORD {
  D3DXMESH_32BIT = 0x001,
  D3DXMESH_DONOTCLIP = 0x002,
  D3DXMESH_POINTS = 0x004,
  D3DXMESH_RTPATCHES = 0x008,
  D3DXMESH_NPATCHES = 0x4000,
  D3DXMESH_VB_SYSTEMMEM = 0x010,
  D3DXMESH_VB_MANAGED = 0x020,
  D3DXMESH_VB_WRITEONLY = 0x040,
  D3DXMESH_VB_DYNAMIC = 0x080,
  D3DXMESH_VB_SOFTWAREPROCESSING = 0x8000,
  D3DXMESH_IB_SYSTEMMEM = 0x100,
  D3DXMESH_IB_MANAGED = 0x200,
  D3DXMESH_IB_WRITEONLY = 0x400,
  D3DXMESH_IB_DYNAMIC = 0x800,
  D3DXMESH_IB_SOFTWAREPROCESSING = 0x10000,
  D3DXMESH_VB_SHARE = 0x1000,
  D3DXMESH_USEHWONLY = 0x2000,
  D3DXMESH_SYSTEMMEM = 0x110,
  D3DXMESH_MANAGED = 0x220,
  D3DXMESH_WRITEONLY = 0x440,
  D3DXMESH_DYNAMIC = 0x880,
  D3DXMESH_SOFTWAREPROCESSING = 0x18000,
};

// Direct3D's material colours, as D3DX hands them back from a file.
struct D3DCOLORVALUE {
  float r, g, b, a;
};

struct D3DMATERIAL9 {
  D3DCOLORVALUE Diffuse;
  D3DCOLORVALUE Ambient;
  D3DCOLORVALUE Specular;
  D3DCOLORVALUE Emissive;
  float Power;
};

struct D3DXMATERIAL {
  D3DMATERIAL9 MatD3D;
  LPSTR pTextureFilename;  // null when the material has no texture
};

enum D3DXEFFECTDEFAULTTYPE : DWORD {
  D3DXEDT_STRING = 1,
  D3DXEDT_FLOATS = 2,
  D3DXEDT_DWORD = 3,
  D3DXEDT_FORCEDWORD = 0x7fffffff
};

struct D3DXEFFECTDEFAULT {
  LPSTR pParamName;
  D3DXEFFECTDEFAULTTYPE Type;
  DWORD NumBytes;
  LPVOID pValue;
};

struct D3DXEFFECTINSTANCE {
  LPSTR pEffectFilename;
  DWORD NumDefaults;
  D3DXEFFECTDEFAULT* pDefaults;
};

struct D3DXATTRIBUTERANGE {
  DWORD AttribId;
  DWORD FaceStart;
  DWORD FaceCount;
  DWORD VertexStart;
  DWORD VertexCount;
};

struct ID3DXMesh;

struct ID3DXBaseMesh : IUnknown {
  // Draws the faces of every attribute table range with this id, with the mesh's own vertex
  // declaration, vertex buffer (stream 0) and index buffer, which stay set on the device.
  virtual HRESULT DrawSubset(DWORD attribId) = 0;
  virtual DWORD GetNumFaces() = 0;
  virtual DWORD GetNumVertices() = 0;
  // 0 when no flexible vertex format describes the mesh's layout.
  virtual DWORD GetFVF() = 0;
  virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) = 0;
  virtual DWORD GetNumBytesPerVertex() = 0;
  virtual DWORD GetOptions() = 0;
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  virtual HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device,
                               ID3DXMesh** cloneMesh) = 0;
  virtual HRESULT CloneMesh(DWORD options, const D3DVERTEXELEMENT9* declaration,
                            IDirect3DDevice9* device, ID3DXMesh** cloneMesh) = 0;
  virtual HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** vertexBuffer) = 0;
  virtual HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** indexBuffer) = 0;
  virtual HRESULT LockVertexBuffer(DWORD flags, LPVOID* data) = 0;
  virtual HRESULT UnlockVertexBuffer() = 0;
  virtual HRESULT LockIndexBuffer(DWORD flags, LPVOID* data) = 0;
  virtual HRESULT UnlockIndexBuffer() = 0;
  // With a null table, only the entry count.
  virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* attribTable, DWORD* attribTableSize) = 0;
};

struct ID3DXMesh : ID3DXBaseMesh {
  virtual HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) = 0;
  // After a write, the attribute table is rebuilt from the runs of equal attribute ids.
  virtual HRESULT UnlockAttributeBuffer() = 0;
};

typedef ID3DXBaseMesh* LPD3DXBASEMESH;
typedef ID3DXMesh* LPD3DXMESH;
typedef D3DXMATERIAL* LPD3DXMATERIAL;
typedef D3DXEFFECTINSTANCE* LPD3DXEFFECTINSTANCE;

// Every mesh of a text X file, placed by its frames, as one mesh with the file's normals and
// texture coordinates (D3DFVF_XYZ, D3DFVF_NORMAL, D3DFVF_TEX1 as present), 16-bit indices when
// the vertices fit them, faces sorted by material. Adjacency, materials, effect instances and
// the material count are optional outputs.
HRESULT WINAPI D3DXLoadMeshFromXA(LPCSTR filename, DWORD options, IDirect3DDevice9* device,
                                  ID3DXBuffer** adjacency, ID3DXBuffer** materials,
                                  ID3DXBuffer** effectInstances, DWORD* numMaterials,
                                  ID3DXMesh** mesh);
// A mesh with zeroed vertices, indices and attributes.
HRESULT WINAPI D3DXCreateMesh(DWORD numFaces, DWORD numVertices, DWORD options,
                              const D3DVERTEXELEMENT9* declaration, IDirect3DDevice9* device,
                              ID3DXMesh** mesh);
HRESULT WINAPI D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf,
                                 IDirect3DDevice9* device, ID3DXMesh** mesh);

// Vertex normals from the faces sharing each vertex, weighted by angle. The adjacency is not
// needed: faces meet where they share vertex indices.
HRESULT WINAPI D3DXComputeNormals(ID3DXBaseMesh* mesh, const DWORD* adjacency);
// Tangents (along +u) and binormals (along +v) from texture coordinate set texStage, into the
// TANGENT and BINORMAL elements of those usage indices (a mesh without the binormal gets only
// tangents); wrap takes each coordinate difference the short way around.
HRESULT WINAPI D3DXComputeTangent(ID3DXMesh* mesh, DWORD texStage, DWORD tangentIndex,
                                  DWORD binormIndex, DWORD wrap, const DWORD* adjacency);
HRESULT WINAPI D3DXComputeBoundingSphere(const D3DXVECTOR3* firstPosition, DWORD numVertices,
                                         DWORD stride, D3DXVECTOR3* center, FLOAT* radius);

UINT WINAPI D3DXGetFVFVertexSize(DWORD fvf);
HRESULT WINAPI D3DXDeclaratorFromFVF(DWORD fvf, D3DVERTEXELEMENT9 declarator[MAX_FVF_DECL_SIZE]);
HRESULT WINAPI D3DXFVFFromDeclarator(const D3DVERTEXELEMENT9* declarator, DWORD* fvf);
// Bytes per vertex of one stream of a declaration.
UINT WINAPI D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* declaration, DWORD stream);

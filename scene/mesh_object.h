// The flame mesh: loaded from its X file into the 64-byte flame vertex layout, and the scene
// object that owns its world transform.
#pragma once

#include "video/graphics.h"

class SceneObject;

struct MeshContainer : D3DXMESHCONTAINER {
  MeshContainer();

  void SetNext(MeshContainer* container) { next = container; }
  MeshContainer* GetNext() const { return next; }
  void SetOwner(SceneObject* object) { owner = object; }

  D3DXATTRIBUTERANGE* attributeTable;
  IDirect3DVertexBuffer9* vertexBuffer;
  IDirect3DIndexBuffer9* indexBuffer;
  IDirect3DVertexDeclaration9* vertexDeclaration;
  SceneObject* owner;
  MeshContainer* next;
  // The loader's buffers, which hold the arrays above them; kept while the record lives.
  ID3DXBuffer* adjacencyBuffer;
  ID3DXBuffer* materialBuffer;
  ID3DXBuffer* effectBuffer;
};

class SceneObject {
 public:
  SceneObject();

  HRESULT AttachMeshContainer(MeshContainer* container);
  HRESULT ComputeBounds(MeshContainer* container);
  HRESULT UpdateWorldTransform();

  D3DXMATRIX world;
  D3DXMATRIX localMatrix;
  float yaw, pitch, roll;
  D3DXVECTOR3 position;
  D3DXVECTOR3 boundCenter;
  float boundRadius;
  MeshContainer* meshContainers;
};

// The flame vertex layout: position, normal, 3-component texture coordinate, tangent,
// binormal and colour, 64 bytes.
extern const D3DVERTEXELEMENT9 g_flameVertexElements[7];

extern MeshContainer* g_flameMesh;
extern SceneObject g_flameObject;

HRESULT LoadMeshContainer(MeshContainer** container, IDirect3DDevice9* device, const char* path);
// Releases the record with everything it holds, and clears the pointer.
void ReleaseMeshContainer(MeshContainer*& container);

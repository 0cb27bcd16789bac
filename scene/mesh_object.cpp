#include "scene/mesh_object.h"

#include <cstring>
#include <new>

#include "app/app_state.h"

MeshContainer* g_flameMesh = nullptr;
SceneObject g_flameObject;

const D3DVERTEXELEMENT9 g_flameVertexElements[7] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {0, 36, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 48, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BINORMAL, 0},
    {0, 60, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    D3DDECL_END()};

MeshContainer::MeshContainer()
    : attributeTable(nullptr),
      vertexBuffer(nullptr),
      indexBuffer(nullptr),
      vertexDeclaration(nullptr),
      owner(nullptr),
      next(nullptr),
      adjacencyBuffer(nullptr),
      materialBuffer(nullptr),
      effectBuffer(nullptr) {
  Name = nullptr;
  MeshData.Type = D3DXMESHTYPE_MESH;
  MeshData.pMesh = nullptr;
  pMaterials = nullptr;
  pEffects = nullptr;
  NumMaterials = 0;
  pAdjacency = nullptr;
  pSkinInfo = nullptr;
  pNextMeshContainer = nullptr;
}

namespace {

void* BufferData(ID3DXBuffer* buffer) { return buffer ? buffer->GetBufferPointer() : nullptr; }

}  // namespace

HRESULT LoadMeshContainer(MeshContainer** container, IDirect3DDevice9* device, const char* path) {
  if (!container || !device || !path) return E_FAIL;

  IDirect3DVertexDeclaration9* declaration = nullptr;
  device->CreateVertexDeclaration(g_flameVertexElements, &declaration);

  ID3DXBuffer* adjacency = nullptr;
  ID3DXBuffer* materials = nullptr;
  ID3DXBuffer* effects = nullptr;
  DWORD materialCount = 0;
  ID3DXMesh* loaded = nullptr;
  HRESULT hr = D3DXLoadMeshFromXA(path, D3DXMESH_SYSTEMMEM, device, &adjacency, &materials,
                                  &effects, &materialCount, &loaded);
  if (FAILED(hr)) {
    if (declaration) declaration->Release();
    return hr;
  }

  DWORD entries = 0;
  loaded->GetAttributeTable(nullptr, &entries);
  D3DXATTRIBUTERANGE* table = new D3DXATTRIBUTERANGE[entries ? entries : 1];
  loaded->GetAttributeTable(table, &entries);

  ID3DXMesh* converted = nullptr;
  loaded->CloneMesh(D3DXMESH_SYSTEMMEM, g_flameVertexElements, device, &converted);
  IDirect3DVertexBuffer9* vertices = nullptr;
  IDirect3DIndexBuffer9* indices = nullptr;
  if (converted) {
    converted->GetVertexBuffer(&vertices);
    converted->GetIndexBuffer(&indices);
    D3DXComputeNormals(converted, nullptr);
    D3DXComputeTangent(converted, 0, 0, 0, TRUE, nullptr);
  }

  MeshContainer* record = new MeshContainer();
  *container = record;
  size_t nameLength = std::strlen(path);
  record->Name = new char[nameLength + 1];
  std::memcpy(record->Name, path, nameLength + 1);
  record->MeshData.Type = D3DXMESHTYPE_MESH;
  record->MeshData.pMesh = converted;
  record->pAdjacency = static_cast<DWORD*>(BufferData(adjacency));
  record->pMaterials = static_cast<D3DXMATERIAL*>(BufferData(materials));
  record->pEffects = static_cast<D3DXEFFECTINSTANCE*>(BufferData(effects));
  record->adjacencyBuffer = adjacency;
  record->materialBuffer = materials;
  record->effectBuffer = effects;
  record->vertexDeclaration = declaration;
  record->indexBuffer = indices;
  record->vertexBuffer = vertices;
  record->NumMaterials = entries;
  record->attributeTable = table;

  loaded->Release();
  return S_OK;
}

void ReleaseMeshContainer(MeshContainer*& container) {
  if (!container) return;
  MeshContainer* c = container;
  if (c->MeshData.pMesh) c->MeshData.pMesh->Release();
  if (c->vertexBuffer) c->vertexBuffer->Release();
  if (c->indexBuffer) c->indexBuffer->Release();
  if (c->vertexDeclaration) c->vertexDeclaration->Release();
  if (c->adjacencyBuffer) c->adjacencyBuffer->Release();
  if (c->materialBuffer) c->materialBuffer->Release();
  if (c->effectBuffer) c->effectBuffer->Release();
  delete[] c->attributeTable;
  delete[] c->Name;
  delete c;
  container = nullptr;
}

SceneObject::SceneObject()
    : yaw(0.0f),
      pitch(0.0f),
      roll(0.0f),
      position(0, 0, 0),
      boundCenter(0, 0, 0),
      boundRadius(0.0f),
      meshContainers(nullptr) {
  D3DXMatrixIdentity(&world);
  D3DXMatrixIdentity(&localMatrix);
}

HRESULT SceneObject::AttachMeshContainer(MeshContainer* container) {
  if (!container) return E_FAIL;
  container->SetOwner(this);
  if (!meshContainers) {
    meshContainers = container;
    return S_OK;
  }
  MeshContainer* last = meshContainers;
  while (last->GetNext()) last = last->GetNext();
  last->SetNext(container);
  return S_OK;
}

HRESULT SceneObject::ComputeBounds(MeshContainer* container) {
  if (!container || !container->MeshData.pMesh) return E_FAIL;
  ID3DXMesh* mesh = container->MeshData.pMesh;
  DWORD fvf = mesh->GetFVF();
  DWORD count = mesh->GetNumVertices();
  // The flame layout has no FVF code: its stride is the mesh's own vertex size.
  DWORD stride = fvf ? D3DXGetFVFVertexSize(fvf) : mesh->GetNumBytesPerVertex();
  void* vertices = nullptr;
  mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices);
  D3DXComputeBoundingSphere(static_cast<const D3DXVECTOR3*>(vertices), count, stride, &boundCenter,
                            &boundRadius);
  return mesh->UnlockVertexBuffer();
}

HRESULT SceneObject::UpdateWorldTransform() {
  D3DXMATRIX t, rx, ry, rz, m;
  D3DXMatrixTranslation(&t, position.x, position.y, position.z);
  D3DXMatrixRotationX(&rx, pitch);
  D3DXMatrixRotationY(&ry, yaw);
  D3DXMatrixRotationZ(&rz, roll);
  D3DXMatrixMultiply(&m, &rx, &ry);
  D3DXMatrixMultiply(&m, &rz, &m);
  D3DXMatrixMultiply(&m, &localMatrix, &m);
  D3DXMatrixMultiply(&world, &m, &t);
  return g_device->SetTransform(D3DTS_WORLD, &world);
}

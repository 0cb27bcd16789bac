// The D3DX mesh container record, as frame hierarchies deliver meshes.
#pragma once

#include "runtime/d3dx9/d3dx9mesh.h"

struct ID3DXSkinInfo;
struct ID3DXPMesh;
struct ID3DXPatchMesh;

enum D3DXMESHDATATYPE : DWORD {
  D3DXMESHTYPE_MESH = 1,
  D3DXMESHTYPE_PMESH = 2,
  D3DXMESHTYPE_PATCHMESH = 3,
};

struct D3DXMESHDATA {
  D3DXMESHDATATYPE Type;
  union {
    ID3DXMesh* pMesh;
    ID3DXPMesh* pPMesh;
    ID3DXPatchMesh* pPatchMesh;
  };
};

struct D3DXMESHCONTAINER {
  LPSTR Name;
  D3DXMESHDATA MeshData;
  D3DXMATERIAL* pMaterials;
  D3DXEFFECTINSTANCE* pEffects;
  DWORD NumMaterials;
  DWORD* pAdjacency;
  ID3DXSkinInfo* pSkinInfo;
  D3DXMESHCONTAINER* pNextMeshContainer;
};

// D3DX's vertex format helpers, over the runtime's own translation (runtime/d3d9/fvf.h).
#include "runtime/d3d9/fvf.h"
#include "runtime/d3d9/vertex_declaration.h"
#include "runtime/d3dx9/d3dx9mesh.h"

UINT WINAPI D3DXGetFVFVertexSize(DWORD fvf) { return ember::d3d9::FvfVertexSize(fvf); }

HRESULT WINAPI D3DXDeclaratorFromFVF(DWORD fvf, D3DVERTEXELEMENT9 declarator[MAX_FVF_DECL_SIZE]) {
  if (!declarator) return D3DERR_INVALIDCALL;
  D3DVERTEXELEMENT9 elements[MAX_FVF_DECL_SIZE];
  if (!ember::d3d9::DeclarationFromFvf(fvf, elements)) return D3DERR_INVALIDCALL;
  for (UINT i = 0; i < MAX_FVF_DECL_SIZE; ++i) {
    declarator[i] = elements[i];
    if (ember::d3d9::IsDeclEnd(elements[i])) break;
  }
  return D3D_OK;
}

HRESULT WINAPI D3DXFVFFromDeclarator(const D3DVERTEXELEMENT9* declarator, DWORD* fvf) {
  if (!declarator || !fvf) return D3DERR_INVALIDCALL;
  *fvf = ember::d3d9::FvfFromDeclaration(declarator);
  // Only the empty declaration has the code 0.
  return *fvf != 0 || ember::d3d9::IsDeclEnd(declarator[0]) ? D3D_OK : D3DERR_INVALIDCALL;
}

UINT WINAPI D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* declaration, DWORD stream) {
  if (!declaration) return 0;
  UINT size = 0;
  for (UINT i = 0; i < MAXD3DDECLLENGTH && !ember::d3d9::IsDeclEnd(declaration[i]); ++i) {
    const D3DVERTEXELEMENT9& e = declaration[i];
    const UINT end = UINT(e.Offset) + ember::d3d9::DeclTypeSize(e.Type);
    if (e.Stream == stream && end > size) size = end;
  }
  return size;
}

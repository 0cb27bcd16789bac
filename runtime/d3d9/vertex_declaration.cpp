#include "runtime/d3d9/vertex_declaration.h"

namespace ember::d3d9 {

UINT DeclTypeSize(BYTE type) {
  switch (type) {
    case D3DDECLTYPE_FLOAT1:
    case D3DDECLTYPE_D3DCOLOR:
    case D3DDECLTYPE_UBYTE4:
    case D3DDECLTYPE_SHORT2:
    case D3DDECLTYPE_UBYTE4N:
    case D3DDECLTYPE_SHORT2N:
    case D3DDECLTYPE_USHORT2N:
    case D3DDECLTYPE_UDEC3:
    case D3DDECLTYPE_DEC3N:
    case D3DDECLTYPE_FLOAT16_2:
      return 4;
    case D3DDECLTYPE_FLOAT2:
    case D3DDECLTYPE_SHORT4:
    case D3DDECLTYPE_SHORT4N:
    case D3DDECLTYPE_USHORT4N:
    case D3DDECLTYPE_FLOAT16_4:
      return 8;
    case D3DDECLTYPE_FLOAT3:
      return 12;
    case D3DDECLTYPE_FLOAT4:
      return 16;
    default:
      return 0;
  }
}

namespace {

bool ValidElement(const D3DVERTEXELEMENT9& e) {
  // GL has no vertex format with UDEC3's or DEC3N's (x, y, z, 1) reading, and the device does
  // not report them in its declaration caps. Tessellation methods need patches we do not draw.
  if (e.Type == D3DDECLTYPE_UDEC3 || e.Type == D3DDECLTYPE_DEC3N) return false;
  return e.Stream < kStreamCount && e.Offset % 4 == 0 && DeclTypeSize(e.Type) != 0 &&
         e.Method == D3DDECLMETHOD_DEFAULT && e.Usage <= D3DDECLUSAGE_SAMPLE &&
         e.UsageIndex <= MAXD3DDECLUSAGEINDEX;
}

}  // namespace

VertexDeclaration* VertexDeclaration::Create(Device* device, const D3DVERTEXELEMENT9* elements,
                                             HRESULT& status) {
  status = D3DERR_INVALIDCALL;
  if (!elements) return nullptr;
  UINT count = 0;
  while (!IsDeclEnd(elements[count])) {
    if (count == MAXD3DDECLLENGTH || !ValidElement(elements[count])) return nullptr;
    for (UINT j = 0; j < count; ++j)
      if (elements[j].Usage == elements[count].Usage &&
          elements[j].UsageIndex == elements[count].UsageIndex)
        return nullptr;
    ++count;
  }

  VertexDeclaration* declaration = new VertexDeclaration(device, device->NextSerial());
  for (UINT i = 0; i <= count; ++i) declaration->elements_[i] = elements[i];
  declaration->count_ = count;
  for (UINT i = 0; i < count; ++i) {
    const D3DVERTEXELEMENT9& e = elements[i];
    declaration->streamMask_ |= 1u << e.Stream;
    const UINT end = UINT(e.Offset) + DeclTypeSize(e.Type);
    if (end > declaration->extent_[e.Stream]) declaration->extent_[e.Stream] = end;
  }
  declaration->TakeFirstReference();
  status = D3D_OK;
  return declaration;
}

VertexDeclaration::~VertexDeclaration() { OwnerDevice()->ForgetDrawResource(Serial()); }

HRESULT VertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* numElements) {
  if (!numElements) return D3DERR_INVALIDCALL;
  *numElements = count_ + 1;
  if (elements)
    for (UINT i = 0; i <= count_; ++i) elements[i] = elements_[i];
  return D3D_OK;
}

}  // namespace ember::d3d9

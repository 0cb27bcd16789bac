// Creating vertex declarations and buffers, and binding them for draws. The device's bindings
// keep the objects alive but not the device (device_child.h).
#include "runtime/d3d9/buffer.h"
#include "runtime/d3d9/device.h"
#include "runtime/d3d9/vertex_declaration.h"

namespace ember::d3d9 {

namespace {

// Swaps what a binding slot holds.
template <class Object>
void Rebind(Object*& slot, Object* object) {
  if (slot == object) return;
  if (object) object->AddBinding();
  Object* old = slot;
  slot = object;
  if (old) old->ReleaseBinding();
}

// The device's own object behind an interface pointer, or null.
template <class Object, class Interface>
Object* Own(Device* device, Interface* object) {
  Object* own = dynamic_cast<Object*>(object);
  return own && own->OwnerDevice() == device ? own : nullptr;
}

template <class Interface, class Object>
HRESULT Hand(Object* object, Interface** out) {
  *out = object;
  if (object) object->AddRef();
  return D3D_OK;
}

}  // namespace

HRESULT Device::CreateVertexDeclaration(const D3DVERTEXELEMENT9* vertexElements,
                                        IDirect3DVertexDeclaration9** declaration) {
  if (!declaration) return D3DERR_INVALIDCALL;
  HRESULT status = D3D_OK;
  *declaration = VertexDeclaration::Create(this, vertexElements, status);
  return status;
}

HRESULT Device::SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) {
  VertexDeclaration* own = Own<VertexDeclaration>(this, declaration);
  if (declaration && !own) return D3DERR_INVALIDCALL;
  Rebind(declaration_, own);
  return D3D_OK;
}

HRESULT Device::GetVertexDeclaration(IDirect3DVertexDeclaration9** declaration) {
  if (!declaration) return D3DERR_INVALIDCALL;
  return Hand(declaration_, declaration);
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer9** vertexBuffer, HANDLE* sharedHandle) {
  if (!vertexBuffer) return D3DERR_INVALIDCALL;
  *vertexBuffer = nullptr;
  // Shared resources belong to Direct3D 9Ex.
  if (sharedHandle) return D3DERR_INVALIDCALL;
  HRESULT status = D3D_OK;
  *vertexBuffer = VertexBuffer::Create(this, length, usage, fvf, pool, status);
  return status;
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle) {
  if (!indexBuffer) return D3DERR_INVALIDCALL;
  *indexBuffer = nullptr;
  if (sharedHandle) return D3DERR_INVALIDCALL;
  HRESULT status = D3D_OK;
  *indexBuffer = IndexBuffer::Create(this, length, usage, format, pool, status);
  return status;
}

HRESULT Device::SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData,
                                UINT offsetInBytes, UINT stride) {
  if (streamNumber >= kStreamCount || stride > caps_.MaxStreamStride || offsetInBytes % 4 != 0)
    return D3DERR_INVALIDCALL;
  VertexBuffer* own = Own<VertexBuffer>(this, streamData);
  if (streamData && !own) return D3DERR_INVALIDCALL;
  StreamSource& stream = streams_[streamNumber];
  Rebind(stream.buffer, own);
  stream.offset = offsetInBytes;
  stream.stride = stride;
  return D3D_OK;
}

HRESULT Device::GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9** streamData,
                                UINT* offsetInBytes, UINT* stride) {
  if (streamNumber >= kStreamCount || !streamData || !offsetInBytes || !stride)
    return D3DERR_INVALIDCALL;
  *offsetInBytes = streams_[streamNumber].offset;
  *stride = streams_[streamNumber].stride;
  return Hand(streams_[streamNumber].buffer, streamData);
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* indexData) {
  IndexBuffer* own = Own<IndexBuffer>(this, indexData);
  if (indexData && !own) return D3DERR_INVALIDCALL;
  Rebind(indices_, own);
  return D3D_OK;
}

HRESULT Device::GetIndices(IDirect3DIndexBuffer9** indexData) {
  if (!indexData) return D3DERR_INVALIDCALL;
  return Hand(indices_, indexData);
}

void Device::DestroyDrawState() {
  Rebind(declaration_, static_cast<VertexDeclaration*>(nullptr));
  for (StreamSource& stream : streams_) Rebind(stream.buffer, static_cast<VertexBuffer*>(nullptr));
  Rebind(indices_, static_cast<IndexBuffer*>(nullptr));
  vertexArrays_.Destroy(gl_);
  screenQuads_.Destroy();
  program_ = 0;
}

}  // namespace ember::d3d9

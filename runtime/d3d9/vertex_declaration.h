// IDirect3DVertexDeclaration9: a validated copy of the element list, with what a draw needs
// to know about each stream it reads.
#pragma once

#include "runtime/d3d9/device_child.h"

namespace ember::d3d9 {

// Bytes one element of the type takes; 0 for D3DDECLTYPE_UNUSED and unknown types.
UINT DeclTypeSize(BYTE type);
inline bool IsDeclEnd(const D3DVERTEXELEMENT9& element) {
  return element.Stream == 0xFF && element.Type == D3DDECLTYPE_UNUSED;
}

class VertexDeclaration : public DeviceChild<IDirect3DVertexDeclaration9> {
 public:
  // Null and D3DERR_INVALIDCALL when Direct3D would refuse the element list.
  static VertexDeclaration* Create(Device* device, const D3DVERTEXELEMENT9* elements,
                                   HRESULT& status);

  HRESULT GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* numElements) override;

  // The elements without the end marker.
  UINT ElementCount() const { return count_; }
  const D3DVERTEXELEMENT9& Element(UINT i) const { return elements_[i]; }
  // Bit s: stream s feeds some element.
  unsigned StreamMask() const { return streamMask_; }
  // How many bytes from a vertex's start the stream's elements reach.
  UINT StreamExtent(UINT stream) const { return extent_[stream]; }

 private:
  VertexDeclaration(Device* device, uint32_t serial) : DeviceChild(device, nullptr, serial) {}
  ~VertexDeclaration() override;

  D3DVERTEXELEMENT9 elements_[MAXD3DDECLLENGTH + 1] = {};
  UINT count_ = 0;
  unsigned streamMask_ = 0;
  UINT extent_[kStreamCount] = {};
};

}  // namespace ember::d3d9

// IDirect3DVertexBuffer9 and IDirect3DIndexBuffer9. Each keeps a CPU copy, which Lock hands
// out, and a GL buffer that the last Unlock brings up to date with what was written.
#pragma once

#include <memory>

#include "runtime/d3d9/device_child.h"
#include "runtime/d3d9/gl.h"

namespace ember::d3d9 {

// Larger buffers are refused before anything is allocated.
constexpr UINT kMaxBufferBytes = 256u << 20;

class BufferStorage {
 public:
  // False when the memory cannot be had.
  bool Create(UINT length, DWORD usage);
  void Destroy();

  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);
  HRESULT Unlock();

  UINT Length() const { return length_; }
  GLuint Name() const { return name_; }
  const uint8_t* Bytes() const { return bytes_.get(); }

 private:
  std::unique_ptr<uint8_t[]> bytes_;
  UINT length_ = 0;
  GLuint name_ = 0;
  unsigned locks_ = 0;
  // The bytes written under the current locks, [begin, end).
  UINT dirtyBegin_ = 0;
  UINT dirtyEnd_ = 0;
};

class VertexBuffer : public DeviceChild<IDirect3DVertexBuffer9> {
 public:
  // Null and the status CreateVertexBuffer answers on failure.
  static VertexBuffer* Create(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                              HRESULT& status);

  D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
  HRESULT Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD flags) override {
    return storage_.Lock(offsetToLock, sizeToLock, data, flags);
  }
  HRESULT Unlock() override { return storage_.Unlock(); }
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;

  UINT Length() const { return storage_.Length(); }
  GLuint GLName() const { return storage_.Name(); }

 private:
  VertexBuffer(Device* device, uint32_t serial) : DeviceChild(device, nullptr, serial) {}
  ~VertexBuffer() override;

  BufferStorage storage_;
  D3DVERTEXBUFFER_DESC desc_{};
};

class IndexBuffer : public DeviceChild<IDirect3DIndexBuffer9> {
 public:
  // Null and the status CreateIndexBuffer answers on failure.
  static IndexBuffer* Create(Device* device, UINT length, DWORD usage, D3DFORMAT format,
                             D3DPOOL pool, HRESULT& status);

  D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
  HRESULT Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD flags) override {
    return storage_.Lock(offsetToLock, sizeToLock, data, flags);
  }
  HRESULT Unlock() override { return storage_.Unlock(); }
  HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;

  UINT Length() const { return storage_.Length(); }
  GLuint GLName() const { return storage_.Name(); }
  UINT IndexSize() const { return desc_.Format == D3DFMT_INDEX32 ? 4 : 2; }
  GLenum IndexType() const {
    return desc_.Format == D3DFMT_INDEX32 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
  }

 private:
  IndexBuffer(Device* device, uint32_t serial) : DeviceChild(device, nullptr, serial) {}
  ~IndexBuffer() override;

  BufferStorage storage_;
  D3DINDEXBUFFER_DESC desc_{};
};

}  // namespace ember::d3d9

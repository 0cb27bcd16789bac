#include "runtime/d3d9/buffer.h"

#include <cstring>
#include <new>

#include "runtime/d3d9/fvf.h"

namespace ember::d3d9 {

bool BufferStorage::Create(UINT length, DWORD usage) {
  bytes_.reset(new (std::nothrow) uint8_t[length]);
  if (!bytes_) return false;
  std::memset(bytes_.get(), 0, length);
  length_ = length;
  glGenBuffers(1, &name_);
  // The copy-write target belongs to no vertex array, so uploads never disturb one.
  glBindBuffer(GL_COPY_WRITE_BUFFER, name_);
  glBufferData(GL_COPY_WRITE_BUFFER, GLsizeiptr(length), bytes_.get(),
               (usage & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
  glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
  return true;
}

void BufferStorage::Destroy() {
  if (name_) glDeleteBuffers(1, &name_);
  name_ = 0;
  bytes_.reset();
  length_ = 0;
}

HRESULT BufferStorage::Lock(UINT offset, UINT size, void** data, DWORD flags) {
  if (!data) return D3DERR_INVALIDCALL;
  *data = nullptr;
  // A size of 0 locks from the offset to the end.
  if (offset > length_ || (size != 0 && size > length_ - offset)) return D3DERR_INVALIDCALL;
  const UINT end = size == 0 ? length_ : offset + size;
  if (!(flags & D3DLOCK_READONLY) && end > offset) {
    if (dirtyBegin_ == dirtyEnd_) {
      dirtyBegin_ = offset;
      dirtyEnd_ = end;
    } else {
      if (offset < dirtyBegin_) dirtyBegin_ = offset;
      if (end > dirtyEnd_) dirtyEnd_ = end;
    }
  }
  ++locks_;
  *data = bytes_.get() + offset;
  return D3D_OK;
}

HRESULT BufferStorage::Unlock() {
  if (locks_ == 0) return D3DERR_INVALIDCALL;
  if (--locks_ > 0 || dirtyBegin_ == dirtyEnd_) return D3D_OK;
  glBindBuffer(GL_COPY_WRITE_BUFFER, name_);
  glBufferSubData(GL_COPY_WRITE_BUFFER, GLintptr(dirtyBegin_), GLsizeiptr(dirtyEnd_ - dirtyBegin_),
                  bytes_.get() + dirtyBegin_);
  glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
  dirtyBegin_ = dirtyEnd_ = 0;
  return D3D_OK;
}

namespace {

// What CreateVertexBuffer and CreateIndexBuffer both refuse.
HRESULT CheckBufferArguments(UINT length, DWORD usage, D3DPOOL pool) {
  const DWORD known = D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC | D3DUSAGE_SOFTWAREPROCESSING |
                      D3DUSAGE_DONOTCLIP | D3DUSAGE_POINTS | D3DUSAGE_RTPATCHES | D3DUSAGE_NPATCHES;
  if (length == 0 || (usage & ~known)) return D3DERR_INVALIDCALL;
  if (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED && pool != D3DPOOL_SYSTEMMEM)
    return D3DERR_INVALIDCALL;
  // Dynamic buffers cannot be managed.
  if (pool == D3DPOOL_MANAGED && (usage & D3DUSAGE_DYNAMIC)) return D3DERR_INVALIDCALL;
  if (length > kMaxBufferBytes) return D3DERR_OUTOFVIDEOMEMORY;
  return D3D_OK;
}

}  // namespace

VertexBuffer* VertexBuffer::Create(Device* device, UINT length, DWORD usage, DWORD fvf,
                                   D3DPOOL pool, HRESULT& status) {
  status = CheckBufferArguments(length, usage, pool);
  if (FAILED(status)) return nullptr;
  // A buffer with a vertex format must hold at least one vertex of it.
  if (fvf != 0 && (!IsValidFvf(fvf) || length < FvfVertexSize(fvf))) {
    status = D3DERR_INVALIDCALL;
    return nullptr;
  }
  VertexBuffer* buffer = new VertexBuffer(device, device->NextSerial());
  if (!buffer->storage_.Create(length, usage)) {
    delete buffer;
    status = E_OUTOFMEMORY;
    return nullptr;
  }
  buffer->desc_ =
      D3DVERTEXBUFFER_DESC{D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf};
  buffer->TakeFirstReference();
  return buffer;
}

VertexBuffer::~VertexBuffer() {
  OwnerDevice()->ForgetDrawResource(Serial());
  storage_.Destroy();
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = desc_;
  return D3D_OK;
}

IndexBuffer* IndexBuffer::Create(Device* device, UINT length, DWORD usage, D3DFORMAT format,
                                 D3DPOOL pool, HRESULT& status) {
  status = CheckBufferArguments(length, usage, pool);
  if (FAILED(status)) return nullptr;
  if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) {
    status = D3DERR_INVALIDCALL;
    return nullptr;
  }
  IndexBuffer* buffer = new IndexBuffer(device, device->NextSerial());
  if (!buffer->storage_.Create(length, usage)) {
    delete buffer;
    status = E_OUTOFMEMORY;
    return nullptr;
  }
  buffer->desc_ = D3DINDEXBUFFER_DESC{format, D3DRTYPE_INDEXBUFFER, usage, pool, length};
  buffer->TakeFirstReference();
  return buffer;
}

IndexBuffer::~IndexBuffer() {
  OwnerDevice()->ForgetDrawResource(Serial());
  storage_.Destroy();
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = desc_;
  return D3D_OK;
}

}  // namespace ember::d3d9

#include <cstring>
#include <new>

#include "runtime/com/com_object.h"
#include "runtime/d3d9/d3d9types.h"
#include "runtime/d3dx9/d3dx9buffer.h"

namespace ember::d3dx {

namespace {

class Buffer : public com::ComObject<ID3DXBuffer> {
 public:
  Buffer(unsigned char* bytes, DWORD size) : bytes_(bytes), size_(size) {}
  ~Buffer() override { delete[] bytes_; }

  LPVOID GetBufferPointer() override { return bytes_; }
  DWORD GetBufferSize() override { return size_; }

 private:
  unsigned char* bytes_;
  DWORD size_;
};

}  // namespace

ID3DXBuffer* CreateTextBuffer(const char* text, size_t length) {
  if (!text || length == 0 || length >= 0xFFFFFFFFu) return nullptr;
  ID3DXBuffer* buffer = nullptr;
  if (FAILED(D3DXCreateBuffer(DWORD(length + 1), &buffer))) return nullptr;
  std::memcpy(buffer->GetBufferPointer(), text, length);
  return buffer;
}

}  // namespace ember::d3dx

HRESULT WINAPI D3DXCreateBuffer(DWORD numBytes, ID3DXBuffer** buffer) {
  if (!buffer) return D3DERR_INVALIDCALL;
  *buffer = nullptr;
  // A size that cannot be had is a status, not an exception.
  unsigned char* bytes = new (std::nothrow) unsigned char[numBytes > 0 ? numBytes : 1]();
  if (!bytes) return E_OUTOFMEMORY;
  *buffer = new ember::d3dx::Buffer(bytes, numBytes);
  return D3D_OK;
}

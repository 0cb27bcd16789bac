// ID3DXBuffer: a block of bytes D3DX hands back, such as a compiler's message text.
#pragma once

#include "runtime/win32/windows.h"

struct ID3DXBuffer : IUnknown {
  virtual LPVOID GetBufferPointer() = 0;
  virtual DWORD GetBufferSize() = 0;
};

typedef ID3DXBuffer* LPD3DXBUFFER;

// A zero-filled buffer of numBytes bytes.
HRESULT WINAPI D3DXCreateBuffer(DWORD numBytes, ID3DXBuffer** buffer);

namespace ember::d3dx {

// A buffer holding `text` and its terminating NUL, as D3DX's message buffers do; null when
// the text is empty.
ID3DXBuffer* CreateTextBuffer(const char* text, size_t length);

}  // namespace ember::d3dx

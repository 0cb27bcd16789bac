// A window and a Direct3D 9 device on the scripted host, for rendering tests.
#pragma once

#include "runtime/d3d9/d3d9.h"
#include "tests/support/test_env.h"

namespace ember::test {

class DeviceFixture {
 public:
  explicit DeviceFixture(bool windowed = true);
  ~DeviceFixture();

  TestEnvironment env;
  HWND window = nullptr;
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  HRESULT createStatus = E_FAIL;

  // The back buffer pixel (x, y) as 0xAARRGGBB, Direct3D's top-left origin.
  uint32_t BackBufferPixel(int x, int y);
};

}  // namespace ember::test

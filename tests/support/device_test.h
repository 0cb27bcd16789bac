// The one device fixture of the tests: a windowed 1024x768 device on the scripted host, for
// tests that draw and read back. Whatever a test did, the device must have seen no GL error
// and nothing the test made may still hold it.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/d3d9/d3d9.h"
#include "runtime/d3d9/device.h"
#include "runtime/d3d9/gl_errors.h"
#include "runtime/host/host.h"
#include "runtime/host/scripted_host.h"
#include "runtime/win32/win32_internal.h"
#include "runtime/win32/windows.h"

namespace ember::test {

class DeviceTest : public ::testing::Test {
 protected:
  // The scripted host's frame puts the 1024x768 client area at (108, 81).
  static constexpr int kClientX = 108, kClientY = 81;

  void SetUp() override { Start(1024, 768); }

  // Starts again with another back buffer size or swap effect.
  void Start(UINT width, UINT height, D3DSWAPEFFECT swapEffect = D3DSWAPEFFECT_DISCARD) {
    Stop();
    host::Install(&host_);
    win32::ResetState();
    debugText_.clear();
    if (captureDebugOutput_)
      win32::SetDebugOutputSink(
          [](const char* text, void* context) { *static_cast<std::string*>(context) += text; },
          &debugText_);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "DeviceTest";
    ASSERT_NE(RegisterClassExA(&windowClass), 0);
    window_ = CreateWindowExA(0, "DeviceTest", "device test", WS_OVERLAPPEDWINDOW, 100, 50, 1040,
                              807, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d_, nullptr);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = width;
    parameters.BackBufferHeight = height;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = swapEffect;
    parameters.hDeviceWindow = window_;
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    parameters.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    ASSERT_EQ(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_,
                                 D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device_),
              D3D_OK);
    width_ = int(width);
    height_ = int(height);
    glErrorsAtStart_ = d3d9::GLErrorCount();
  }

  void TearDown() override { Stop(); }

  void Stop() {
    if (device_) {
      // Whatever the test did, GL saw no invalid call.
      EXPECT_EQ(d3d9::GLErrorCount(), glErrorsAtStart_);
      // The last reference frees the device: nothing the test made may still hold it.
      EXPECT_EQ(device_->Release(), 0u);
    }
    if (d3d_) d3d_->Release();
    if (window_) DestroyWindow(window_);
    device_ = nullptr;
    d3d_ = nullptr;
    window_ = nullptr;
    host::Install(nullptr);
    win32::SetDebugOutputSink(nullptr, nullptr);
  }

  // From the next Start on, the debug output is kept for DebugText instead of going to
  // standard error, where other tests read it.
  void CaptureDebugOutput() { captureDebugOutput_ = true; }
  // What the runtime wrote to the debug output since Start, when captured.
  const std::string& DebugText() const { return debugText_; }

  d3d9::Device& Internal() { return *static_cast<d3d9::Device*>(device_); }

  void Clear(D3DCOLOR color) {
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, color, 1.0f, 0), D3D_OK);
  }

  // The back buffer as 0xAARRGGBB values, top row first.
  std::vector<uint32_t> ReadBackBuffer() {
    std::vector<uint32_t> pixels;
    IDirect3DSurface9* back = nullptr;
    if (device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back) != D3D_OK) return pixels;
    D3DLOCKED_RECT locked{};
    if (back->LockRect(&locked, nullptr, D3DLOCK_READONLY) == D3D_OK) {
      pixels.resize(size_t(width_) * height_);
      for (int y = 0; y < height_; ++y)
        std::memcpy(&pixels[size_t(y) * width_],
                    static_cast<uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch),
                    size_t(width_) * 4);
      back->UnlockRect();
    }
    back->Release();
    return pixels;
  }

  // The back buffer pixel (x, y) as 0xAARRGGBB.
  uint32_t BackBufferPixel(int x, int y) { return ReadBackBuffer()[size_t(y) * width_ + x]; }

  // A pixel's colour without the alpha byte, which an X8R8G8B8 back buffer does not keep.
  uint32_t Rgb(const std::vector<uint32_t>& pixels, int x, int y) const {
    return pixels[size_t(y) * width_ + x] & 0x00FFFFFFu;
  }

  // A managed single-level A8R8G8B8 texture holding the given 0xAARRGGBB texels.
  IDirect3DTexture9* MakeTexture(UINT width, UINT height, const std::vector<uint32_t>& texels,
                                 D3DFORMAT format = D3DFMT_A8R8G8B8, UINT levels = 1) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(device_->CreateTexture(width, height, levels, 0, format, D3DPOOL_MANAGED, &texture,
                                     nullptr),
              D3D_OK);
    if (!texture) return nullptr;
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < height; ++y)
      std::memcpy(static_cast<uint8_t*>(locked.pBits) + y * size_t(locked.Pitch),
                  &texels[size_t(y) * width], size_t(width) * 4);
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    return texture;
  }

  host::ScriptedHost host_;
  HWND window_ = nullptr;
  IDirect3D9* d3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
  int width_ = 0, height_ = 0;
  bool captureDebugOutput_ = false;
  std::string debugText_;
  unsigned long glErrorsAtStart_ = 0;
};

// Sets every pixel of a lockable 32-bit surface to pixel(x, y).
template <class PixelFunction>
void FillSurface(IDirect3DSurface9* surface, PixelFunction pixel) {
  D3DSURFACE_DESC desc{};
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(surface->GetDesc(&desc), D3D_OK);
  ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
  for (UINT y = 0; y < desc.Height; ++y)
    for (UINT x = 0; x < desc.Width; ++x) {
      const uint32_t value = pixel(int(x), int(y));
      std::memcpy(static_cast<uint8_t*>(locked.pBits) + y * size_t(locked.Pitch) + x * 4, &value,
                  4);
    }
  ASSERT_EQ(surface->UnlockRect(), D3D_OK);
}

// The 32-bit pixel at (x, y) of a lockable surface.
inline uint32_t PixelOf(IDirect3DSurface9* surface, int x, int y) {
  D3DLOCKED_RECT locked{};
  if (surface->LockRect(&locked, nullptr, D3DLOCK_READONLY) != D3D_OK) return 0xDEADBEEF;
  uint32_t value;
  std::memcpy(&value, static_cast<const uint8_t*>(locked.pBits) + y * size_t(locked.Pitch) + x * 4,
              4);
  surface->UnlockRect();
  return value;
}

inline uint32_t PixelOf(IDirect3DTexture9* texture, UINT level, int x, int y) {
  IDirect3DSurface9* surface = nullptr;
  if (texture->GetSurfaceLevel(level, &surface) != D3D_OK) return 0xDEADBEEF;
  const uint32_t value = PixelOf(surface, x, y);
  surface->Release();
  return value;
}

// A scratch path unique to this process.
inline std::string TempPath(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/ember_texture_test_" +
         std::to_string(getpid()) + "_" + name;
}

inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

inline bool FileExists(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file) std::fclose(file);
  return file != nullptr;
}

}  // namespace ember::test

// IDirect3DSurface9: the back buffer (pixels in the device's framebuffer) or a surface in
// system memory. Locking the back buffer reads it back; unlocking writes the change.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/d3d9/device_child.h"

namespace ember::d3d9 {

class Device;

class Surface : public DeviceChild<IDirect3DSurface9> {
 public:
  enum class Kind { BackBuffer, Memory };

  // The device's back buffer; its references go to the device.
  static Surface* CreateBackBuffer(Device* device, UINT width, UINT height, D3DFORMAT format,
                                   bool lockable);
  // A plain surface in system memory or the scratch pool; null when the size is absurd.
  static Surface* CreateMemory(Device* device, UINT width, UINT height, D3DFORMAT format,
                               D3DPOOL pool);

  D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
  HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
  HRESULT LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) override;
  HRESULT UnlockRect() override;

  Kind SurfaceKind() const { return kind_; }
  const D3DSURFACE_DESC& Desc() const { return desc_; }
  uint8_t* Bits() { return memory_.data(); }
  size_t Pitch() const { return pitch_; }
  // Changes at every unlock that may have changed the pixels. Values are drawn from one
  // counter for all surfaces, so a generation also tells surfaces apart.
  uint32_t Generation() const { return generation_; }

  static UINT BytesPerPixel(D3DFORMAT format);

 private:
  Surface(Device* device, IUnknown* container, Kind kind);

  Kind kind_;
  D3DSURFACE_DESC desc_{};
  bool lockable_ = true;
  bool locked_ = false;
  DWORD lockFlags_ = 0;
  size_t pitch_ = 0;
  std::vector<uint8_t> memory_;
  uint32_t generation_ = 0;
};

}  // namespace ember::d3d9

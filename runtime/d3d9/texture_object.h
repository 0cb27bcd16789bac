// Textures count their references as every device child does (device_child.h): the program's
// keep the device alive, a device stage's binding keeps only the texture.
#pragma once

#include "runtime/d3d9/d3d9.h"
#include "runtime/d3d9/device.h"
#include "runtime/d3d9/device_child.h"
#include "runtime/d3d9/texture_core.h"

namespace ember::d3d9 {

// What a device stage holds.
class TextureBinding {
 public:
  virtual TextureCore& Core() = 0;
  virtual IDirect3DBaseTexture9* AsBaseTexture() = 0;
  virtual Device* OwnerDevice() = 0;
  virtual void AddBinding() = 0;
  virtual void ReleaseBinding() = 0;

 protected:
  ~TextureBinding() = default;
};

template <class Interface>
class TextureObject : public DeviceChild<Interface>, public TextureBinding {
 public:
  DWORD GetLevelCount() override { return core_.LevelCount(); }

  TextureCore& Core() override { return core_; }
  IDirect3DBaseTexture9* AsBaseTexture() override { return this; }
  Device* OwnerDevice() override { return DeviceChild<Interface>::OwnerDevice(); }
  void AddBinding() override { DeviceChild<Interface>::AddBinding(); }
  void ReleaseBinding() override { DeviceChild<Interface>::ReleaseBinding(); }

 protected:
  explicit TextureObject(Device* device) : DeviceChild<Interface>(device), core_(device) {}

  TextureCore core_;
};

}  // namespace ember::d3d9

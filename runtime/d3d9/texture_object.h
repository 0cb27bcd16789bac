// Reference counting of textures. The program's references keep the device alive, as any
// resource's do (device_child.h). A device stage holding the texture is a binding instead:
// it keeps the texture alive but not the device, so a texture left bound cannot keep its
// device from being destroyed; the device drops its bindings as it goes.
#pragma once

#include "runtime/d3d9/d3d9.h"
#include "runtime/d3d9/device.h"
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
class TextureObject : public Interface, public TextureBinding {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown) {
      AddRef();
      *object = static_cast<Interface*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override {
    if (refs_++ == 0) DeviceInterface()->AddRef();
    return refs_;
  }
  ULONG Release() override {
    if (refs_ == 0) return 0;
    const ULONG left = --refs_;
    if (left == 0) {
      IDirect3DDevice9* device = DeviceInterface();
      if (bindings_ == 0) delete this;
      device->Release();
    }
    return left;
  }
  void AddBinding() override { ++bindings_; }
  void ReleaseBinding() override {
    if (--bindings_ == 0 && refs_ == 0) delete this;
  }

  HRESULT GetDevice(IDirect3DDevice9** device) override {
    if (!device) return D3DERR_INVALIDCALL;
    *device = DeviceInterface();
    (*device)->AddRef();
    return D3D_OK;
  }
  DWORD GetLevelCount() override { return core_.LevelCount(); }

  TextureCore& Core() override { return core_; }
  IDirect3DBaseTexture9* AsBaseTexture() override { return this; }
  Device* OwnerDevice() override { return device_; }

 protected:
  explicit TextureObject(Device* device) : core_(device), device_(device) {}
  virtual ~TextureObject() = default;
  // Created on behalf of the program: the first reference is the caller's.
  void TakeFirstReference() { AddRef(); }

  TextureCore core_;

 private:
  IDirect3DDevice9* DeviceInterface() { return device_; }

  Device* device_;
  ULONG refs_ = 0;
  ULONG bindings_ = 0;
};

}  // namespace ember::d3d9

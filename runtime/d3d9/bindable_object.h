// Reference counting of the objects a device binds for drawing (vertex declarations, vertex and
// index buffers). As with textures (texture_object.h), the program's references keep the device
// alive and the device's binding keeps only the object alive, so an object left bound cannot
// keep its device from being destroyed.
#pragma once

#include "runtime/d3d9/d3d9.h"
#include "runtime/d3d9/device.h"

namespace ember::d3d9 {

template <class Interface>
class BindableObject : public Interface {
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
  void AddBinding() { ++bindings_; }
  void ReleaseBinding() {
    if (--bindings_ == 0 && refs_ == 0) delete this;
  }

  HRESULT GetDevice(IDirect3DDevice9** device) override {
    if (!device) return D3DERR_INVALIDCALL;
    *device = DeviceInterface();
    (*device)->AddRef();
    return D3D_OK;
  }

  Device* OwnerDevice() const { return device_; }
  // Unique over the device's life, unlike an address that a new object may reuse: the
  // device's vertex array cache keys on it.
  uint32_t Serial() const { return serial_; }

 protected:
  BindableObject(Device* device, uint32_t serial) : device_(device), serial_(serial) {}
  virtual ~BindableObject() = default;
  // Created on behalf of the program: the first reference is the caller's.
  void TakeFirstReference() { AddRef(); }

 private:
  IDirect3DDevice9* DeviceInterface() const { return device_; }

  Device* device_;
  uint32_t serial_;
  ULONG refs_ = 0;
  ULONG bindings_ = 0;
};

}  // namespace ember::d3d9

// The base of every object a device makes, in Direct3D 9 and in D3DX: the lifetime of
// com::ChildObject with the device as its parent, and GetDevice written once.
#pragma once

#include <cstdint>

#include "runtime/com/child_object.h"
#include "runtime/d3d9/d3d9.h"
#include "runtime/d3d9/device.h"

namespace ember::d3d9 {

template <class Interface>
class DeviceChild : public com::ChildObject<Interface, IDirect3DDevice9> {
 public:
  HRESULT GetDevice(IDirect3DDevice9** device) override {
    return this->GetParent(device, D3DERR_INVALIDCALL);
  }

  Device* OwnerDevice() const { return owner_; }
  // Unique over the device's life, unlike an address that a new object may reuse: the
  // device's vertex array cache keys on it. Zero for objects nothing caches by identity.
  uint32_t Serial() const { return serial_; }

 protected:
  explicit DeviceChild(Device* device, IUnknown* container = nullptr, uint32_t serial = 0)
      : com::ChildObject<Interface, IDirect3DDevice9>(device, container),
        owner_(device),
        serial_(serial) {}

 private:
  Device* owner_;
  uint32_t serial_;
};

}  // namespace ember::d3d9

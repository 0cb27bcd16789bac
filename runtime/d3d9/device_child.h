// Reference counting of resources: a resource with outside references keeps its device alive,
// as in Direct3D 9. A resource that belongs to a container (the back buffer to its swap chain,
// a texture level to its texture) is deleted by the container, not by its last Release.
#pragma once

#include "runtime/d3d9/d3d9.h"

namespace ember::d3d9 {

template <class Interface>
class DeviceChild : public Interface {
 public:
  DeviceChild(IDirect3DDevice9* device, IUnknown* container)
      : device_(device), container_(container) {}
  virtual ~DeviceChild() = default;

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown) {
      this->AddRef();
      *object = this;
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override {
    if (container_) return container_->AddRef();
    if (refs_++ == 0) device_->AddRef();
    return refs_;
  }
  ULONG Release() override {
    if (container_) return container_->Release();
    if (refs_ == 0) return 0;
    ULONG left = --refs_;
    if (left == 0) {
      IDirect3DDevice9* device = device_;
      delete this;
      device->Release();
    }
    return left;
  }

  IDirect3DDevice9* ParentDevice() const { return device_; }

 protected:
  // Created on behalf of the program: the first reference is the caller's.
  void TakeFirstReference() {
    refs_ = 1;
    device_->AddRef();
  }

 private:
  IDirect3DDevice9* device_;
  IUnknown* container_;
  ULONG refs_ = 0;
};

}  // namespace ember::d3d9

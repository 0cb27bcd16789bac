// The one lifetime base of the runtime's COM-style objects: the reference count and
// QueryInterface, written once. A root object (the Direct3D object, a device, the DirectInput
// object) starts with the caller's reference; objects made by a parent build on ChildObject.
#pragma once

#include "runtime/com/unknwn.h"

namespace ember::com {

// `ownId`, where given, is the interface's own IID, which QueryInterface answers beside
// IUnknown's.
template <class Interface, const IID* ownId = nullptr>
class ComObject : public Interface {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || (ownId && riid == *ownId)) {
      this->AddRef();
      *object = static_cast<Interface*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  virtual ~ComObject() = default;

 protected:
  explicit ComObject(ULONG firstReferences = 1) : refs_(firstReferences) {}
  ULONG RefCount() const { return refs_; }

  ULONG refs_;
};

}  // namespace ember::com

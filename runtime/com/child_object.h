// An object made by a parent (a Direct3D device, the DirectInput object). While the program
// holds a reference the object holds one on its parent, so a parent outlives what it made, as in
// COM. A binding (the device holding a buffer or a texture for drawing) keeps only the object
// alive, so an object left bound cannot keep its parent from being destroyed. An object that
// belongs to a container (a texture level to its texture, the back buffer to the device) counts
// its references on the container and is deleted by it.
#pragma once

#include "runtime/com/com_object.h"

namespace ember::com {

template <class Interface, class Parent, const IID* ownId = nullptr>
class ChildObject : public ComObject<Interface, ownId> {
 public:
  ULONG AddRef() override {
    if (container_) return container_->AddRef();
    if (this->refs_++ == 0) parent_->AddRef();
    return this->refs_;
  }
  ULONG Release() override {
    if (container_) return container_->Release();
    if (this->refs_ == 0) return 0;
    const ULONG left = --this->refs_;
    if (left == 0) {
      Parent* parent = parent_;
      if (bindings_ == 0) delete this;
      parent->Release();
    }
    return left;
  }

  void AddBinding() { ++bindings_; }
  void ReleaseBinding() {
    if (--bindings_ == 0 && this->refs_ == 0) delete this;
  }

  Parent* ParentObject() const { return parent_; }

 protected:
  ChildObject(Parent* parent, IUnknown* container)
      : ComObject<Interface, ownId>(0), parent_(parent), container_(container) {}

  // Created on behalf of the program: the first reference is the caller's.
  void TakeFirstReference() { AddRef(); }

  // The parent, with a reference for the caller (GetDevice and its kin).
  HRESULT GetParent(Parent** parent, HRESULT invalidCall) const {
    if (!parent) return invalidCall;
    *parent = parent_;
    parent_->AddRef();
    return S_OK;
  }

 private:
  Parent* parent_;
  IUnknown* container_;
  ULONG bindings_ = 0;
};

}  // namespace ember::com

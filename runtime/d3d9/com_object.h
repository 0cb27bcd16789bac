// Reference counting shared by the runtime's COM-style objects.
#pragma once

#include "runtime/win32/windows.h"

namespace ember {

template <class Interface>
class ComObject : public Interface {
 public:
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
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  virtual ~ComObject() = default;

 protected:
  ULONG RefCount() const { return refs_; }

 private:
  ULONG refs_ = 1;
};

}  // namespace ember

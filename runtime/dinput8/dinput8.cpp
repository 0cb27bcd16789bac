// The DirectInput 8 object: the factory of the system keyboard and mouse.
#include <new>

#include "runtime/com/com_object.h"
#include "runtime/dinput8/device.h"
#include "runtime/host/host.h"

namespace ember::dinput8 {

namespace {

class DirectInput8 : public com::ComObject<IDirectInput8A, &IID_IDirectInput8A> {
 public:
  HRESULT CreateDevice(REFGUID guid, IDirectInputDevice8A** device, LPUNKNOWN outer) override {
    if (!device) return DIERR_INVALIDPARAM;
    *device = nullptr;
    if (outer) return DIERR_NOAGGREGATION;
    Device* created = nullptr;
    // A device the system does not have is not registered, as DirectInput answers.
    if (guid == GUID_SysKeyboard && host::Current().HasKeyboard())
      created = CreateKeyboard(this);
    else if (guid == GUID_SysMouse && host::Current().HasMouse())
      created = CreateMouse(this);
    else
      return DIERR_DEVICENOTREG;
    if (!created) return DIERR_OUTOFMEMORY;
    *device = created;
    return DI_OK;
  }
};

}  // namespace

}  // namespace ember::dinput8

HRESULT WINAPI DirectInput8Create(HINSTANCE instance, DWORD version, REFIID riid, LPVOID* out,
                                  LPUNKNOWN outer) {
  if (!out) return DIERR_INVALIDPARAM;
  *out = nullptr;
  if (outer) return DIERR_NOAGGREGATION;
  // DirectInput wants the caller's module; it refuses to work without one.
  if (!instance) return DIERR_INVALIDPARAM;
  if (version < DIRECTINPUT_VERSION) return DIERR_OLDDIRECTINPUTVERSION;
  if (version > DIRECTINPUT_VERSION) return DIERR_BETADIRECTINPUTVERSION;
  if (riid != IID_IDirectInput8A) return DIERR_NOINTERFACE;
  auto* object = new (std::nothrow) ember::dinput8::DirectInput8();
  if (!object) return DIERR_OUTOFMEMORY;
  *out = static_cast<IDirectInput8A*>(object);
  return DI_OK;
}

// The system keyboard: one byte per key code, bit 7 set while the key is down.
#include <cstring>
#include <new>

#include "runtime/dinput8/device.h"
#include "runtime/dinput8/keymap.h"
#include "runtime/host/host.h"

namespace ember::dinput8 {

namespace {

class Keyboard : public Device {
 public:
  explicit Keyboard(IDirectInput8A* owner) : Device(owner, c_dfDIKeyboard) {}

 protected:
  HRESULT CheckLevel(DWORD flags) const override {
    // DirectInput never lets one program take the keyboard from all the others.
    if ((flags & DISCL_EXCLUSIVE) && (flags & DISCL_BACKGROUND)) return DIERR_UNSUPPORTED;
    return DI_OK;
  }

  void ReadState(void* data) override {
    BYTE* keys = static_cast<BYTE*>(data);
    std::memset(keys, 0, 256);
    const host::Host& h = host::Current();
    int count = 0;
    const KeyMapping* mappings = KeyMappings(count);
    for (int i = 0; i < count; ++i)
      if (h.IsKeyDown(mappings[i].scancode)) keys[mappings[i].dik] = 0x80;
  }
};

}  // namespace

Device* CreateKeyboard(IDirectInput8A* owner) { return new (std::nothrow) Keyboard(owner); }

}  // namespace ember::dinput8

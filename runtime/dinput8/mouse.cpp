// The system mouse: relative motion since the last read and four buttons.
#include <new>

#include "runtime/dinput8/device.h"
#include "runtime/host/host.h"
#include "runtime/win32/win32_internal.h"

namespace ember::dinput8 {

namespace {

class Mouse : public Device {
 public:
  explicit Mouse(IDirectInput8A* owner) : Device(owner, c_dfDIMouse) {}

 protected:
  void OnAcquired() override {
    // Motion made while nobody held the device belongs to no read.
    int dx = 0, dy = 0;
    host::Current().TakeMouseMotion(dx, dy);
    UpdateCapture();
  }

  void OnUnacquired() override { SetCaptured(false); }

  void ReadState(void* data) override {
    UpdateCapture();
    host::Host& h = host::Current();
    DIMOUSESTATE* state = static_cast<DIMOUSESTATE*>(data);
    int dx = 0, dy = 0;
    h.TakeMouseMotion(dx, dy);
    state->lX = dx;
    state->lY = dy;
    state->lZ = 0;
    uint8_t buttons = h.MouseButtons();
    for (int i = 0; i < 4; ++i) state->rgbButtons[i] = (buttons & (1u << i)) ? 0x80 : 0;
  }

 private:
  // The exclusive mouse owns the pointer: hidden and confined while its window is in front.
  void UpdateCapture() {
    SetCaptured((Level() & DISCL_EXCLUSIVE) && win32::IsForeground(Window()));
  }

  void SetCaptured(bool captured) {
    if (captured == captured_) return;
    captured_ = captured;
    host::Current().SetMouseCaptured(captured);
  }

  bool captured_ = false;
};

}  // namespace

Device* CreateMouse(IDirectInput8A* owner) { return new (std::nothrow) Mouse(owner); }

}  // namespace ember::dinput8

// The device core shared by the keyboard and the mouse: data format, cooperative level,
// acquisition and its loss, and the state read. The kinds supply their format and their read.
#pragma once

#include "runtime/com/child_object.h"
#include "runtime/dinput8/dinput.h"

namespace ember::dinput8 {

// A child of the DirectInput object: it keeps the object alive while the program holds it.
class Device
    : public com::ChildObject<IDirectInputDevice8A, IDirectInput8A, &IID_IDirectInputDevice8A> {
 public:
  ULONG Release() override;

  HRESULT SetDataFormat(LPCDIDATAFORMAT format) override;
  HRESULT SetCooperativeLevel(HWND window, DWORD flags) override;
  HRESULT Acquire() override;
  HRESULT Unacquire() override;
  HRESULT GetDeviceState(DWORD size, LPVOID data) override;

 protected:
  Device(IDirectInput8A* owner, const DIDATAFORMAT& format);

  // DI_OK, or the status refusing a level that is valid in general but not for this kind.
  virtual HRESULT CheckLevel(DWORD flags) const { return DI_OK; }
  virtual void OnAcquired() {}
  virtual void OnUnacquired() {}
  // Fills the format's whole state; the device is acquired.
  virtual void ReadState(void* data) = 0;

  HWND Window() const { return window_; }
  DWORD Level() const { return level_; }

 private:
  void NoticeLostFocus();

  const DIDATAFORMAT& format_;
  bool formatSet_ = false;
  HWND window_ = nullptr;
  // DirectInput's default level.
  DWORD level_ = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
  bool acquired_ = false;
  bool inputLost_ = false;
};

// The system devices, or null when out of memory.
Device* CreateKeyboard(IDirectInput8A* owner);
Device* CreateMouse(IDirectInput8A* owner);

}  // namespace ember::dinput8

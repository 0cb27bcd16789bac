// DirectInput start-up, the keyboard device and the release of the DirectInput interface.
#pragma once

#include "runtime/dinput8/dinput.h"

extern IDirectInput8* g_directInput;

class KeyboardDevice {
 public:
  KeyboardDevice();
  ~KeyboardDevice();

  HRESULT Init();
  // 1 when the key with that DirectInput code is down now, else 0.
  int IsKeyDown(int keyCode);

  IDirectInputDevice8* device;
  BYTE keyState[256];
  int acquired;
};

extern KeyboardDevice g_keyboard;

HRESULT InitInput();
void ReleaseInput();

// Acquire, again while it answers DIERR_INPUTLOST, a few times at most.
HRESULT AcquireAfterInputLost(IDirectInputDevice8* device);

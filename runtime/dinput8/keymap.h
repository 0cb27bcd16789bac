// Host scancodes (USB HID usages, the physical key) to DirectInput key codes.
#pragma once

#include "runtime/dinput8/dinput.h"

namespace ember::dinput8 {

struct KeyMapping {
  int scancode;
  BYTE dik;
};

// Every scancode that has a key code, once each.
const KeyMapping* KeyMappings(int& count);

// The key code of a scancode, 0 when it has none.
int ScancodeToDik(int scancode);

}  // namespace ember::dinput8

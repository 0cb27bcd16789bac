#include "runtime/dinput8/dinput.h"

namespace {

// One optional button per key code; the byte at the key code's offset.
struct KeyboardObjects {
  DIOBJECTDATAFORMAT objects[256];
  constexpr KeyboardObjects() : objects() {
    for (DWORD i = 0; i < 256; ++i)
      objects[i] = {&GUID_Key, i, DIDFT_BUTTON | DIDFT_OPTIONAL | DIDFT_MAKEINSTANCE(i), 0};
  }
};
KeyboardObjects g_keyboardObjects;

// X, Y and the wheel, then four buttons; a mouse need not have the wheel nor the last two.
DIOBJECTDATAFORMAT g_mouseObjects[] = {
    {&GUID_XAxis, 0, DIDFT_AXIS | DIDFT_ANYINSTANCE, 0},
    {&GUID_YAxis, 4, DIDFT_AXIS | DIDFT_ANYINSTANCE, 0},
    {&GUID_ZAxis, 8, DIDFT_AXIS | DIDFT_ANYINSTANCE | DIDFT_OPTIONAL, 0},
    {nullptr, 12, DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0},
    {nullptr, 13, DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0},
    {nullptr, 14, DIDFT_BUTTON | DIDFT_ANYINSTANCE | DIDFT_OPTIONAL, 0},
    {nullptr, 15, DIDFT_BUTTON | DIDFT_ANYINSTANCE | DIDFT_OPTIONAL, 0},
};

}  // namespace

const DIDATAFORMAT c_dfDIKeyboard = {
    sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), 0, 256, 256, g_keyboardObjects.objects};

const DIDATAFORMAT c_dfDIMouse = {sizeof(DIDATAFORMAT),
                                  sizeof(DIOBJECTDATAFORMAT),
                                  DIDF_RELAXIS,
                                  sizeof(DIMOUSESTATE),
                                  sizeof(g_mouseObjects) / sizeof(g_mouseObjects[0]),
                                  g_mouseObjects};

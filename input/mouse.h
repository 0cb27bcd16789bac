// The mouse, read as relative motion, and the program's own cursor drawn with a sprite.
#pragma once

#include "runtime/dinput8/dinput.h"
#include "video/graphics.h"

class MouseDevice {
 public:
  MouseDevice();
  ~MouseDevice();

  HRESULT Init();
  void Poll();
  void UpdatePosition();
  void DrawCursor();
  void GetPosition(int* outX, int* outY) const;
  int IsButtonDown(int button) const;

  IDirectInputDevice8* device;
  IDirect3DTexture9* cursorTexture;
  ID3DXSprite* cursorSprite;
  int acquired;
  DIMOUSESTATE mouseState;
  int x;
  int y;
};

extern MouseDevice g_mouse;

constexpr int g_cursorMaxX = 1279;
constexpr int g_cursorMaxY = 1023;

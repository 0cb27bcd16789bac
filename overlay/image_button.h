// A picture on screen that reacts to the program's cursor: idle, hover and pressed images.
#pragma once

#include "video/graphics.h"

class ImageButton {
 public:
  void Init(float posX, float posY);
  void SetImages(const char* fileName);
  void SetHoverImage(const char* fileName);
  void UpdateState();
  void Draw();
  void Release();

  float x = 0.0f, y = 0.0f;
  float scaleX = 1.0f, scaleY = 0.7f;
  bool hover = false;
  bool pressed = false;
  IDirect3DTexture9* hoverTexture = nullptr;
  ID3DXSprite* sprite = nullptr;
  D3DSURFACE_DESC imageDesc{};
  IDirect3DTexture9* idleTexture = nullptr;
  IDirect3DTexture9* pressedTexture = nullptr;

 private:
  void CreateSprite();
  // Whether imageDesc holds a real image's size.
  bool hasSize_ = false;
};

extern ImageButton g_startButton;
extern ImageButton g_exitButton;

// The hit test on its own: strict bounds, the drawn right edge.
bool IsInsideButton(float x, float y, float scaleX, UINT width, UINT height, int mx, int my);

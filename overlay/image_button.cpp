#include "overlay/image_button.h"

#include "app/app_state.h"
#include "app/log.h"
#include "input/mouse.h"

ImageButton g_startButton;
ImageButton g_exitButton;

namespace {

// Loads into a slot, releasing what the slot held.
void LoadImage(const char* fileName, IDirect3DTexture9*& slot) {
  ReleaseIfSet(slot);
  if (FAILED(D3DXCreateTextureFromFileExA(g_device, fileName, 0, 0, 0, 0, D3DFMT_UNKNOWN,
                                          D3DPOOL_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0xFF000000,
                                          nullptr, nullptr, &slot)))
    ReportError("Impossibile caricare la texture");
}

}  // namespace

bool IsInsideButton(float x, float y, float scaleX, UINT width, UINT height, int mx, int my) {
  // The right bound is the drawn right edge; the vertical bounds use their own constants.
  return mx > x * scaleX && mx < (x + float(width)) * scaleX && my > y * 0.72f &&
         my < (y + float(height)) * 0.7f;
}

void ImageButton::Init(float posX, float posY) {
  x = posX;
  y = posY;
  scaleX = 1.0f;
  scaleY = 0.7f;
  hover = false;
  pressed = false;
}

void ImageButton::CreateSprite() {
  ReleaseIfSet(sprite);
  if (FAILED(D3DXCreateSprite(g_device, &sprite)))
    ReportError("Impossibile inizializzare la sprite");
}

void ImageButton::SetImages(const char* fileName) {
  LoadImage(fileName, hoverTexture);
  hasSize_ = hoverTexture && SUCCEEDED(hoverTexture->GetLevelDesc(0, &imageDesc));
  LoadImage(fileName, idleTexture);
  LoadImage(fileName, pressedTexture);
  CreateSprite();
}

void ImageButton::SetHoverImage(const char* fileName) {
  LoadImage(fileName, hoverTexture);
  CreateSprite();
  // Without a hover image the size stays the idle image's, or none.
  if (hoverTexture && SUCCEEDED(hoverTexture->GetLevelDesc(0, &imageDesc))) hasSize_ = true;
}

void ImageButton::UpdateState() {
  int mx = 0, my = 0;
  g_mouse.GetPosition(&mx, &my);
  bool inside = hasSize_ && IsInsideButton(x, y, scaleX, imageDesc.Width, imageDesc.Height, mx, my);
  bool left = g_mouse.IsButtonDown(0) != 0;
  hover = inside;
  // Inside with only another button down counts as hover.
  pressed = inside && left;
}

void ImageButton::Draw() {
  UpdateState();
  if (!sprite) return;
  D3DXVECTOR3 position(x, y, 0.0f);
  D3DXMATRIX scaling;
  D3DXMatrixScaling(&scaling, scaleX, scaleY, 1.0f);
  sprite->SetTransform(&scaling);
  IDirect3DTexture9* image = hover ? (pressed ? pressedTexture : hoverTexture) : idleTexture;
  if (!image) return;
  sprite->Begin(D3DXSPRITE_ALPHABLEND);
  sprite->Draw(image, nullptr, nullptr, &position, 0xFFFFFFFF);
  sprite->End();
}

void ImageButton::Release() {
  ReleaseIfSet(hoverTexture);
  ReleaseIfSet(idleTexture);
  ReleaseIfSet(pressedTexture);
  ReleaseIfSet(sprite);
  hasSize_ = false;
}

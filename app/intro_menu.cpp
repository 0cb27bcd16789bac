#include "app/intro_menu.h"

#include <cstdlib>

#include "app/app_state.h"
#include "app/log.h"
#include "input/keyboard.h"
#include "input/mouse.h"
#include "overlay/image_button.h"
#include "overlay/text_font.h"
#include "video/display_device.h"

IDirect3DTexture9* g_logoImage = nullptr;
IDirect3DTexture9* g_loadingImage = nullptr;
ID3DXSprite* g_introSprite = nullptr;

namespace {

void SetUpButton(ImageButton& button, int xPercent, int yPercent, const char* image,
                 const char* hoverImage) {
  button.Init(float(g_screenWidth * xPercent / 100), float(g_screenHeight * yPercent / 100));
  button.SetImages(image);
  button.SetHoverImage(hoverImage);
  button.scaleX = 0.5f;
}

}  // namespace

int InitVideo(HWND window) {
  CreateDisplayDevice(&g_direct3D, &g_device, window, 0, 0);
  if (FAILED(D3DXCreateTextureFromFileA(g_device, "..\\Immagini\\TAVEK_LOGO.jpg", &g_logoImage))) {
    ReportError("Impossibile caricare la texture");
    return E_FAIL;
  }
  if (FAILED(D3DXCreateTextureFromFileA(g_device, "..\\Immagini\\Loading.jpg", &g_loadingImage))) {
    ReportError("Impossibile caricare la texture");
    return E_FAIL;
  }
  if (FAILED(D3DXCreateSprite(g_device, &g_introSprite))) {
    ReportError("Impossibile inizializzare la Sprite");
    return E_FAIL;
  }
  D3DXMATRIX scaling;
  D3DXMatrixIdentity(&scaling);
  D3DXMatrixScaling(&scaling, 0.5f, 0.75f, 1.0f);
  g_introSprite->SetTransform(&scaling);
  return 1;
}

HRESULT DrawIntroFrame() {
  StartPhaseClock();
  g_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  g_device->BeginScene();
  g_introSprite->Begin(D3DXSPRITE_ALPHABLEND);
  g_introSprite->Draw(g_logoActive ? g_logoImage : g_loadingImage, nullptr, nullptr, nullptr,
                      0xFFFFFFFF);
  g_introSprite->End();
  g_device->EndScene();
  return g_device->Present(nullptr, nullptr, nullptr, nullptr);
}

void ReleaseIntroImages() {
  ReleaseIfSet(g_loadingImage);
  ReleaseIfSet(g_logoImage);
}

int InitMenu() {
  if (FAILED(InitInput())) {
    ReportError("Impossibile inizializzare l'input device");
    return E_FAIL;
  }
  if (!OpenLog()) {
    ReportError("Impossibile inizializzare il log file");
    return E_FAIL;
  }
  CreateTextFont("Typewriter");
  SetUpButton(g_startButton, 50, 50, "..\\Immagini\\Button\\startGame.png",
              "..\\Immagini\\Button\\startGameOn.png");
  SetUpButton(g_exitButton, 50, 70, "..\\Immagini\\Button\\exitGame.png",
              "..\\Immagini\\Button\\exitGameOn.png");
  return 1;
}

void MenuStep() {
  g_mouse.Poll();
  g_mouse.UpdatePosition();
  DrawMenuFrame();
  if ((g_exitButton.hover && g_exitButton.pressed) || GetAsyncKeyState(VK_ESCAPE) != 0)
    std::exit(0);
  if ((g_startButton.hover && g_startButton.pressed) || g_keyboard.IsKeyDown(DIK_SPACE) == 1)
    g_startChosen = true;
}

void DrawMenuFrame() {
  g_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  g_device->BeginScene();
  g_startButton.Draw();
  g_exitButton.Draw();
  g_device->EndScene();
  g_mouse.DrawCursor();
  g_device->Present(nullptr, nullptr, nullptr, nullptr);
}

void ReleaseMenu() {
  g_startButton.Release();
  g_exitButton.Release();
}

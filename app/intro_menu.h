// The logo, menu and loading screens, the video set-up and the one-time menu set-up.
#pragma once

#include "video/graphics.h"

extern IDirect3DTexture9* g_logoImage;
extern IDirect3DTexture9* g_loadingImage;
extern ID3DXSprite* g_introSprite;

int InitVideo(HWND window);
HRESULT DrawIntroFrame();
void ReleaseIntroImages();
int InitMenu();
void MenuStep();
void DrawMenuFrame();
void ReleaseMenu();

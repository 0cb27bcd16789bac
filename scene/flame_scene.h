// The demo: the scene load, run once on the loading screen, and the frame routine.
#pragma once

#include "video/graphics.h"

extern IDirect3DSurface9* g_backBuffer;
extern IDirect3DSurface9* g_backgroundSurface;
extern ID3DXEffect* g_flameEffect;
extern ID3DXBuffer* g_effectErrors;
extern DWORD g_effectFlags;
extern IDirect3DVolumeTexture9* g_noiseTexture;
extern IDirect3DTexture9* g_flameTexture;

extern D3DXMATRIX g_worldMatrix;
extern D3DXMATRIX g_projectionMatrix;
extern D3DXMATRIX g_wvpMatrix;
extern float g_ticks;
extern float g_frameRate;
extern char g_fpsText[256];

HRESULT LoadBitmapSurface(const char* path, IDirect3DSurface9** surface, IDirect3DDevice9* device);
int LoadFlameScene();
HRESULT RenderFlameFrame();
// The frame's flame: the time and the matrices to the effect, then the mesh once per pass.
void DrawFlame();
// The effect and the two flame textures, as the shutdown releases them.
void ReleaseFlameEffectAndTextures();

// The demo: the scene load and the frame routine.
#pragma once

#include "video/graphics.h"

extern IDirect3DSurface9* g_backBuffer;
extern IDirect3DSurface9* g_backgroundSurface;

int LoadFlameScene();
HRESULT RenderFlameFrame();

// The program's one font, and text drawn with it at a pixel position.
#pragma once

#include "video/graphics.h"

extern ID3DXFont* g_textFont;
extern int g_fontPointSize;

HRESULT CreateTextFont(const char* faceName);
// Draws nothing when the font could not be created.
int DrawText2D(int x, int y, const char* text, const D3DXCOLOR& color);

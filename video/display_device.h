// Creation of the Direct3D object and the one device, with its first settings.
#pragma once

#include "video/graphics.h"

// The presentation parameters the device was created with; they live for the whole run.
extern D3DPRESENT_PARAMETERS g_presentParameters;
extern bool g_createdHal;
extern bool g_createdRef;

HRESULT CreateDisplayDevice(IDirect3D9** direct3D, IDirect3DDevice9** device, HWND window,
                            int noQuestion, int multithreaded);

// The outer size that gives the window a client area of the display size.
void WindowSizeForClient(const RECT& windowRect, const RECT& clientRect, int& width, int& height);

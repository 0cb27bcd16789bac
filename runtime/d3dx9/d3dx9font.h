// ID3DXFont: text drawn from a glyph atlas built once at creation.
#pragma once

#include "runtime/d3d9/d3d9.h"

typedef int INT;

struct ID3DXSprite;

#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_EXPANDTABS 0x00000040
#define DT_NOCLIP 0x00000100
#define DT_CALCRECT 0x00000400

#define FW_NORMAL 400
#define FW_BOLD 700
#define DEFAULT_CHARSET 1
#define OUT_DEFAULT_PRECIS 0
#define ANTIALIASED_QUALITY 4
#define DEFAULT_PITCH 0
#define FF_DONTCARE 0

struct ID3DXFont : IUnknown {
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  // The height of the text drawn; 0 on failure.
  virtual INT DrawTextA(ID3DXSprite* sprite, LPCSTR text, INT count, LPRECT rect, DWORD format,
                        D3DCOLOR color) = 0;
  virtual HRESULT OnLostDevice() = 0;
  virtual HRESULT OnResetDevice() = 0;
};

typedef ID3DXFont* LPD3DXFONT;

HRESULT WINAPI D3DXCreateFontA(IDirect3DDevice9* device, INT height, UINT width, UINT weight,
                               UINT mipLevels, BOOL italic, DWORD charSet, DWORD outputPrecision,
                               DWORD quality, DWORD pitchAndFamily, LPCSTR faceName,
                               ID3DXFont** font);

#include "overlay/text_font.h"

#include "app/app_state.h"

ID3DXFont* g_textFont = nullptr;
int g_fontPointSize = 18;

HRESULT CreateTextFont(const char* faceName) {
  HDC screen = GetDC(nullptr);
  int dotsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  int height = MulDiv(g_fontPointSize, dotsPerInch, 72);
  // A negative height asks for the character height, without the internal leading.
  if (FAILED(D3DXCreateFontA(g_device, -height, 0, FW_BOLD, 0, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             faceName, &g_textFont))) {
    OutputDebugStringA("Impossibile caricare il font necessario");
    OutputDebugStringA("\n");
    return E_FAIL;
  }
  return S_OK;
}

int DrawText2D(int x, int y, const char* text, const D3DXCOLOR& color) {
  if (!g_textFont) return 0;
  RECT rect;
  SetRect(&rect, x, y, 0, 0);
  return g_textFont->DrawTextA(nullptr, text, -1, &rect, DT_NOCLIP, DWORD(color));
}

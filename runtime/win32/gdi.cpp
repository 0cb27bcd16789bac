// The few GDI queries the program makes: the screen's resolution.
#include <cstdint>

#include "runtime/host/host.h"
#include "runtime/win32/win32_internal.h"

namespace {
int g_screenDC;
}

#define HORZRES 8
#define VERTRES 10

HDC GetDC(HWND window) {
  if (window && !IsWindow(window)) return nullptr;
  return reinterpret_cast<HDC>(&g_screenDC);
}

int ReleaseDC(HWND, HDC dc) { return dc == reinterpret_cast<HDC>(&g_screenDC) ? 1 : 0; }

int GetDeviceCaps(HDC dc, int index) {
  if (dc != reinterpret_cast<HDC>(&g_screenDC)) return 0;
  ember::host::Host& h = ember::host::Current();
  switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
      return h.DotsPerInch();
    case HORZRES:
      return h.DesktopBounds().w;
    case VERTRES:
      return h.DesktopBounds().h;
    default:
      return 0;
  }
}

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  int64_t product = int64_t(number) * int64_t(numerator);
  // Rounds half away from zero, as Windows does.
  int64_t half = (denominator < 0 ? -int64_t(denominator) : int64_t(denominator)) / 2;
  int64_t result = ((product < 0) != (denominator < 0)) ? (product - half) / denominator
                                                        : (product + half) / denominator;
  if (result > INT32_MAX || result < INT32_MIN) return -1;
  return int(result);
}

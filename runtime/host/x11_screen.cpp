// The screen as an X server shows it, read from the root window: what Direct3D 9's front
// buffer copy gives on Windows, title bars and covering windows included. Kept apart because
// Xlib's macros (None, Bool, Status...) collide with everything else.
#include "runtime/host/x11_screen.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>

namespace ember::host {

namespace {

int g_xErrors = 0;

int CountXError(Display*, XErrorEvent*) {
  ++g_xErrors;
  return 0;
}

bool X11Of(SDL_Window* window, Display*& display, ::Window& x11Window) {
  if (!window) return false;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  display = info.info.x11.display;
  x11Window = info.info.x11.window;
  return true;
}

int MaskShift(unsigned long mask) {
  int shift = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

uint32_t Channel(unsigned long pixel, unsigned long mask) {
  if (!mask) return 0;
  const unsigned long value = (pixel & mask) >> MaskShift(mask);
  const unsigned long max = mask >> MaskShift(mask);
  return uint32_t(value * 255 / max);
}

// Copies the image into the area's rows at (dx, dy), as opaque A8R8G8B8.
void CopyImage(XImage* image, int dx, int dy, uint32_t* argb, int pitch) {
  const bool direct = image->bits_per_pixel == 32 && image->red_mask == 0xFF0000 &&
                      image->green_mask == 0xFF00 && image->blue_mask == 0xFF &&
                      image->byte_order == LSBFirst;
  for (int y = 0; y < image->height; ++y) {
    uint32_t* out = argb + size_t(dy + y) * size_t(pitch) + size_t(dx);
    if (direct) {
      std::memcpy(out, image->data + size_t(y) * size_t(image->bytes_per_line),
                  size_t(image->width) * 4);
      for (int x = 0; x < image->width; ++x) out[x] |= 0xFF000000u;
      continue;
    }
    for (int x = 0; x < image->width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      out[x] = 0xFF000000u | (Channel(pixel, image->red_mask) << 16) |
               (Channel(pixel, image->green_mask) << 8) | Channel(pixel, image->blue_mask);
    }
  }
}

}  // namespace

bool IsX11Window(SDL_Window* window) {
  Display* display;
  ::Window x11Window;
  return X11Of(window, display, x11Window);
}

bool CaptureX11Screen(SDL_Window* window, const Rect& area, uint32_t* argb, int pitch) {
  Display* display;
  ::Window x11Window;
  if (!argb || area.w <= 0 || area.h <= 0 || pitch < area.w) return false;
  if (!X11Of(window, display, x11Window)) return false;
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, x11Window, &attributes)) return false;
  const ::Window root = attributes.root;
  XWindowAttributes rootAttributes;
  if (!XGetWindowAttributes(display, root, &rootAttributes)) return false;

  // The part of the area that lies on the screen; the rest stays black.
  for (int y = 0; y < area.h; ++y)
    for (int x = 0; x < area.w; ++x) argb[size_t(y) * size_t(pitch) + size_t(x)] = 0xFF000000u;
  const int x0 = area.x > 0 ? area.x : 0, y0 = area.y > 0 ? area.y : 0;
  const int x1 = area.x + area.w < rootAttributes.width ? area.x + area.w : rootAttributes.width;
  const int y1 = area.y + area.h < rootAttributes.height ? area.y + area.h : rootAttributes.height;
  if (x0 >= x1 || y0 >= y1) return true;

  // An X error would otherwise end the process through Xlib's default handler.
  XSync(display, False);
  g_xErrors = 0;
  int (*previous)(Display*, XErrorEvent*) = XSetErrorHandler(CountXError);
  XImage* image =
      XGetImage(display, root, x0, y0, unsigned(x1 - x0), unsigned(y1 - y0), AllPlanes, ZPixmap);
  XSync(display, False);
  XSetErrorHandler(previous);
  if (!image || g_xErrors) {
    if (image) XDestroyImage(image);
    return false;
  }
  CopyImage(image, x0 - area.x, y0 - area.y, argb, pitch);
  XDestroyImage(image);
  return true;
}

}  // namespace ember::host

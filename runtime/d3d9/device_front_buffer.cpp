// GetFrontBufferData: the whole screen as Direct3D 9 copies it, from the screen itself where
// the host can read it, otherwise composed from our own frames. And the hardware cursor
// position.
#include <cstring>

#include "runtime/d3d9/device.h"
#include "runtime/d3d9/gl_conventions.h"
#include "runtime/d3d9/surface.h"
#include "runtime/host/host.h"

namespace ember::d3d9 {

namespace {

constexpr uint32_t kOpaqueBlack = 0xFF000000u;

// Where Present puts a picture in an area: scaled to fit, keeping its shape, centred.
host::Rect Letterbox(const host::Rect& area, int pictureW, int pictureH) {
  int w = area.w, h = int((long long)area.w * pictureH / pictureW);
  if (h > area.h) {
    h = area.h;
    w = int((long long)area.h * pictureW / pictureH);
  }
  return host::Rect{area.x + (area.w - w) / 2, area.y + (area.h - h) / 2, w, h};
}

void FillOpaque(uint8_t* bits, size_t pitch, int x0, int y0, int x1, int y1, uint32_t argb) {
  for (int y = y0; y < y1; ++y) {
    uint8_t* row = bits + size_t(y) * pitch + size_t(x0) * 4;
    for (int x = x0; x < x1; ++x, row += 4) std::memcpy(row, &argb, 4);
  }
}

}  // namespace

HRESULT Device::GetFrontBufferData(UINT swapChain, IDirect3DSurface9* destSurface) {
  if (swapChain != 0 || !destSurface) return D3DERR_INVALIDCALL;
  Surface* dest = dynamic_cast<Surface*>(destSurface);
  D3DDISPLAYMODE mode{};
  if (!dest || dest->SurfaceKind() != Surface::Kind::Memory ||
      dest->Desc().Format != D3DFMT_A8R8G8B8 ||
      FAILED(direct3D_->GetAdapterDisplayMode(creation_.AdapterOrdinal, &mode)) ||
      dest->Desc().Width != mode.Width || dest->Desc().Height != mode.Height)
    return D3DERR_INVALIDCALL;
  D3DLOCKED_RECT locked{};
  if (FAILED(dest->LockRect(&locked, nullptr, 0))) return D3DERR_INVALIDCALL;
  uint8_t* bits = static_cast<uint8_t*>(locked.pBits);
  const size_t pitch = size_t(locked.Pitch);
  const int screenW = int(mode.Width), screenH = int(mode.Height);
  host::Host& h = host::Current();
  const host::Rect desktop = h.DesktopBounds();
  const host::Rect screen{desktop.x, desktop.y, screenW, screenH};
  if (!h.CaptureScreen(screen, reinterpret_cast<uint32_t*>(bits), int(pitch / 4)))
    ComposeScreen(bits, pitch, screenW, screenH);
  dest->UnlockRect();
  return D3D_OK;
}

void Device::ComposeScreen(uint8_t* bits, size_t pitch, int screenW, int screenH) {
  FillOpaque(bits, pitch, 0, 0, screenW, screenH, kOpaqueBlack);

  // The frame as the window shows it, in desktop coordinates.
  host::Host& h = host::Current();
  const host::Rect desktop = h.DesktopBounds();
  host::Rect client = h.ClientRect();
  client.x -= desktop.x;
  client.y -= desktop.y;
  const host::Rect shown = Letterbox(client, frontBuffer_.width, frontBuffer_.height);
  const int x0 = shown.x > 0 ? shown.x : 0, y0 = shown.y > 0 ? shown.y : 0;
  const int x1 = shown.x + shown.w < screenW ? shown.x + shown.w : screenW;
  const int y1 = shown.y + shown.h < screenH ? shown.y + shown.h : screenH;
  if (x0 < x1 && y0 < y1) {
    // A window larger or smaller than the back buffer shows it scaled: scale it the same way.
    RenderTarget scaled;
    GLuint source = frontBuffer_.framebuffer;
    if (shown.w != frontBuffer_.width || shown.h != frontBuffer_.height) {
      if (scaled.Create(shown.w, shown.h, false)) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, frontBuffer_.framebuffer);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, scaled.framebuffer);
        gl_.Scissor(false);
        states_.MarkDirty(kGroupRaster);
        glBlitFramebuffer(0, 0, frontBuffer_.width, frontBuffer_.height, 0, 0, shown.w, shown.h,
                          GL_COLOR_BUFFER_BIT, GL_LINEAR);
        source = scaled.framebuffer;
      } else {
        source = 0;
      }
    }
    if (source) {
      // Rows come out top row first (gl_conventions.h), straight into the surface.
      glBindFramebuffer(GL_READ_FRAMEBUFFER, source);
      glPixelStorei(GL_PACK_ALIGNMENT, 1);
      glPixelStorei(GL_PACK_ROW_LENGTH, GLint(pitch / 4));
      glReadPixels(x0 - shown.x, y0 - shown.y, x1 - x0, y1 - y0, kPixelFormatBGRA, kPixelTypeBGRA,
                   bits + size_t(y0) * pitch + size_t(x0) * 4);
      glPixelStorei(GL_PACK_ROW_LENGTH, 0);
      // The screen is opaque whatever alpha the frame was drawn with.
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) bits[size_t(y) * pitch + size_t(x) * 4 + 3] = 0xFF;
    }
    scaled.Destroy();
    gl_.ForgetFramebuffer();
  }
}

void Device::SetCursorPosition(int x, int y, DWORD) {
  // The program draws its own cursor; the hardware one is never shown, only placed.
  cursor_ = POINT{LONG(x), LONG(y)};
}

}  // namespace ember::d3d9

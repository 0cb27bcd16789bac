// Present: the back buffer becomes the front buffer and goes to the window.
#include "runtime/d3d9/device.h"
#include "runtime/d3d9/gl_conventions.h"
#include "runtime/d3d9/gl_errors.h"
#include "runtime/host/host.h"
#include "runtime/win32/win32_internal.h"

namespace ember::d3d9 {

HRESULT Device::Present(const RECT*, const RECT*, HWND destWindowOverride, const RGNDATA*) {
  if (inScene_) return D3DERR_INVALIDCALL;
  HWND window = destWindowOverride ? destWindowOverride : present_.hDeviceWindow;
  if (!win32::IsLiveWindow(window)) return D3DERR_INVALIDCALL;

  const int w = backBuffer_.width, h = backBuffer_.height;
  gl_.Scissor(false);
  gl_.ColorMask(0xF);
  states_.MarkDirty(kGroupBlend | kGroupRaster);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, backBuffer_.framebuffer);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, frontBuffer_.framebuffer);
  glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  ShowInWindow();
  gl_.ForgetFramebuffer();
  CheckGLErrors();
  host::Current().SwapBuffers();
  return D3D_OK;
}

void Device::ShowInWindow() {
  int dw = 0, dh = 0;
  host::Current().DrawableSize(dw, dh);
  if (dw <= 0 || dh <= 0) return;
  const int w = backBuffer_.width, h = backBuffer_.height;
  // Scaled to fit, keeping the picture's shape: bars where the window has another shape.
  int outW = dw, outH = int((long long)dw * h / w);
  if (outH > dh) {
    outH = dh;
    outW = int((long long)dh * w / h);
  }
  const int x = (dw - outW) / 2, y = (dh - outH) / 2;
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  // Black bars where the picture leaves the window uncovered; a full-window clear under a
  // picture that covers it all would cost a whole pass for nothing.
  if (outW != dw || outH != dh) {
    gl_.Viewport(0, 0, dw, dh);
    gl_.ClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  int y0, y1;
  WindowRowsForTopDown(y, outH, y0, y1, dh);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, frontBuffer_.framebuffer);
  glBlitFramebuffer(0, 0, w, h, x, y0, x + outW, y1, GL_COLOR_BUFFER_BIT,
                    outW == w && outH == h ? GL_NEAREST : GL_LINEAR);
}

}  // namespace ember::d3d9

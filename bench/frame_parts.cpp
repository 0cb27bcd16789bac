#include "bench/frame_parts.h"

#include <time.h>

#include <cstdio>

#include "app/app_state.h"
#include "bench/frame_stats.h"
#include "overlay/frame_rate.h"
#include "overlay/text_font.h"
#include "scene/camera.h"
#include "scene/flame_scene.h"
#include "scene/mesh_object.h"

namespace ember::bench {
namespace {

// Waits until the device has done all the work issued so far, polling gently: a spinning
// poll would take a core from the software rasterizer's threads.
void FinishDevice(IDirect3DQuery9* event) {
  event->Issue(D3DISSUE_END);
  const timespec pause{0, 20000};
  while (event->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE) nanosleep(&pause, nullptr);
}

}  // namespace

void RenderFrameInParts(IDirect3DQuery9* event, FrameParts& parts) {
  FinishDevice(event);
  double start = NowMs();
  g_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0x00000000,
                  1.0f, 0);
  if (g_backgroundSurface && g_backBuffer)
    g_device->UpdateSurface(g_backgroundSurface, nullptr, g_backBuffer, nullptr);
  FinishDevice(event);
  double end = NowMs();
  parts.clearAndBackground = end - start;

  start = end;
  UpdateCamera();
  g_device->GetTransform(D3DTS_WORLD, &g_worldMatrix);
  g_device->GetTransform(D3DTS_PROJECTION, &g_projectionMatrix);
  D3DXMatrixMultiply(&g_wvpMatrix, &g_worldMatrix, &g_camera.view);
  D3DXMatrixMultiply(&g_wvpMatrix, &g_wvpMatrix, &g_projectionMatrix);
  g_ticks = float(GetTickCount()) / 1000.0f;
  g_flameObject.UpdateWorldTransform();
  g_device->BeginScene();
  if (g_flameMesh) g_device->SetVertexDeclaration(g_flameMesh->vertexDeclaration);
  DrawFlame();
  g_device->EndScene();
  FinishDevice(event);
  end = NowMs();
  parts.flame = end - start;

  start = end;
  g_device->BeginScene();
  g_frameRate = GetFrameRate();
  std::snprintf(g_fpsText, sizeof g_fpsText, "FPS: %.2f", double(g_frameRate));
  DrawText2D(int(g_screenWidth * 0.2 / 100), int(g_screenHeight * 0.2 / 100), g_fpsText,
             D3DXCOLOR(255.0f, 255.0f, 255.0f, 1.0f));
  g_device->EndScene();
  FinishDevice(event);
  end = NowMs();
  parts.text = end - start;

  start = end;
  g_device->Present(nullptr, nullptr, nullptr, nullptr);
  FinishDevice(event);
  parts.present = NowMs() - start;
}

}  // namespace ember::bench

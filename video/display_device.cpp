#include "video/display_device.h"

#include <cstring>

#include "video/display_options.h"

D3DPRESENT_PARAMETERS g_presentParameters;
bool g_createdHal = false;
bool g_createdRef = false;

namespace {

void FillFullScreenParameters(D3DFORMAT desktopFormat) {
  g_presentParameters.BackBufferWidth = g_displayWidth;
  g_presentParameters.BackBufferHeight = g_displayHeight;
  g_presentParameters.BackBufferFormat = desktopFormat;
  g_presentParameters.BackBufferCount = 1;
  g_presentParameters.MultiSampleType = D3DMULTISAMPLE_NONE;
  g_presentParameters.MultiSampleQuality = 0;
  g_presentParameters.SwapEffect = D3DSWAPEFFECT_COPY;
  g_presentParameters.hDeviceWindow = nullptr;
  g_presentParameters.Windowed = FALSE;
  g_presentParameters.EnableAutoDepthStencil = TRUE;
  g_presentParameters.AutoDepthStencilFormat = D3DFMT_D24S8;
  g_presentParameters.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
  g_presentParameters.FullScreen_RefreshRateInHz = 0;
  g_presentParameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
}

void SizeWindowForDisplay(HWND window) {
  RECT client, outer;
  GetClientRect(window, &client);
  GetWindowRect(window, &outer);
  int width, height;
  WindowSizeForClient(outer, client, width, height);
  MoveWindow(window, outer.left, outer.top, width, height, TRUE);
}

void SetProjection(IDirect3DDevice9* device) {
  D3DXMATRIX projection;
  float aspect =
      float(g_presentParameters.BackBufferWidth) / float(g_presentParameters.BackBufferHeight);
  D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, aspect, 1.0f, 10000.0f);
  device->SetTransform(D3DTS_PROJECTION, &projection);
}

void SetFirstStates(IDirect3DDevice9* device) {
  device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
}

}  // namespace

void WindowSizeForClient(const RECT& windowRect, const RECT& clientRect, int& width, int& height) {
  width = (windowRect.right - windowRect.left) + (g_displayWidth - clientRect.right);
  height = (windowRect.bottom - windowRect.top) + (g_displayHeight - clientRect.bottom);
}

HRESULT CreateDisplayDevice(IDirect3D9** direct3D, IDirect3DDevice9** device, HWND window,
                            int noQuestion, int multithreaded) {
  ResetOptionsFile();
  if (!direct3D || !device || !window) return E_FAIL;

  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!d3d) {
    MessageBoxA(window, "Installare DirectX 9.0c \n", "Errore", MB_ICONWARNING);
    OutputDebugStringA("ERROR: Installare DirectX 9.0c \n");
    return E_FAIL;
  }
  *direct3D = d3d;

  bool fullScreen = AskFullScreen(window, noQuestion);

  std::memset(&g_presentParameters, 0, sizeof g_presentParameters);
  D3DDISPLAYMODE desktop{};
  d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop);

  OpenOptionsFile();
  if (fullScreen) {
    FillFullScreenParameters(desktop.Format);
    WriteFullScreenSettings();
  } else {
    SizeWindowForDisplay(window);
    FillFullScreenParameters(desktop.Format);
    g_presentParameters.Windowed = TRUE;
    WriteWindowedSettings();
  }
  WriteEmptyLine();

  // A failed query leaves a record with no capability at all.
  D3DCAPS9 hardwareCaps;
  std::memset(&hardwareCaps, 0, sizeof hardwareCaps);
  d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &hardwareCaps);
  DWORD behaviour = (hardwareCaps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT)
                        ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                        : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
  if (multithreaded == 1) behaviour |= D3DCREATE_MULTITHREADED;

  IDirect3DDevice9* created = nullptr;
  g_createdHal = g_createdRef = false;
  HRESULT status = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, behaviour,
                                     &g_presentParameters, &created);
  if (SUCCEEDED(status)) {
    g_createdHal = true;
  } else {
    status = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, window, behaviour,
                               &g_presentParameters, &created);
    if (FAILED(status)) {
      CloseOptionsFile();
      return status;
    }
    g_createdRef = true;
  }
  *device = created;

  SetProjection(created);
  WriteDeviceType(g_createdRef);
  SetFirstStates(created);
  WriteCapabilitiesAndClose(hardwareCaps);
  return S_OK;
}

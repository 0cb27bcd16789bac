#include "input/mouse.h"

#include <cstring>

#include "app/app_state.h"
#include "app/log.h"
#include "input/keyboard.h"

MouseDevice g_mouse;

namespace {
const char* const kCursorImage = "..\\Immagini\\Mouse\\cursore.bmp";
}

MouseDevice::MouseDevice()
    : device(nullptr), cursorTexture(nullptr), cursorSprite(nullptr), acquired(0), x(0), y(0) {
  std::memset(&mouseState, 0, sizeof mouseState);
}

MouseDevice::~MouseDevice() {
  if (device) {
    device->Unacquire();
    device->Release();
    device = nullptr;
  }
  if (cursorTexture) cursorTexture->Release();
  if (cursorSprite) cursorSprite->Release();
  cursorTexture = nullptr;
  cursorSprite = nullptr;
}

HRESULT MouseDevice::Init() {
  if (!g_directInput) return E_FAIL;
  if (device) {
    device->Release();
    device = nullptr;
  }
  if (FAILED(g_directInput->CreateDevice(GUID_SysMouse, &device, nullptr))) {
    ReportError("Unable to create mouse device");
    return E_FAIL;
  }
  if (FAILED(device->SetDataFormat(&c_dfDIMouse))) {
    ReportError("Unable to set the mouse data format");
    return E_FAIL;
  }
  if (FAILED(device->SetCooperativeLevel(g_mainWindow, DISCL_EXCLUSIVE | DISCL_FOREGROUND))) {
    ReportError("Unable to set the cooperative level for the mouse");
    return E_FAIL;
  }
  if (FAILED(device->Acquire())) {
    ReportError("Unable to acquire mouse");
    return E_FAIL;
  }
  acquired = 1;
  if (FAILED(D3DXCreateTextureFromFileExA(g_device, kCursorImage, 0, 0, 0, 0, D3DFMT_UNKNOWN,
                                          D3DPOOL_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0xFF000000,
                                          nullptr, nullptr, &cursorTexture)))
    ReportError("Impossibile caricare la texture");
  if (FAILED(D3DXCreateSprite(g_device, &cursorSprite)))
    ReportError("Impossibile inizializzare la sprite");
  return S_OK;
}

void MouseDevice::Poll() {
  // A failed second Init leaves the flag set without a device.
  if (!acquired || !device) return;
  HRESULT hr = device->GetDeviceState(sizeof mouseState, &mouseState);
  if (SUCCEEDED(hr)) return;
  // A failed read must not move the cursor by stale motion.
  mouseState.lX = mouseState.lY = mouseState.lZ = 0;
  if (hr != DIERR_INPUTLOST) return;
  if (SUCCEEDED(AcquireAfterInputLost(device)))
    device->GetDeviceState(sizeof mouseState, &mouseState);
}

void MouseDevice::UpdatePosition() {
  x += mouseState.lX;
  y += mouseState.lY;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  if (x > g_cursorMaxX) x = g_cursorMaxX;
  if (y > g_cursorMaxY) y = g_cursorMaxY;
  if (g_device) g_device->SetCursorPosition(x, y, 0);
}

void MouseDevice::DrawCursor() {
  if (!cursorSprite || !cursorTexture) return;
  D3DXVECTOR3 position(float(x), float(y), 0.0f);
  g_device->BeginScene();
  cursorSprite->Begin(D3DXSPRITE_ALPHABLEND);
  cursorSprite->Draw(cursorTexture, nullptr, nullptr, &position, 0xFFFFFFFF);
  cursorSprite->End();
  g_device->EndScene();
}

void MouseDevice::GetPosition(int* outX, int* outY) const {
  *outX = x;
  *outY = y;
}

int MouseDevice::IsButtonDown(int button) const {
  if (button < 0 || button > 3) return 0;
  return (mouseState.rgbButtons[button] & 0x80) ? 1 : 0;
}

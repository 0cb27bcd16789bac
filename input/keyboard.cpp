#include "input/keyboard.h"

#include <cstring>

#include "app/app_state.h"
#include "app/log.h"
#include "input/mouse.h"

IDirectInput8* g_directInput = nullptr;
KeyboardDevice g_keyboard;

namespace {
// DirectInput never answers DIERR_INPUTLOST from Acquire; the bound keeps a device that
// does from hanging the frame.
const int kAcquireTries = 4;
}  // namespace

HRESULT AcquireAfterInputLost(IDirectInputDevice8* device) {
  HRESULT hr = device->Acquire();
  for (int i = 1; i < kAcquireTries && hr == DIERR_INPUTLOST; ++i) hr = device->Acquire();
  return hr;
}

KeyboardDevice::KeyboardDevice() : device(nullptr), acquired(0) {
  std::memset(keyState, 0, sizeof keyState);
}

KeyboardDevice::~KeyboardDevice() {
  if (!device) return;
  device->Unacquire();
  device->Release();
  device = nullptr;
}

HRESULT KeyboardDevice::Init() {
  if (!g_directInput) return E_FAIL;
  if (device) {
    device->Unacquire();
    device->Release();
    device = nullptr;
  }
  if (FAILED(g_directInput->CreateDevice(GUID_SysKeyboard, &device, nullptr))) {
    ReportError("Failed to create key device");
    return E_FAIL;
  }
  if (FAILED(device->SetDataFormat(&c_dfDIKeyboard))) {
    ReportError("Unable to set the keyboard data format");
    return E_FAIL;
  }
  if (FAILED(device->SetCooperativeLevel(g_mainWindow, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND))) {
    ReportError("Unable to set keyboard cooperative level");
    return E_FAIL;
  }
  if (FAILED(device->Acquire())) {
    ReportError("Unable to acquire the keyboard");
    return E_FAIL;
  }
  acquired = 1;
  return S_OK;
}

int KeyboardDevice::IsKeyDown(int keyCode) {
  // A failed second Init leaves the flag set without a device.
  if (!acquired || !device || keyCode < 0 || keyCode > 255) return 0;
  HRESULT hr = device->GetDeviceState(sizeof keyState, keyState);
  if (FAILED(hr)) {
    if (hr != DIERR_INPUTLOST) return 0;
    if (FAILED(AcquireAfterInputLost(device))) return 0;
    device->GetDeviceState(sizeof keyState, keyState);
  }
  return (keyState[keyCode] & 0x80) ? 1 : 0;
}

HRESULT InitInput() {
  if (g_directInput) {
    g_directInput->Release();
    g_directInput = nullptr;
  }
  if (FAILED(DirectInput8Create(g_instance, DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                reinterpret_cast<void**>(&g_directInput), nullptr))) {
    ReportError("Failed to create DirectInput");
    return E_FAIL;
  }
  if (FAILED(g_keyboard.Init())) {
    ReportError("Failed to initialize keyboard");
    return E_FAIL;
  }
  if (FAILED(g_mouse.Init())) {
    ReportError("Unable to initialize mouse");
    return E_FAIL;
  }
  return S_OK;
}

void ReleaseInput() {
  if (!g_directInput) return;
  g_directInput->Release();
  g_directInput = nullptr;
}

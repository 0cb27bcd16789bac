#include "runtime/dinput8/device.h"

#include "runtime/win32/win32_internal.h"

namespace ember::dinput8 {

namespace {

constexpr DWORD kKnownLevelFlags =
    DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND | DISCL_NOWINKEY;

bool ExactlyOne(DWORD flags, DWORD a, DWORD b) { return ((flags & a) != 0) != ((flags & b) != 0); }

bool SameObject(const DIOBJECTDATAFORMAT& a, const DIOBJECTDATAFORMAT& b) {
  if ((a.pguid == nullptr) != (b.pguid == nullptr)) return false;
  if (a.pguid && *a.pguid != *b.pguid) return false;
  return a.dwOfs == b.dwOfs && a.dwType == b.dwType && a.dwFlags == b.dwFlags;
}

// Only the standard formats are served, so a format is valid when it describes the device's
// own one: the same header and the same objects, wherever the caller keeps them.
bool SameFormat(const DIDATAFORMAT& given, const DIDATAFORMAT& expected) {
  if (given.dwSize != expected.dwSize || given.dwObjSize != expected.dwObjSize ||
      given.dwFlags != expected.dwFlags || given.dwDataSize != expected.dwDataSize ||
      given.dwNumObjs != expected.dwNumObjs || !given.rgodf)
    return false;
  for (DWORD i = 0; i < expected.dwNumObjs; ++i)
    if (!SameObject(given.rgodf[i], expected.rgodf[i])) return false;
  return true;
}

}  // namespace

Device::Device(IDirectInput8A* owner, const DIDATAFORMAT& format)
    : ChildObject(owner, nullptr), format_(format) {
  TakeFirstReference();
}

ULONG Device::Release() {
  // Letting go of the last reference gives the device up, as DirectInput does.
  if (RefCount() == 1) Unacquire();
  return ChildObject::Release();
}

HRESULT Device::SetDataFormat(LPCDIDATAFORMAT format) {
  if (acquired_) return DIERR_ACQUIRED;
  if (!format || !SameFormat(*format, format_)) return DIERR_INVALIDPARAM;
  formatSet_ = true;
  return DI_OK;
}

HRESULT Device::SetCooperativeLevel(HWND window, DWORD flags) {
  if (acquired_) return DIERR_ACQUIRED;
  if ((flags & ~kKnownLevelFlags) != 0 || !ExactlyOne(flags, DISCL_EXCLUSIVE, DISCL_NONEXCLUSIVE) ||
      !ExactlyOne(flags, DISCL_FOREGROUND, DISCL_BACKGROUND))
    return DIERR_INVALIDPARAM;
  if (!window) return DIERR_INVALIDPARAM;
  if (!win32::IsLiveWindow(window)) return E_HANDLE;
  HRESULT kindStatus = CheckLevel(flags);
  if (FAILED(kindStatus)) return kindStatus;
  window_ = window;
  level_ = flags;
  return DI_OK;
}

HRESULT Device::Acquire() {
  win32::PumpHostEvents();
  NoticeLostFocus();
  if (acquired_) return S_FALSE;
  if (!formatSet_) return DIERR_INVALIDPARAM;
  if ((level_ & DISCL_FOREGROUND) && !win32::IsForeground(window_)) return DIERR_OTHERAPPHASPRIO;
  acquired_ = true;
  inputLost_ = false;
  OnAcquired();
  return DI_OK;
}

HRESULT Device::Unacquire() {
  inputLost_ = false;
  if (!acquired_) return DI_NOEFFECT;
  acquired_ = false;
  OnUnacquired();
  return DI_OK;
}

HRESULT Device::GetDeviceState(DWORD size, LPVOID data) {
  win32::PumpHostEvents();
  NoticeLostFocus();
  if (!acquired_) {
    // A device taken away by the window system stays lost until it is acquired again, so a
    // program that re-acquires on DIERR_INPUTLOST gets its input back after a focus switch.
    return inputLost_ ? DIERR_INPUTLOST : DIERR_NOTACQUIRED;
  }
  if (!data || size != format_.dwDataSize) return DIERR_INVALIDPARAM;
  ReadState(data);
  return DI_OK;
}

void Device::NoticeLostFocus() {
  // A foreground device is taken away as soon as its window leaves the front.
  if (!acquired_ || !(level_ & DISCL_FOREGROUND) || win32::IsForeground(window_)) return;
  acquired_ = false;
  inputLost_ = true;
  OnUnacquired();
}

}  // namespace ember::dinput8

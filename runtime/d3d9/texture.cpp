#include "runtime/d3d9/texture.h"

namespace ember::d3d9 {

D3DSURFACE_DESC LevelDesc(const TextureCore& core, UINT level) {
  const TextureLevel& info = core.Level(level);
  return D3DSURFACE_DESC{core.Format(), D3DRTYPE_SURFACE,    core.Usage(),
                         core.Pool(),   D3DMULTISAMPLE_NONE, 0,
                         info.width,    info.height};
}

HRESULT LockLevel(TextureCore& core, UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect,
                  DWORD flags) {
  if (!lockedRect) return D3DERR_INVALIDCALL;
  TextureBox box{};
  if (rect) {
    if (rect->left < 0 || rect->top < 0 || rect->right < 0 || rect->bottom < 0)
      return D3DERR_INVALIDCALL;
    box =
        TextureBox{UINT(rect->left), UINT(rect->top), 0, UINT(rect->right), UINT(rect->bottom), 1};
  }
  uint8_t* bits = nullptr;
  size_t pitch = 0;
  HRESULT status = core.Lock(level, rect ? &box : nullptr, flags, &bits, &pitch, nullptr);
  if (FAILED(status)) return status;
  lockedRect->Pitch = INT_PTR(pitch);
  lockedRect->pBits = bits;
  return D3D_OK;
}

Texture* Texture::Create(Device* device, UINT width, UINT height, UINT levels, DWORD usage,
                         D3DFORMAT format, D3DPOOL pool, HRESULT& status) {
  Texture* texture = new Texture(device);
  status = texture->core_.Init(false, width, height, 1, levels, usage, format, pool);
  if (FAILED(status)) {
    delete texture;
    return nullptr;
  }
  for (UINT i = 0; i < texture->core_.LevelCount(); ++i)
    texture->levels_[i] = new TextureSurface(device, texture, texture->core_, i);
  texture->TakeFirstReference();
  return texture;
}

Texture::~Texture() {
  for (TextureSurface* level : levels_) delete level;
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
  if (!desc || level >= core_.LevelCount()) return D3DERR_INVALIDCALL;
  *desc = LevelDesc(core_, level);
  return D3D_OK;
}

HRESULT Texture::GetSurfaceLevel(UINT level, IDirect3DSurface9** surfaceLevel) {
  if (!surfaceLevel) return D3DERR_INVALIDCALL;
  *surfaceLevel = nullptr;
  if (level >= core_.LevelCount()) return D3DERR_INVALIDCALL;
  levels_[level]->AddRef();
  *surfaceLevel = levels_[level];
  return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
  return LockLevel(core_, level, lockedRect, rect, flags);
}

HRESULT Texture::UnlockRect(UINT level) { return core_.Unlock(level); }

TextureSurface::TextureSurface(Device* device, IDirect3DTexture9* texture, TextureCore& core,
                               UINT level)
    : DeviceChild(device, texture), core_(core), level_(level) {}

HRESULT TextureSurface::GetDesc(D3DSURFACE_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = LevelDesc(core_, level_);
  return D3D_OK;
}

HRESULT TextureSurface::LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
  return LockLevel(core_, level_, lockedRect, rect, flags);
}

HRESULT TextureSurface::UnlockRect() { return core_.Unlock(level_); }

}  // namespace ember::d3d9

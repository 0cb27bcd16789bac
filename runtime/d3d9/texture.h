// IDirect3DTexture9: a 2D texture over a texture core, with one surface object per level.
#pragma once

#include "runtime/d3d9/device_child.h"
#include "runtime/d3d9/texture_object.h"

namespace ember::d3d9 {

class TextureSurface;

class Texture : public TextureObject<IDirect3DTexture9> {
 public:
  // Null and the status CreateTexture answers when the arguments are refused.
  static Texture* Create(Device* device, UINT width, UINT height, UINT levels, DWORD usage,
                         D3DFORMAT format, D3DPOOL pool, HRESULT& status);

  D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
  HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surfaceLevel) override;
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) override;
  HRESULT UnlockRect(UINT level) override;

 private:
  explicit Texture(Device* device) : TextureObject(device) {}
  ~Texture() override;

  TextureSurface* levels_[TextureCore::kMaxLevels] = {};
};

// A level of a texture seen as a surface; its references are the texture's.
class TextureSurface : public DeviceChild<IDirect3DSurface9> {
 public:
  TextureSurface(Device* device, IDirect3DTexture9* texture, TextureCore& core, UINT level);

  D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
  HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
  HRESULT LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) override;
  HRESULT UnlockRect() override;

 private:
  TextureCore& core_;
  UINT level_;
};

// Direct3D's description of a level.
D3DSURFACE_DESC LevelDesc(const TextureCore& core, UINT level);
// A lock of a texture level through a RECT, as LockRect takes it.
HRESULT LockLevel(TextureCore& core, UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect,
                  DWORD flags);

}  // namespace ember::d3d9

// IDirect3DVolumeTexture9: a 3D texture over the same texture core as 2D textures.
#pragma once

#include "runtime/d3d9/texture_object.h"

namespace ember::d3d9 {

class VolumeTexture : public TextureObject<IDirect3DVolumeTexture9> {
 public:
  // Null and the status CreateVolumeTexture answers when the arguments are refused.
  static VolumeTexture* Create(Device* device, UINT width, UINT height, UINT depth, UINT levels,
                               DWORD usage, D3DFORMAT format, D3DPOOL pool, HRESULT& status);

  D3DRESOURCETYPE GetType() override { return D3DRTYPE_VOLUMETEXTURE; }
  HRESULT GetLevelDesc(UINT level, D3DVOLUME_DESC* desc) override;
  HRESULT LockBox(UINT level, D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags) override;
  HRESULT UnlockBox(UINT level) override;

 private:
  explicit VolumeTexture(Device* device) : TextureObject(device) {}
};

}  // namespace ember::d3d9

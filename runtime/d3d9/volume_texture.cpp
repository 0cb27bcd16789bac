#include "runtime/d3d9/volume_texture.h"

namespace ember::d3d9 {

VolumeTexture* VolumeTexture::Create(Device* device, UINT width, UINT height, UINT depth,
                                     UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                     HRESULT& status) {
  VolumeTexture* texture = new VolumeTexture(device);
  status = texture->core_.Init(true, width, height, depth, levels, usage, format, pool);
  if (FAILED(status)) {
    delete texture;
    return nullptr;
  }
  texture->TakeFirstReference();
  return texture;
}

HRESULT VolumeTexture::GetLevelDesc(UINT level, D3DVOLUME_DESC* desc) {
  if (!desc || level >= core_.LevelCount()) return D3DERR_INVALIDCALL;
  const TextureLevel& info = core_.Level(level);
  *desc = D3DVOLUME_DESC{core_.Format(), D3DRTYPE_VOLUME, core_.Usage(), core_.Pool(),
                         info.width,     info.height,     info.depth};
  return D3D_OK;
}

HRESULT VolumeTexture::LockBox(UINT level, D3DLOCKED_BOX* lockedVolume, const D3DBOX* box,
                               DWORD flags) {
  if (!lockedVolume) return D3DERR_INVALIDCALL;
  TextureBox region{};
  if (box) region = TextureBox{box->Left, box->Top, box->Front, box->Right, box->Bottom, box->Back};
  uint8_t* bits = nullptr;
  size_t rowPitch = 0, slicePitch = 0;
  HRESULT status = core_.Lock(level, box ? &region : nullptr, flags, &bits, &rowPitch, &slicePitch);
  if (FAILED(status)) return status;
  lockedVolume->RowPitch = INT_PTR(rowPitch);
  lockedVolume->SlicePitch = INT_PTR(slicePitch);
  lockedVolume->pBits = bits;
  return D3D_OK;
}

HRESULT VolumeTexture::UnlockBox(UINT level) { return core_.Unlock(level); }

}  // namespace ember::d3d9

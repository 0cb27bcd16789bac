// Creating textures and memory surfaces, and binding textures to the sampler stages.
#include "runtime/d3d9/device.h"
#include "runtime/d3d9/surface.h"
#include "runtime/d3d9/texture.h"
#include "runtime/d3d9/volume_texture.h"

namespace ember::d3d9 {

void Device::CreateTextureState() { textures_.Create(); }

void Device::DestroyTextureState() {
  textures_.Destroy();
  upload_.Destroy();
}

HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* sharedHandle) {
  if (!texture) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  // Shared resources belong to Direct3D 9Ex.
  if (sharedHandle) return D3DERR_INVALIDCALL;
  if (width > caps_.MaxTextureWidth || height > caps_.MaxTextureHeight) return D3DERR_INVALIDCALL;
  HRESULT status = D3D_OK;
  Texture* created = Texture::Create(this, width, height, levels, usage, format, pool, status);
  if (!created) return status;
  *texture = created;
  return D3D_OK;
}

HRESULT Device::CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
                                    D3DFORMAT format, D3DPOOL pool,
                                    IDirect3DVolumeTexture9** texture, HANDLE* sharedHandle) {
  if (!texture) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  if (sharedHandle) return D3DERR_INVALIDCALL;
  const UINT extent = caps_.MaxVolumeExtent;
  if (width > extent || height > extent || depth > extent) return D3DERR_INVALIDCALL;
  HRESULT status = D3D_OK;
  VolumeTexture* created =
      VolumeTexture::Create(this, width, height, depth, levels, usage, format, pool, status);
  if (!created) return status;
  *texture = created;
  return D3D_OK;
}

HRESULT Device::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DSurface9** surface, HANDLE* sharedHandle) {
  if (!surface) return D3DERR_INVALIDCALL;
  *surface = nullptr;
  // Plain surfaces live in memory here; the managed pool never holds them.
  if (sharedHandle || (pool != D3DPOOL_SYSTEMMEM && pool != D3DPOOL_SCRATCH))
    return D3DERR_INVALIDCALL;
  Surface* created = Surface::CreateMemory(this, width, height, format, pool);
  if (!created) return D3DERR_INVALIDCALL;
  *surface = created;
  return D3D_OK;
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  if (stage >= TextureStages::kStageCount) return D3DERR_INVALIDCALL;
  TextureBinding* binding = nullptr;
  if (texture) {
    binding = dynamic_cast<TextureBinding*>(texture);
    // Only textures of this device that the GPU can sample.
    if (!binding || binding->OwnerDevice() != this || binding->Core().Name() == 0)
      return D3DERR_INVALIDCALL;
  }
  textures_.Set(stage, binding);
  return D3D_OK;
}

HRESULT Device::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
  if (!texture) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  if (stage >= TextureStages::kStageCount) return D3DERR_INVALIDCALL;
  if (TextureBinding* binding = textures_.Get(stage)) {
    *texture = binding->AsBaseTexture();
    (*texture)->AddRef();
  }
  return D3D_OK;
}

}  // namespace ember::d3d9

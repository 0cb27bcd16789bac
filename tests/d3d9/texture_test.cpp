// Textures and memory surfaces: creation rules, level descriptions, locks, and how the
// device's stages hold textures.
#include <cstring>

#include "runtime/d3d9/gl_context.h"
#include "tests/support/device_test.h"

namespace ember::test {
namespace {

using TextureTest = DeviceTest;

TEST_F(TextureTest, ZeroLevelsGivesTheFullChainWithHalvedSides) {
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(
      device_->CreateTexture(300, 200, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
      D3D_OK);
  // 300, 150, 75, 37, 18, 9, 4, 2, 1 across.
  EXPECT_EQ(texture->GetLevelCount(), 9u);
  EXPECT_EQ(texture->GetType(), D3DRTYPE_TEXTURE);
  D3DSURFACE_DESC desc{};
  ASSERT_EQ(texture->GetLevelDesc(3, &desc), D3D_OK);
  EXPECT_EQ(desc.Width, 37u);
  EXPECT_EQ(desc.Height, 25u);
  EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
  EXPECT_EQ(desc.Type, D3DRTYPE_SURFACE);
  ASSERT_EQ(texture->GetLevelDesc(8, &desc), D3D_OK);
  EXPECT_EQ(desc.Width, 1u);
  EXPECT_EQ(desc.Height, 1u);
  EXPECT_EQ(texture->GetLevelDesc(9, &desc), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture->Release(), 0u);
}

TEST_F(TextureTest, S3tcTexturesHoldRowsOfBlocks) {
  IDirect3DTexture9* texture = nullptr;
  const HRESULT created =
      device_->CreateTexture(10, 6, 0, 0, D3DFMT_DXT5, D3DPOOL_MANAGED, &texture, nullptr);
  if (!d3d9::GLHasExtension("GL_EXT_texture_compression_s3tc")) {
    EXPECT_EQ(created, D3DERR_INVALIDCALL);  // a driver without S3TC: the loaders decode
    return;
  }
  ASSERT_EQ(created, D3D_OK);
  // 10x6 takes 3x2 blocks of 16 bytes; 5x3 takes 2x1; 2x1 and 1x1 one each.
  EXPECT_EQ(texture->GetLevelCount(), 4u);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(locked.Pitch, 48);
  ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
  ASSERT_EQ(texture->LockRect(1, &locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(locked.Pitch, 32);
  ASSERT_EQ(texture->UnlockRect(1), D3D_OK);
  // A box on block edges, or running to the level's edge, starts at its block.
  uint8_t* whole = nullptr;
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  whole = static_cast<uint8_t*>(locked.pBits);
  ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
  const RECT edge{8, 4, 10, 6};
  ASSERT_EQ(texture->LockRect(0, &locked, &edge, 0), D3D_OK);
  EXPECT_EQ(static_cast<uint8_t*>(locked.pBits), whole + 48 + 2 * 16);
  ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
  const RECT split{0, 0, 6, 4};
  EXPECT_EQ(texture->LockRect(0, &locked, &split, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture->Release(), 0u);
  // Volumes have no S3TC form here.
  IDirect3DVolumeTexture9* volume = nullptr;
  EXPECT_EQ(
      device_->CreateVolumeTexture(4, 4, 4, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &volume, nullptr),
      D3DERR_INVALIDCALL);
}

TEST_F(TextureTest, RefusedArgumentsLeaveNoTexture) {
  IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(this);
  auto create = [&](UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool) {
    return device_->CreateTexture(w, h, levels, usage, format, pool, &texture, nullptr);
  };
  EXPECT_EQ(create(300, 200, 10, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture, nullptr);
  EXPECT_EQ(create(0, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
  EXPECT_EQ(create(16, 16, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
  EXPECT_EQ(create(16, 16, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(create(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(create(100000, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture, nullptr);
  HANDLE shared = nullptr;
  EXPECT_EQ(
      device_->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, &shared),
      D3DERR_INVALIDCALL);
  EXPECT_EQ(
      device_->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, nullptr, nullptr),
      D3DERR_INVALIDCALL);
}

TEST_F(TextureTest, LockHandsOutTheLevelWithItsPitchInLockablePools) {
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device_->CreateTexture(10, 6, 2, 0, D3DFMT_L8, D3DPOOL_MANAGED, &texture, nullptr),
            D3D_OK);
  D3DLOCKED_RECT whole{}, part{};
  ASSERT_EQ(texture->LockRect(1, &whole, nullptr, 0), D3D_OK);
  EXPECT_EQ(whole.Pitch, 5);
  EXPECT_EQ(texture->LockRect(1, &part, nullptr, 0), D3DERR_INVALIDCALL);
  ASSERT_EQ(texture->UnlockRect(1), D3D_OK);
  EXPECT_EQ(texture->UnlockRect(1), D3DERR_INVALIDCALL);

  const RECT rect{2, 1, 4, 3};
  ASSERT_EQ(texture->LockRect(1, &part, &rect, 0), D3D_OK);
  EXPECT_EQ(static_cast<uint8_t*>(part.pBits) - static_cast<uint8_t*>(whole.pBits), 1 * 5 + 2);
  ASSERT_EQ(texture->UnlockRect(1), D3D_OK);
  const RECT outside{3, 0, 6, 2};
  EXPECT_EQ(texture->LockRect(1, &part, &outside, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture->LockRect(2, &part, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture->Release(), 0u);

  // In the default pool only dynamic textures lock.
  IDirect3DTexture9* dynamic = nullptr;
  ASSERT_EQ(device_->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, nullptr),
            D3D_OK);
  ASSERT_EQ(device_->CreateTexture(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                   &dynamic, nullptr),
            D3D_OK);
  EXPECT_EQ(texture->LockRect(0, &whole, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(dynamic->LockRect(0, &whole, nullptr, 0), D3D_OK);
  EXPECT_EQ(dynamic->UnlockRect(0), D3D_OK);
  dynamic->Release();
  texture->Release();
}

TEST_F(TextureTest, LevelSurfacesShareTheTexturesReferencesAndPixels) {
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(
      device_->CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &texture, nullptr),
      D3D_OK);
  IDirect3DSurface9* level = nullptr;
  ASSERT_EQ(texture->GetSurfaceLevel(1, &level), D3D_OK);
  EXPECT_EQ(texture->AddRef(), 3u);
  EXPECT_EQ(texture->Release(), 2u);
  D3DSURFACE_DESC desc{};
  ASSERT_EQ(level->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Width, 2u);
  EXPECT_EQ(desc.Pool, D3DPOOL_SYSTEMMEM);

  D3DLOCKED_RECT locked{};
  ASSERT_EQ(level->LockRect(&locked, nullptr, 0), D3D_OK);
  static_cast<uint32_t*>(locked.pBits)[1] = 0x12345678u;
  ASSERT_EQ(level->UnlockRect(), D3D_OK);
  ASSERT_EQ(texture->LockRect(1, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(static_cast<uint32_t*>(locked.pBits)[1], 0x12345678u);
  ASSERT_EQ(texture->UnlockRect(1), D3D_OK);

  EXPECT_EQ(level->Release(), 1u);
  EXPECT_EQ(texture->GetSurfaceLevel(4, &level), D3DERR_INVALIDCALL);
  EXPECT_EQ(level, nullptr);
  EXPECT_EQ(texture->Release(), 0u);
}

TEST_F(TextureTest, TexturesKeepTheirDeviceAlive) {
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device_->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
            D3D_OK);
  // The test's reference and the texture's.
  EXPECT_EQ(device_->AddRef(), 3u);
  EXPECT_EQ(device_->Release(), 2u);
  IDirect3DDevice9* owner = nullptr;
  ASSERT_EQ(texture->GetDevice(&owner), D3D_OK);
  EXPECT_EQ(owner, device_);
  owner->Release();
  EXPECT_EQ(texture->Release(), 0u);
  EXPECT_EQ(device_->AddRef(), 2u);
  EXPECT_EQ(device_->Release(), 1u);
}

TEST_F(TextureTest, StagesHoldTexturesWithoutCountingAsReferences) {
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device_->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
            D3D_OK);
  ASSERT_EQ(device_->SetTexture(3, texture), D3D_OK);
  EXPECT_EQ(texture->AddRef(), 2u);
  texture->Release();

  IDirect3DBaseTexture9* bound = nullptr;
  ASSERT_EQ(device_->GetTexture(3, &bound), D3D_OK);
  EXPECT_EQ(bound, static_cast<IDirect3DBaseTexture9*>(texture));
  EXPECT_EQ(bound->Release(), 1u);
  // Released by the program while bound: the stage still has it.
  EXPECT_EQ(texture->Release(), 0u);
  ASSERT_EQ(device_->GetTexture(3, &bound), D3D_OK);
  ASSERT_NE(bound, nullptr);
  EXPECT_EQ(bound->GetLevelCount(), 1u);
  bound->Release();
  ASSERT_EQ(device_->GetTexture(0, &bound), D3D_OK);
  EXPECT_EQ(bound, nullptr);
  // Left bound on purpose: the device must still reach zero references at the end.
}

TEST_F(TextureTest, StagesRefuseWhatTheyCannotSample) {
  IDirect3DTexture9* memory = nullptr;
  ASSERT_EQ(
      device_->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &memory, nullptr),
      D3D_OK);
  EXPECT_EQ(device_->SetTexture(0, memory), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetTexture(16, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetTexture(15, nullptr), D3D_OK);
  IDirect3DBaseTexture9* bound = nullptr;
  EXPECT_EQ(device_->GetTexture(16, &bound), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->GetTexture(0, nullptr), D3DERR_INVALIDCALL);
  memory->Release();
}

TEST_F(TextureTest, OffscreenPlainSurfacesLiveInMemoryPoolsOnly) {
  IDirect3DSurface9* surface = nullptr;
  EXPECT_EQ(device_->CreateOffscreenPlainSurface(64, 32, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &surface,
                                                 nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->CreateOffscreenPlainSurface(64, 32, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &surface,
                                                 nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->CreateOffscreenPlainSurface(0, 32, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                                 &surface, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->CreateOffscreenPlainSurface(64, 32, D3DFMT_D24S8, D3DPOOL_SYSTEMMEM, &surface,
                                                 nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(surface, nullptr);
  ASSERT_EQ(device_->CreateOffscreenPlainSurface(64, 32, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH, &surface,
                                                 nullptr),
            D3D_OK);
  D3DSURFACE_DESC desc{};
  ASSERT_EQ(surface->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Width, 64u);
  EXPECT_EQ(desc.Height, 32u);
  EXPECT_EQ(desc.Pool, D3DPOOL_SCRATCH);
  EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(surface->Release(), 0u);
}

TEST_F(TextureTest, CursorPositionIsKept) {
  device_->SetCursorPosition(300, 200, 0);
  EXPECT_EQ(Internal().CursorPosition().x, 300);
  EXPECT_EQ(Internal().CursorPosition().y, 200);
}

}  // namespace
}  // namespace ember::test

// The sprite: pixel placement, the intro's scaling, blending, colour, batching, the device
// state it leaves behind, and no allocation while drawing.
#include <cstdio>

#include "runtime/d3dx9/d3dx9sprite.h"
#include "runtime/d3dx9/d3dx9tex.h"
#include "tests/image/image_test_util.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/device_test.h"

namespace ember::test {
namespace {

// Distinct opaque texels: red by column, green by row, blue by index.
uint32_t Texel(int x, int y) {
  return 0xFF000000u | uint32_t(40 + x * 50) << 16 | uint32_t(40 + y * 50) << 8 |
         uint32_t(7 * (x + 4 * y));
}

std::vector<uint32_t> Texels(int w, int h, uint32_t (*texel)(int, int)) {
  std::vector<uint32_t> out;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out.push_back(texel(x, y));
  return out;
}

class SpriteTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    ASSERT_EQ(D3DXCreateSprite(device_, &sprite_), D3D_OK);
  }
  void TearDown() override {
    if (sprite_) {
      EXPECT_EQ(sprite_->Release(), 0u);
    }
    sprite_ = nullptr;
    DeviceTest::TearDown();
  }

  void DrawOnce(IDirect3DTexture9* texture, float x, float y, D3DCOLOR color = 0xFFFFFFFF,
                DWORD flags = D3DXSPRITE_ALPHABLEND, const RECT* rect = nullptr,
                const D3DXVECTOR3* center = nullptr) {
    const D3DXVECTOR3 position(x, y, 0.0f);
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
    ASSERT_EQ(sprite_->Begin(flags), D3D_OK);
    ASSERT_EQ(sprite_->Draw(texture, rect, center, &position, color), D3D_OK);
    ASSERT_EQ(sprite_->End(), D3D_OK);
    ASSERT_EQ(device_->EndScene(), D3D_OK);
  }

  ID3DXSprite* sprite_ = nullptr;
};

TEST_F(SpriteTest, UntransformedTexelsLandExactlyOnPixels) {
  Clear(0xFF000000);
  IDirect3DTexture9* texture = MakeTexture(4, 4, Texels(4, 4, Texel));
  DrawOnce(texture, 2.0f, 1.0f);
  const std::vector<uint32_t> pixels = ReadBackBuffer();
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(Rgb(pixels, 2 + x, 1 + y), Texel(x, y) & 0xFFFFFF) << x << "," << y;
  EXPECT_EQ(Rgb(pixels, 1, 1), 0u);
  EXPECT_EQ(Rgb(pixels, 6, 1), 0u);
  EXPECT_EQ(Rgb(pixels, 2, 0), 0u);
  EXPECT_EQ(Rgb(pixels, 2, 5), 0u);
  texture->Release();
}

TEST_F(SpriteTest, IntroScalingCoversExactly1024By768) {
  sprite_->Release();
  Start(1100, 800);  // room beyond the picture's edges
  ASSERT_EQ(D3DXCreateSprite(device_, &sprite_), D3D_OK);
  Clear(0xFF000000);
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(
      device_->CreateTexture(2048, 1024, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
      D3D_OK);
  for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
    D3DLOCKED_RECT locked{};
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(level, &desc);
    ASSERT_EQ(texture->LockRect(level, &locked, nullptr, 0), D3D_OK);
    std::memset(locked.pBits, 0xFF, size_t(locked.Pitch) * desc.Height);
    texture->UnlockRect(level);
  }
  D3DXMATRIX scaling;
  D3DXMatrixScaling(&scaling, 0.5f, 0.75f, 1.0f);
  ASSERT_EQ(sprite_->SetTransform(&scaling), D3D_OK);
  ASSERT_EQ(sprite_->Begin(D3DXSPRITE_ALPHABLEND), D3D_OK);
  ASSERT_EQ(sprite_->Draw(texture, nullptr, nullptr, nullptr, 0xFFFFFFFF), D3D_OK);
  ASSERT_EQ(sprite_->End(), D3D_OK);
  const std::vector<uint32_t> pixels = ReadBackBuffer();
  EXPECT_EQ(Rgb(pixels, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(Rgb(pixels, 1023, 0), 0xFFFFFFu);
  EXPECT_EQ(Rgb(pixels, 0, 767), 0xFFFFFFu);
  EXPECT_EQ(Rgb(pixels, 1023, 767), 0xFFFFFFu);
  EXPECT_EQ(Rgb(pixels, 1024, 0), 0u);
  EXPECT_EQ(Rgb(pixels, 1024, 767), 0u);
  EXPECT_EQ(Rgb(pixels, 0, 768), 0u);
  EXPECT_EQ(Rgb(pixels, 1023, 768), 0u);
  texture->Release();
}

TEST_F(SpriteTest, BlendsOverTheClearedColourAndModulatesByTheColour) {
  Clear(0xFF0000FF);
  IDirect3DTexture9* translucent = MakeTexture(1, 1, {0x80FF0000u});
  IDirect3DTexture9* white = MakeTexture(1, 1, {0xFFFFFFFFu});
  DrawOnce(translucent, 10.0f, 10.0f);
  DrawOnce(translucent, 20.0f, 10.0f, 0xFFFFFFFF, 0);
  DrawOnce(white, 30.0f, 10.0f, 0xFF336699);
  const std::vector<uint32_t> pixels = ReadBackBuffer();
  // 128/255 of red over 127/255 of blue.
  const uint32_t blended = Rgb(pixels, 10, 10);
  EXPECT_NEAR(double(blended >> 16), 128.0, 1.0);
  EXPECT_EQ((blended >> 8) & 0xFF, 0u);
  EXPECT_NEAR(double(blended & 0xFF), 127.0, 1.0);
  // Without blending the texel replaces what is there.
  EXPECT_EQ(Rgb(pixels, 20, 10), 0xFF0000u);
  EXPECT_EQ(Rgb(pixels, 30, 10), 0x336699u);
  white->Release();
  translucent->Release();
}

TEST_F(SpriteTest, SourceRectangleCentreAndTransformPlaceTheQuad) {
  Clear(0xFF000000);
  IDirect3DTexture9* texture = MakeTexture(4, 4, Texels(4, 4, Texel));
  const RECT rect{1, 1, 3, 3};
  const D3DXVECTOR3 center(1.0f, 1.0f, 0.0f);
  DrawOnce(texture, 10.0f, 10.0f, 0xFFFFFFFF, D3DXSPRITE_ALPHABLEND, &rect, &center);
  D3DXMATRIX moved;
  D3DXMatrixTranslation(&moved, 100.0f, 50.0f, 0.0f);
  sprite_->SetTransform(&moved);
  DrawOnce(texture, 0.0f, 0.0f);
  const std::vector<uint32_t> pixels = ReadBackBuffer();
  EXPECT_EQ(Rgb(pixels, 9, 9), Texel(1, 1) & 0xFFFFFF);
  EXPECT_EQ(Rgb(pixels, 10, 10), Texel(2, 2) & 0xFFFFFF);
  EXPECT_EQ(Rgb(pixels, 11, 11), 0u);
  EXPECT_EQ(Rgb(pixels, 8, 9), 0u);
  EXPECT_EQ(Rgb(pixels, 100, 50), Texel(0, 0) & 0xFFFFFF);
  EXPECT_EQ(Rgb(pixels, 103, 53), Texel(3, 3) & 0xFFFFFF);
  D3DXMATRIX back;
  ASSERT_EQ(sprite_->GetTransform(&back), D3D_OK);
  EXPECT_EQ(back._41, 100.0f);
  texture->Release();
}

TEST_F(SpriteTest, FormatsSampleAsDirect3DReadsThem) {
  Clear(0xFF000000);
  IDirect3DTexture9* l8 = nullptr;
  IDirect3DTexture9* a8 = nullptr;
  IDirect3DTexture9* a8l8 = nullptr;
  ASSERT_EQ(device_->CreateTexture(1, 1, 1, 0, D3DFMT_L8, D3DPOOL_MANAGED, &l8, nullptr), D3D_OK);
  ASSERT_EQ(device_->CreateTexture(1, 1, 1, 0, D3DFMT_A8, D3DPOOL_MANAGED, &a8, nullptr), D3D_OK);
  ASSERT_EQ(device_->CreateTexture(1, 1, 1, 0, D3DFMT_A8L8, D3DPOOL_MANAGED, &a8l8, nullptr),
            D3D_OK);
  D3DLOCKED_RECT locked{};
  l8->LockRect(0, &locked, nullptr, 0);
  *static_cast<uint8_t*>(locked.pBits) = 0x40;
  l8->UnlockRect(0);
  a8->LockRect(0, &locked, nullptr, 0);
  *static_cast<uint8_t*>(locked.pBits) = 0xFF;
  a8->UnlockRect(0);
  a8l8->LockRect(0, &locked, nullptr, 0);
  static_cast<uint8_t*>(locked.pBits)[0] = 0x60;  // L
  static_cast<uint8_t*>(locked.pBits)[1] = 0x00;  // A
  a8l8->UnlockRect(0);
  // X8R8G8B8's fourth byte is ignored: 0 there still draws opaque.
  IDirect3DTexture9* xrgb = MakeTexture(1, 1, {0x00204060u}, D3DFMT_X8R8G8B8);

  const D3DRECT grey{0, 0, 8, 8};
  device_->Clear(1, &grey, D3DCLEAR_TARGET, 0xFF808080, 1.0f, 0);
  DrawOnce(l8, 10.0f, 0.0f);
  DrawOnce(a8, 0.0f, 0.0f);    // opaque black over grey
  DrawOnce(a8l8, 1.0f, 0.0f);  // transparent: the grey stays
  DrawOnce(xrgb, 11.0f, 0.0f);
  const std::vector<uint32_t> pixels = ReadBackBuffer();
  EXPECT_EQ(Rgb(pixels, 10, 0), 0x404040u);
  EXPECT_EQ(Rgb(pixels, 0, 0), 0x000000u);
  EXPECT_EQ(Rgb(pixels, 1, 0), 0x808080u);
  EXPECT_EQ(Rgb(pixels, 11, 0), 0x204060u);
  xrgb->Release();
  a8l8->Release();
  a8->Release();
  l8->Release();
}

TEST_F(SpriteTest, BatchesBeyondTheirSizeAcrossTexturesAndOnFlush) {
  Clear(0xFF000000);
  IDirect3DTexture9* red = MakeTexture(1, 1, {0xFFFF0000u});
  IDirect3DTexture9* green = MakeTexture(1, 1, {0xFF00FF00u});
  ASSERT_EQ(sprite_->Begin(D3DXSPRITE_ALPHABLEND), D3D_OK);
  for (int i = 0; i < 1200; ++i) {
    const D3DXVECTOR3 position(float(i % 100), float(i / 100), 0.0f);
    ASSERT_EQ(sprite_->Draw(i % 7 == 0 ? green : red, nullptr, nullptr, &position, 0xFFFFFFFF),
              D3D_OK);
  }
  ASSERT_EQ(sprite_->End(), D3D_OK);
  const std::vector<uint32_t> pixels = ReadBackBuffer();
  int wrong = 0;
  for (int i = 0; i < 1200; ++i)
    wrong += Rgb(pixels, i % 100, i / 100) != (i % 7 == 0 ? 0x00FF00u : 0xFF0000u);
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(Rgb(pixels, 0, 12), 0u);

  // Flush draws what is batched so far; End would otherwise.
  Clear(0xFF000000);
  ASSERT_EQ(sprite_->Begin(0), D3D_OK);
  ASSERT_EQ(sprite_->Draw(green, nullptr, nullptr, nullptr, 0xFFFFFFFF), D3D_OK);
  EXPECT_EQ(Rgb(ReadBackBuffer(), 0, 0), 0u);
  ASSERT_EQ(sprite_->Flush(), D3D_OK);
  EXPECT_EQ(Rgb(ReadBackBuffer(), 0, 0), 0x00FF00u);
  ASSERT_EQ(sprite_->End(), D3D_OK);
  green->Release();
  red->Release();
}

TEST_F(SpriteTest, EndGivesBackTheStateItChanged) {
  IDirect3DTexture9* mine = MakeTexture(1, 1, {0xFFFFFFFFu});
  IDirect3DTexture9* program = MakeTexture(1, 1, {0xFF000000u});
  device_->SetTexture(0, program);
  device_->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR);
  Internal().States().ClearDirty(~0u);
  DrawOnce(mine, 0.0f, 0.0f);
  IDirect3DBaseTexture9* bound = nullptr;
  ASSERT_EQ(device_->GetTexture(0, &bound), D3D_OK);
  EXPECT_EQ(bound, static_cast<IDirect3DBaseTexture9*>(program));
  if (bound) bound->Release();
  DWORD value = 0;
  device_->GetSamplerState(0, D3DSAMP_ADDRESSU, &value);
  EXPECT_EQ(value, DWORD(D3DTADDRESS_MIRROR));
  device_->GetSamplerState(0, D3DSAMP_MINFILTER, &value);
  EXPECT_EQ(value, DWORD(D3DTEXF_POINT));
  const unsigned changed =
      d3d9::kGroupBlend | d3d9::kGroupDepth | d3d9::kGroupRaster | d3d9::kGroupStencil;
  EXPECT_EQ(Internal().States().DirtyGroups() & changed, changed);
  device_->SetTexture(0, nullptr);
  program->Release();
  mine->Release();
}

TEST_F(SpriteTest, CallsOutOfOrderOrWithoutTextureAreRefused) {
  IDirect3DTexture9* texture = MakeTexture(1, 1, {0xFFFFFFFFu});
  EXPECT_EQ(sprite_->Draw(texture, nullptr, nullptr, nullptr, 0xFFFFFFFF), D3DERR_INVALIDCALL);
  EXPECT_EQ(sprite_->End(), D3DERR_INVALIDCALL);
  EXPECT_EQ(sprite_->Flush(), D3DERR_INVALIDCALL);
  EXPECT_EQ(sprite_->Begin(D3DXSPRITE_OBJECTSPACE), E_NOTIMPL);
  EXPECT_EQ(sprite_->Begin(0x1000), D3DERR_INVALIDCALL);
  ASSERT_EQ(sprite_->Begin(D3DXSPRITE_ALPHABLEND), D3D_OK);
  EXPECT_EQ(sprite_->Begin(D3DXSPRITE_ALPHABLEND), D3DERR_INVALIDCALL);
  EXPECT_EQ(sprite_->Draw(nullptr, nullptr, nullptr, nullptr, 0xFFFFFFFF), D3DERR_INVALIDCALL);
  EXPECT_EQ(sprite_->End(), D3D_OK);
  EXPECT_EQ(sprite_->SetTransform(nullptr), D3DERR_INVALIDCALL);
  ID3DXSprite* other = nullptr;
  EXPECT_EQ(D3DXCreateSprite(nullptr, &other), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateSprite(device_, nullptr), D3DERR_INVALIDCALL);
  // The sprite holds its device: the test's reference and the sprite's.
  IDirect3DDevice9* owner = nullptr;
  ASSERT_EQ(sprite_->GetDevice(&owner), D3D_OK);
  EXPECT_EQ(owner, device_);
  EXPECT_EQ(owner->Release(), 3u);
  texture->Release();
}

TEST_F(SpriteTest, TexturesLoadedIntoEveryDrawablePoolDraw) {
  Clear(0xFF000000);
  PngSpec spec;
  spec.width = 2;
  spec.height = 1;
  const std::string path = TempPath("sprite.png");
  ASSERT_TRUE(WriteBytes(path, EncodePng(spec, {255, 0, 0, 0, 0, 255})));
  const D3DPOOL pools[] = {D3DPOOL_DEFAULT, D3DPOOL_MANAGED};
  for (int i = 0; i < 2; ++i) {
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(
        D3DXCreateTextureFromFileExA(device_, path.c_str(), 0, 0, 1, 0, D3DFMT_UNKNOWN, pools[i],
                                     D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &texture),
        D3D_OK);
    DrawOnce(texture, 0.0f, float(i));
    texture->Release();
  }
  std::remove(path.c_str());
  const std::vector<uint32_t> pixels = ReadBackBuffer();
  EXPECT_EQ(Rgb(pixels, 0, 0), 0xFF0000u);
  EXPECT_EQ(Rgb(pixels, 1, 0), 0x0000FFu);
  EXPECT_EQ(Rgb(pixels, 0, 1), 0xFF0000u);
  EXPECT_EQ(Rgb(pixels, 1, 1), 0x0000FFu);
}

TEST_F(SpriteTest, FramesAllocateNothing) {
  IDirect3DTexture9* a = MakeTexture(4, 4, Texels(4, 4, Texel));
  IDirect3DTexture9* b = MakeTexture(1, 1, {0xFFFFFFFFu});
  IDirect3DSurface9* picture = nullptr;
  ASSERT_EQ(device_->CreateOffscreenPlainSurface(1024, 768, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                                 &picture, nullptr),
            D3D_OK);
  IDirect3DSurface9* back = nullptr;
  ASSERT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  auto frame = [&] {
    device_->UpdateSurface(picture, nullptr, back, nullptr);
    device_->BeginScene();
    sprite_->Begin(D3DXSPRITE_ALPHABLEND);
    for (int i = 0; i < 20; ++i) {
      const D3DXVECTOR3 position(float(i * 5), 0.0f, 0.0f);
      sprite_->Draw(i % 2 ? a : b, nullptr, nullptr, &position, 0xFFFFFFFF);
    }
    sprite_->End();
    device_->SetTexture(1, a);
    device_->SetTexture(1, nullptr);
    device_->EndScene();
  };
  frame();  // the first frame may set things up
  AllocationCounter counter;
  for (int i = 0; i < 3; ++i) frame();
  EXPECT_EQ(counter.Count(), 0u);
  back->Release();
  picture->Release();
  b->Release();
  a->Release();
}

}  // namespace
}  // namespace ember::test

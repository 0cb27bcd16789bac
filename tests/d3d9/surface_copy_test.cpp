// UpdateSurface onto the back buffer, its upload cache, and GetFrontBufferData.
#include "tests/support/device_test.h"

namespace ember::test {
namespace {

using SurfaceCopyTest = DeviceTest;

uint32_t Pattern(int x, int y) {
  return 0xFF000000u | uint32_t(x & 0xFF) << 16 | uint32_t(y & 0xFF) << 8 |
         uint32_t((x ^ y) & 0xFF);
}

IDirect3DSurface9* MemorySurface(IDirect3DDevice9* device, UINT w, UINT h, D3DFORMAT format,
                                 D3DPOOL pool = D3DPOOL_SYSTEMMEM) {
  IDirect3DSurface9* surface = nullptr;
  EXPECT_EQ(device->CreateOffscreenPlainSurface(w, h, format, pool, &surface, nullptr), D3D_OK);
  return surface;
}

void FillColor(IDirect3DSurface9* surface, uint32_t color) {
  FillSurface(surface, [color](int, int) { return color; });
}

IDirect3DSurface9* BackBuffer(IDirect3DDevice9* device) {
  IDirect3DSurface9* back = nullptr;
  EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  return back;
}

TEST_F(SurfaceCopyTest, WholeSurfaceLandsPixelForPixel) {
  IDirect3DSurface9* picture = MemorySurface(device_, 1024, 768, D3DFMT_X8R8G8B8);
  FillSurface(picture, Pattern);
  IDirect3DSurface9* back = BackBuffer(device_);
  ASSERT_EQ(device_->UpdateSurface(picture, nullptr, back, nullptr), D3D_OK);
  const std::vector<uint32_t> pixels = ReadBackBuffer();
  int wrong = 0;
  for (int y = 0; y < 768; ++y)
    for (int x = 0; x < 1024; ++x) wrong += Rgb(pixels, x, y) != (Pattern(x, y) & 0xFFFFFF);
  EXPECT_EQ(wrong, 0);
  back->Release();
  picture->Release();
}

TEST_F(SurfaceCopyTest, RectangleGoesToThePoint) {
  Clear(0xFF202020);
  IDirect3DSurface9* picture = MemorySurface(device_, 200, 100, D3DFMT_X8R8G8B8);
  FillSurface(picture, Pattern);
  IDirect3DSurface9* back = BackBuffer(device_);
  const RECT rect{10, 20, 110, 70};
  const POINT point{500, 300};
  ASSERT_EQ(device_->UpdateSurface(picture, &rect, back, &point), D3D_OK);
  const std::vector<uint32_t> pixels = ReadBackBuffer();
  EXPECT_EQ(Rgb(pixels, 500, 300), Pattern(10, 20) & 0xFFFFFF);
  EXPECT_EQ(Rgb(pixels, 599, 349), Pattern(109, 69) & 0xFFFFFF);
  EXPECT_EQ(Rgb(pixels, 499, 300), 0x202020u);
  EXPECT_EQ(Rgb(pixels, 600, 349), 0x202020u);
  EXPECT_EQ(Rgb(pixels, 599, 350), 0x202020u);
  back->Release();
  picture->Release();
}

TEST_F(SurfaceCopyTest, UnchangedPictureIsSentOnceAndChangesAreSentAgain) {
  IDirect3DSurface9* picture = MemorySurface(device_, 64, 64, D3DFMT_X8R8G8B8);
  FillColor(picture, 0xFF00FF00);
  IDirect3DSurface9* back = BackBuffer(device_);
  const unsigned long before = Internal().UpdateSurfaceCopy().UploadCount();
  ASSERT_EQ(device_->UpdateSurface(picture, nullptr, back, nullptr), D3D_OK);
  Clear(0xFF000000);
  ASSERT_EQ(device_->UpdateSurface(picture, nullptr, back, nullptr), D3D_OK);
  EXPECT_EQ(Internal().UpdateSurfaceCopy().UploadCount(), before + 1);
  EXPECT_EQ(Rgb(ReadBackBuffer(), 10, 10), 0x00FF00u);

  // A read-only lock changes nothing; a writing one does.
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(picture->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  ASSERT_EQ(picture->UnlockRect(), D3D_OK);
  ASSERT_EQ(device_->UpdateSurface(picture, nullptr, back, nullptr), D3D_OK);
  EXPECT_EQ(Internal().UpdateSurfaceCopy().UploadCount(), before + 1);
  FillColor(picture, 0xFFFF0000);
  ASSERT_EQ(device_->UpdateSurface(picture, nullptr, back, nullptr), D3D_OK);
  EXPECT_EQ(Internal().UpdateSurfaceCopy().UploadCount(), before + 2);
  EXPECT_EQ(Rgb(ReadBackBuffer(), 10, 10), 0xFF0000u);
  back->Release();
  picture->Release();
}

TEST_F(SurfaceCopyTest, AnotherSurfaceIsNeverTakenForTheCachedOne) {
  IDirect3DSurface9* back = BackBuffer(device_);
  IDirect3DSurface9* first = MemorySurface(device_, 64, 64, D3DFMT_X8R8G8B8);
  FillColor(first, 0xFF0000FF);
  ASSERT_EQ(device_->UpdateSurface(first, nullptr, back, nullptr), D3D_OK);
  first->Release();
  // Very likely at the same address, with the same size.
  IDirect3DSurface9* second = MemorySurface(device_, 64, 64, D3DFMT_X8R8G8B8);
  FillColor(second, 0xFFFFFF00);
  ASSERT_EQ(device_->UpdateSurface(second, nullptr, back, nullptr), D3D_OK);
  EXPECT_EQ(Rgb(ReadBackBuffer(), 5, 5), 0xFFFF00u);
  second->Release();
  back->Release();
}

TEST_F(SurfaceCopyTest, MismatchesAndMisfitsAreRefused) {
  IDirect3DSurface9* back = BackBuffer(device_);
  IDirect3DSurface9* argb = MemorySurface(device_, 64, 64, D3DFMT_A8R8G8B8);
  IDirect3DSurface9* scratch = MemorySurface(device_, 64, 64, D3DFMT_X8R8G8B8, D3DPOOL_SCRATCH);
  IDirect3DSurface9* xrgb = MemorySurface(device_, 64, 64, D3DFMT_X8R8G8B8);
  EXPECT_EQ(device_->UpdateSurface(argb, nullptr, back, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->UpdateSurface(scratch, nullptr, back, nullptr), D3DERR_INVALIDCALL);
  const POINT nearEdge{1000, 0};
  EXPECT_EQ(device_->UpdateSurface(xrgb, nullptr, back, &nearEdge), D3DERR_INVALIDCALL);
  const POINT negative{-1, 0};
  EXPECT_EQ(device_->UpdateSurface(xrgb, nullptr, back, &negative), D3DERR_INVALIDCALL);
  const RECT outside{0, 0, 65, 10};
  EXPECT_EQ(device_->UpdateSurface(xrgb, &outside, back, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->UpdateSurface(xrgb, nullptr, xrgb, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->UpdateSurface(nullptr, nullptr, back, nullptr), D3DERR_INVALIDCALL);
  const POINT corner{960, 704};
  EXPECT_EQ(device_->UpdateSurface(xrgb, nullptr, back, &corner), D3D_OK);
  xrgb->Release();
  scratch->Release();
  argb->Release();
  back->Release();
}

// A frame with a red top half and a blue bottom half, presented.
void PresentHalves(IDirect3DDevice9* device) {
  const D3DRECT top{0, 0, 1024, 384}, bottom{0, 384, 1024, 768};
  device->Clear(1, &top, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
  device->Clear(1, &bottom, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(SurfaceCopyTest, FrontBufferShowsTheFrameAtTheClientArea) {
  PresentHalves(device_);
  Clear(0xFF00FF00);  // drawn after the present: not on screen yet
  IDirect3DSurface9* screen = MemorySurface(device_, 1920, 1080, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH);
  ASSERT_EQ(device_->GetFrontBufferData(0, screen), D3D_OK);
  const int x0 = kClientX, y0 = kClientY, x1 = kClientX + 1023, y1 = kClientY + 767;
  EXPECT_EQ(PixelOf(screen, x0, y0), 0xFFFF0000u);
  EXPECT_EQ(PixelOf(screen, x1, y0 + 383), 0xFFFF0000u);
  EXPECT_EQ(PixelOf(screen, x0, y0 + 384), 0xFF0000FFu);
  EXPECT_EQ(PixelOf(screen, x1, y1), 0xFF0000FFu);
  EXPECT_EQ(PixelOf(screen, x0 - 1, y0), 0xFF000000u);
  EXPECT_EQ(PixelOf(screen, x0, y0 - 1), 0xFF000000u);
  EXPECT_EQ(PixelOf(screen, x1 + 1, y1), 0xFF000000u);
  EXPECT_EQ(PixelOf(screen, x1, y1 + 1), 0xFF000000u);
  EXPECT_EQ(PixelOf(screen, 1919, 1079), 0xFF000000u);
  screen->Release();
}

TEST_F(SurfaceCopyTest, FrontBufferOfAWindowPartlyOffTheDesktopIsClipped) {
  host_.SetOuterRect(host::Rect{-208, 900, 1040, 807});  // client at (-200, 931)
  PresentHalves(device_);
  IDirect3DSurface9* screen = MemorySurface(device_, 1920, 1080, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH);
  ASSERT_EQ(device_->GetFrontBufferData(0, screen), D3D_OK);
  // Frame pixel (200, 0) is the first one on the desktop.
  EXPECT_EQ(PixelOf(screen, 0, 931), 0xFFFF0000u);
  EXPECT_EQ(PixelOf(screen, 823, 1079), 0xFFFF0000u);
  EXPECT_EQ(PixelOf(screen, 824, 1079), 0xFF000000u);
  EXPECT_EQ(PixelOf(screen, 0, 930), 0xFF000000u);
  screen->Release();
}

TEST_F(SurfaceCopyTest, FullScreenFrontBufferIsLetterboxed) {
  host_.SetFullscreen(true);
  PresentHalves(device_);
  IDirect3DSurface9* screen = MemorySurface(device_, 1920, 1080, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH);
  ASSERT_EQ(device_->GetFrontBufferData(0, screen), D3D_OK);
  // 1024x768 fitted to 1920x1080 is 1440x1080, 240 pixels in from either side.
  EXPECT_EQ(PixelOf(screen, 239, 100), 0xFF000000u);
  EXPECT_EQ(PixelOf(screen, 240, 100), 0xFFFF0000u);
  EXPECT_EQ(PixelOf(screen, 1679, 100), 0xFFFF0000u);
  EXPECT_EQ(PixelOf(screen, 1680, 100), 0xFF000000u);
  EXPECT_EQ(PixelOf(screen, 240, 0), 0xFFFF0000u);
  EXPECT_EQ(PixelOf(screen, 1679, 1079), 0xFF0000FFu);
  screen->Release();
  host_.SetFullscreen(false);
}

TEST_F(SurfaceCopyTest, FrontBufferNeedsAScreenSizedArgbMemorySurface) {
  IDirect3DSurface9* small = MemorySurface(device_, 1024, 768, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH);
  IDirect3DSurface9* xrgb = MemorySurface(device_, 1920, 1080, D3DFMT_X8R8G8B8, D3DPOOL_SCRATCH);
  IDirect3DSurface9* good = MemorySurface(device_, 1920, 1080, D3DFMT_A8R8G8B8);
  EXPECT_EQ(device_->GetFrontBufferData(0, small), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->GetFrontBufferData(0, xrgb), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->GetFrontBufferData(1, good), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->GetFrontBufferData(0, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->GetFrontBufferData(0, good), D3D_OK);
  good->Release();
  xrgb->Release();
  small->Release();
}

}  // namespace
}  // namespace ember::test

// D3DXSaveSurfaceToFileA (BMP, with a clipped source rectangle) and D3DXLoadSurfaceFromFileA.
#include <cstdio>

#include "runtime/d3dx9/d3dx9tex.h"
#include "runtime/image/image.h"
#include "tests/image/image_test_util.h"
#include "tests/support/device_test.h"

namespace ember::test {
namespace {

uint32_t Pattern(int x, int y) {
  return 0x80000000u | uint32_t(x * 30) << 16 | uint32_t(y * 40) << 8 | 7u;
}

class SurfaceFileTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    ASSERT_EQ(device_->CreateOffscreenPlainSurface(8, 6, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM,
                                                   &surface_, nullptr),
              D3D_OK);
    FillSurface(surface_, Pattern);
    path_ = TempPath("saved.bmp");
    std::remove(path_.c_str());
  }
  void TearDown() override {
    if (surface_) surface_->Release();
    std::remove(path_.c_str());
    DeviceTest::TearDown();
  }

  // Saves the rectangle and reads the file back.
  bool SaveAndRead(const RECT* rect, Image& image) {
    if (D3DXSaveSurfaceToFileA(path_.c_str(), D3DXIFF_BMP, surface_, nullptr, rect) != D3D_OK)
      return false;
    std::string error;
    return LoadImageFile(path_.c_str(), image, error);
  }

  IDirect3DSurface9* surface_ = nullptr;
  std::string path_;
};

TEST_F(SurfaceFileTest, SourceRectangleIsWrittenAsOpaqueBmp) {
  const RECT rect{2, 1, 6, 4};
  Image image;
  ASSERT_TRUE(SaveAndRead(&rect, image));
  EXPECT_EQ(image.fileFormat, kFileBmp);
  EXPECT_EQ(image.width, 4u);
  EXPECT_EQ(image.height, 3u);
  EXPECT_EQ(Argb(image, 0, 0), Pattern(2, 1) | 0xFF000000u);
  EXPECT_EQ(Argb(image, 3, 2), Pattern(5, 3) | 0xFF000000u);
}

TEST_F(SurfaceFileTest, RectangleIsClippedToTheSurface) {
  const RECT overTopLeft{-3, -2, 4, 3};
  Image image;
  ASSERT_TRUE(SaveAndRead(&overTopLeft, image));
  EXPECT_EQ(image.width, 4u);
  EXPECT_EQ(image.height, 3u);
  EXPECT_EQ(Argb(image, 0, 0), Pattern(0, 0) | 0xFF000000u);
  const RECT overBottomRight{6, 4, 100, 100};
  ASSERT_TRUE(SaveAndRead(&overBottomRight, image));
  EXPECT_EQ(image.width, 2u);
  EXPECT_EQ(image.height, 2u);
  EXPECT_EQ(Argb(image, 1, 1), Pattern(7, 5) | 0xFF000000u);
  ASSERT_TRUE(SaveAndRead(nullptr, image));
  EXPECT_EQ(image.width, 8u);
  EXPECT_EQ(image.height, 6u);
}

TEST_F(SurfaceFileTest, NothingLeftOfTheRectangleWritesNothing) {
  const RECT beyond{10, 10, 20, 20};
  const RECT inverted{5, 1, 2, 4};
  EXPECT_EQ(D3DXSaveSurfaceToFileA(path_.c_str(), D3DXIFF_BMP, surface_, nullptr, &beyond),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXSaveSurfaceToFileA(path_.c_str(), D3DXIFF_BMP, surface_, nullptr, &inverted),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXSaveSurfaceToFileA(path_.c_str(), D3DXIFF_PNG, surface_, nullptr, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXSaveSurfaceToFileA(nullptr, D3DXIFF_BMP, surface_, nullptr, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_FALSE(FileExists(path_));
}

TEST_F(SurfaceFileTest, BackBufferCanBeSaved) {
  Clear(0xFF123456);
  IDirect3DSurface9* back = nullptr;
  ASSERT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  const RECT rect{1000, 700, 1100, 800};
  ASSERT_EQ(D3DXSaveSurfaceToFileA(path_.c_str(), D3DXIFF_BMP, back, nullptr, &rect), D3D_OK);
  back->Release();
  Image image;
  std::string error;
  ASSERT_TRUE(LoadImageFile(path_.c_str(), image, error)) << error;
  EXPECT_EQ(image.width, 24u);
  EXPECT_EQ(image.height, 68u);
  EXPECT_EQ(Argb(image, 23, 67), 0xFF123456u);
}

TEST_F(SurfaceFileTest, LoadFillsTheSurfaceExactlyWhenSizesMatch) {
  PngSpec spec;
  spec.width = 3;
  spec.height = 2;
  const std::vector<uint8_t> rows = {10, 20, 30, 40, 50, 60, 70, 80, 90, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  const std::string png = TempPath("load.png");
  ASSERT_TRUE(WriteBytes(png, EncodePng(spec, rows)));
  IDirect3DSurface9* target = nullptr;
  ASSERT_EQ(device_->CreateOffscreenPlainSurface(3, 2, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &target,
                                                 nullptr),
            D3D_OK);
  D3DXIMAGE_INFO info{};
  ASSERT_EQ(D3DXLoadSurfaceFromFileA(target, nullptr, nullptr, png.c_str(), nullptr,
                                     D3DX_FILTER_NONE, 0, &info),
            D3D_OK);
  EXPECT_EQ(info.Width, 3u);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_PNG);
  EXPECT_EQ(PixelOf(target, 0, 0), 0xFF0A141Eu);
  EXPECT_EQ(PixelOf(target, 2, 0), 0xFF46505Au);
  EXPECT_EQ(PixelOf(target, 1, 1), 0xFF040506u);
  target->Release();
  std::remove(png.c_str());
}

TEST_F(SurfaceFileTest, LoadScalesIntoAnotherSizeAndRefusesBadArguments) {
  PngSpec spec;
  spec.width = 2;
  spec.height = 2;
  const std::vector<uint8_t> rows(12, 200);
  const std::string png = TempPath("scale.png");
  ASSERT_TRUE(WriteBytes(png, EncodePng(spec, rows)));
  const RECT all{0, 0, 8, 6}, outside{4, 4, 9, 6};
  ASSERT_EQ(D3DXLoadSurfaceFromFileA(surface_, nullptr, &all, png.c_str(), nullptr, D3DX_DEFAULT, 0,
                                     nullptr),
            D3D_OK);
  EXPECT_EQ(PixelOf(surface_, 7, 0), 0xFFC8C8C8u);
  EXPECT_EQ(PixelOf(surface_, 0, 5), 0xFFC8C8C8u);
  EXPECT_EQ(D3DXLoadSurfaceFromFileA(surface_, nullptr, &outside, png.c_str(), nullptr,
                                     D3DX_DEFAULT, 0, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXLoadSurfaceFromFileA(surface_, nullptr, nullptr, TempPath("none.png").c_str(),
                                     nullptr, D3DX_DEFAULT, 0, nullptr),
            D3DXERR_INVALIDDATA);
  EXPECT_EQ(D3DXLoadSurfaceFromFileA(nullptr, nullptr, nullptr, png.c_str(), nullptr, D3DX_DEFAULT,
                                     0, nullptr),
            D3DERR_INVALIDCALL);
  std::remove(png.c_str());
}

// Saves the window's rectangle of a front-buffer capture, as the screenshot key does.
bool CaptureWindowToFile(IDirect3D9* d3d, IDirect3DDevice9* device, HWND window,
                         const std::string& path, Image& image) {
  D3DDISPLAYMODE mode{};
  IDirect3DSurface9* capture = nullptr;
  RECT rect{};
  if (d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode) != D3D_OK ||
      device->CreateOffscreenPlainSurface(mode.Width, mode.Height, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH,
                                          &capture, nullptr) != D3D_OK)
    return false;
  const bool saved =
      device->GetFrontBufferData(0, capture) == D3D_OK && GetWindowRect(window, &rect) &&
      D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_BMP, capture, nullptr, &rect) == D3D_OK;
  capture->Release();
  std::string error;
  return saved && LoadImageFile(path.c_str(), image, error);
}

TEST_F(SurfaceFileTest, ScreenCaptureShowsTheScreenUnderTheWindowRectangle) {
  // A desktop where each pixel tells where it is: title bar, border and covering windows are
  // whatever the screen shows there.
  const host::Rect desktop = host_.DesktopBounds();
  std::vector<uint32_t> screen(size_t(desktop.w) * size_t(desktop.h));
  for (int y = 0; y < desktop.h; ++y)
    for (int x = 0; x < desktop.w; ++x)
      screen[size_t(y) * size_t(desktop.w) + size_t(x)] =
          0xFF000000u | uint32_t(x & 0xFF) << 16 | uint32_t(y & 0xFF) << 8 | 0x40u;
  host_.SetScreenPixels(screen);
  Clear(0xFF00FF00);
  ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  Image image;
  ASSERT_TRUE(CaptureWindowToFile(d3d_, device_, window_, path_, image));
  RECT window{};
  ASSERT_TRUE(GetWindowRect(window_, &window));
  EXPECT_EQ(image.width, 1040u);
  EXPECT_EQ(image.height, 807u);
  for (int y : {0, 15, 30, 400, 806})
    for (int x : {0, 7, 500, 1039})
      EXPECT_EQ(Argb(image, x, y),
                screen[size_t(window.top + y) * size_t(desktop.w) + size_t(window.left + x)])
          << "at " << x << "," << y;
  host_.SetScreenPixels({});
}

TEST_F(SurfaceFileTest, WithoutScreenPixelsTheCaptureIsComposedFromOurLastFrame) {
  Clear(0xFF00FF00);
  ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  Image image;
  ASSERT_TRUE(CaptureWindowToFile(d3d_, device_, window_, path_, image));
  // The outer rectangle: the client area sits 8 pixels in and 31 down, the frame stays black.
  EXPECT_EQ(image.width, 1040u);
  EXPECT_EQ(image.height, 807u);
  EXPECT_EQ(Argb(image, 7, 31), 0xFF000000u);
  EXPECT_EQ(Argb(image, 8, 31), 0xFF00FF00u);
  EXPECT_EQ(Argb(image, 8 + 1023, 31 + 767), 0xFF00FF00u);
  EXPECT_EQ(Argb(image, 8 + 1024, 31 + 767), 0xFF000000u);
}

}  // namespace
}  // namespace ember::test

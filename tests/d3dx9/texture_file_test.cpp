// D3DXCreateTextureFromFileA and ...ExA: D3DX's size, level, format and colour key rules, and
// files that cannot be used.
#include <cstdio>
#include <cstring>

#include "runtime/d3d9/gl_context.h"
#include "runtime/d3d9/texture_object.h"
#include "runtime/d3dx9/d3dx9tex.h"
#include "tests/image/image_test_util.h"
#include "tests/support/device_test.h"

namespace ember::test {
namespace {

class TextureFileTest : public DeviceTest {
 protected:
  void TearDown() override {
    for (const std::string& path : written_) std::remove(path.c_str());
    DeviceTest::TearDown();
  }

  // An RGB PNG of one colour.
  std::string SolidPng(const std::string& name, uint32_t w, uint32_t h, uint32_t rgb) {
    PngSpec spec;
    spec.width = w;
    spec.height = h;
    std::vector<uint8_t> rows;
    for (uint32_t i = 0; i < w * h; ++i) {
      rows.push_back(uint8_t(rgb >> 16));
      rows.push_back(uint8_t(rgb >> 8));
      rows.push_back(uint8_t(rgb));
    }
    return Write(name, EncodePng(spec, rows));
  }

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = TempPath(name);
    EXPECT_TRUE(WriteBytes(path, bytes));
    written_.push_back(path);
    return path;
  }

  HRESULT LoadEx(const std::string& path, UINT w, UINT h, UINT levels, D3DFORMAT format,
                 D3DCOLOR key, D3DXIMAGE_INFO* info, IDirect3DTexture9** texture) {
    return D3DXCreateTextureFromFileExA(device_, path.c_str(), w, h, levels, 0, format,
                                        D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, key, info,
                                        nullptr, texture);
  }

  std::vector<std::string> written_;
};

TEST_F(TextureFileTest, DefaultSizeRoundsUpToPowersOfTwoWithAFullChain) {
  const std::string path = SolidPng("300x200.png", 300, 200, 0x336699);
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileA(device_, path.c_str(), &texture), D3D_OK);
  // 512, 256, ..., 1 across.
  EXPECT_EQ(texture->GetLevelCount(), 10u);
  D3DSURFACE_DESC desc{};
  ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
  EXPECT_EQ(desc.Width, 512u);
  EXPECT_EQ(desc.Height, 256u);
  EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
  ASSERT_EQ(texture->GetLevelDesc(8, &desc), D3D_OK);
  EXPECT_EQ(desc.Width, 2u);
  EXPECT_EQ(desc.Height, 1u);
  // A picture of one colour stays that colour through scaling and halving.
  EXPECT_EQ(PixelOf(texture, 0, 0, 0), 0xFF336699u);
  EXPECT_EQ(PixelOf(texture, 0, 511, 255), 0xFF336699u);
  EXPECT_EQ(PixelOf(texture, 9, 0, 0), 0xFF336699u);
  texture->Release();
}

TEST_F(TextureFileTest, InfoDescribesTheFileNotTheTexture) {
  const std::string path = SolidPng("info.png", 300, 200, 0x102030);
  D3DXIMAGE_INFO info{};
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(
      LoadEx(path, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_UNKNOWN, 0, &info, &texture),
      D3D_OK);
  EXPECT_EQ(info.Width, 300u);
  EXPECT_EQ(info.Height, 200u);
  EXPECT_EQ(info.Depth, 1u);
  EXPECT_EQ(info.MipLevels, 1u);
  EXPECT_EQ(info.Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(info.ResourceType, D3DRTYPE_TEXTURE);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_PNG);
  texture->Release();
}

TEST_F(TextureFileTest, ExplicitAndNonPowerOfTwoSizes) {
  const std::string path = SolidPng("sizes.png", 300, 200, 0x808080);
  IDirect3DTexture9* texture = nullptr;
  D3DSURFACE_DESC desc{};
  ASSERT_EQ(LoadEx(path, D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2, 1, D3DFMT_UNKNOWN, 0, nullptr,
                   &texture),
            D3D_OK);
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 300u);
  EXPECT_EQ(desc.Height, 200u);
  EXPECT_EQ(texture->GetLevelCount(), 1u);
  texture->Release();
  ASSERT_EQ(LoadEx(path, 64, 0, 3, D3DFMT_UNKNOWN, 0, nullptr, &texture), D3D_OK);
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 64u);
  EXPECT_EQ(desc.Height, 256u);
  EXPECT_EQ(texture->GetLevelCount(), 3u);
  texture->Release();
}

TEST_F(TextureFileTest, ColourKeyTurnsOpaqueBlackTransparent) {
  PngSpec spec;
  spec.width = 4;
  spec.height = 2;
  // Top row black, white, black, near-black; bottom row white.
  const std::vector<uint8_t> rows = {0,   0,   0,   255, 255, 255, 0,   0,   0,   1,   0,   0,
                                     255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255};
  const std::string path = Write("key.png", EncodePng(spec, rows));
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(
      D3DXCreateTextureFromFileExA(device_, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT,
                                   0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT,
                                   0xFF000000, nullptr, nullptr, &texture),
      D3D_OK);
  D3DSURFACE_DESC desc{};
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(PixelOf(texture, 0, 0, 0), 0x00000000u);
  EXPECT_EQ(PixelOf(texture, 0, 1, 0), 0xFFFFFFFFu);
  EXPECT_EQ(PixelOf(texture, 0, 2, 0), 0x00000000u);
  EXPECT_EQ(PixelOf(texture, 0, 3, 0), 0xFF010000u);
  EXPECT_EQ(PixelOf(texture, 0, 0, 1), 0xFFFFFFFFu);
  texture->Release();
}

TEST_F(TextureFileTest, FormatFollowsTheFileOrTheRequest) {
  std::vector<uint8_t> grey(8 * 8, 0x40);
  const std::string jpeg = Write("grey.jpg", EncodeJpeg(8, 8, 1, grey));
  D3DXIMAGE_INFO info{};
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(LoadEx(jpeg, D3DX_DEFAULT, D3DX_DEFAULT, 1, D3DFMT_UNKNOWN, 0, &info, &texture),
            D3D_OK);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_JPG);
  EXPECT_EQ(info.Format, D3DFMT_L8);
  D3DSURFACE_DESC desc{};
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Format, D3DFMT_L8);
  texture->Release();

  const std::string png = SolidPng("request.png", 8, 8, 0x204060);
  ASSERT_EQ(LoadEx(png, D3DX_DEFAULT, D3DX_DEFAULT, 1, D3DFMT_A8R8G8B8, 0, nullptr, &texture),
            D3D_OK);
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(PixelOf(texture, 0, 3, 3), 0xFF204060u);
  texture->Release();
  EXPECT_EQ(LoadEx(png, D3DX_DEFAULT, D3DX_DEFAULT, 1, D3DFMT_R5G6B5, 0, nullptr, &texture),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(texture, nullptr);
}

// Level `level` of the texture as the driver gives it back, B, G, R, A bytes a texel.
std::vector<uint8_t> DriverLevel(d3d9::Device& device, IDirect3DTexture9* texture, UINT level) {
  D3DSURFACE_DESC desc{};
  texture->GetLevelDesc(level, &desc);
  std::vector<uint8_t> texels(size_t(desc.Width) * desc.Height * 4);
  auto* binding = dynamic_cast<d3d9::TextureBinding*>(texture);
  if (!binding) return {};
  device.Textures().Units().BindForWork(GL_TEXTURE_2D, binding->Core().Name());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, GLint(level), GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
  return texels;
}

TEST_F(TextureFileTest, DxtFilesGoUpAsTheirOwnBlocksWhereTheDriverTakesThem) {
  // An 8x8 DXT1 file of four levels, each of one colour: red, green, blue, yellow.
  const uint16_t colours[4] = {0xF800, 0x07E0, 0x001F, 0xFFE0};
  const uint32_t argb[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u};
  std::vector<uint8_t> data;
  for (int level = 0; level < 4; ++level)
    for (int block = 0; block < (level == 0 ? 4 : 1); ++block) {
      test::Put16(data, colours[level]);
      test::Put16(data, colours[level]);
      test::Put32(data, 0);
    }
  test::DdsSpec spec = test::FourCCSpec(8, 8, "DXT1", data);
  spec.mipCount = 4;
  spec.flags |= test::kDdsdMipCount;
  const std::string path = Write("blocks.dds", test::BuildDds(spec));

  IDirect3DTexture9* texture = nullptr;
  D3DXIMAGE_INFO info{};
  ASSERT_EQ(
      LoadEx(path, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_UNKNOWN, 0, &info, &texture),
      D3D_OK);
  EXPECT_EQ(info.Format, D3DFMT_DXT1);  // the file, as D3DX describes it
  EXPECT_EQ(info.MipLevels, 4u);
  ASSERT_EQ(texture->GetLevelCount(), 4u);
  D3DSURFACE_DESC desc{};
  texture->GetLevelDesc(0, &desc);
  // With S3TC the texture is the file's blocks, levels and all; without, the decoded picture
  // and a chain halved from it, all red.
  const bool s3tc = d3d9::GLHasExtension("GL_EXT_texture_compression_s3tc");
  EXPECT_EQ(desc.Format, s3tc ? D3DFMT_DXT1 : D3DFMT_A8R8G8B8);
  for (UINT level = 0; level < 4; ++level) {
    const std::vector<uint8_t> texels = DriverLevel(Internal(), texture, level);
    ASSERT_GE(texels.size(), 4u);
    uint32_t first = 0;
    std::memcpy(&first, texels.data(), 4);
    EXPECT_EQ(first, s3tc ? argb[level] : argb[0]) << "level " << level;
  }
  if (s3tc) {
    // A lock hands out rows of blocks, and covers whole blocks only.
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(locked.Pitch, 16);  // two blocks of 8 bytes
    EXPECT_EQ(std::memcmp(locked.pBits, data.data(), 32), 0);
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    const RECT inside{2, 0, 6, 4};
    EXPECT_EQ(texture->LockRect(0, &locked, &inside, 0), D3DERR_INVALIDCALL);
  }
  EXPECT_EQ(texture->Release(), 0u);

  // Asking for another format, size or a colour key decodes, as before.
  ASSERT_EQ(LoadEx(path, D3DX_DEFAULT, D3DX_DEFAULT, 1, D3DFMT_A8R8G8B8, 0, nullptr, &texture),
            D3D_OK);
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(texture->Release(), 0u);
  ASSERT_EQ(LoadEx(path, 16, 16, 1, D3DFMT_UNKNOWN, 0, nullptr, &texture), D3D_OK);
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(desc.Width, 16u);
  EXPECT_EQ(texture->Release(), 0u);
}

TEST_F(TextureFileTest, WindowsPathsAreAccepted) {
  const std::string path = SolidPng("slashes.png", 4, 4, 0x010203);
  std::string windowsPath = path;
  for (char& c : windowsPath)
    if (c == '/') c = '\\';
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileA(device_, windowsPath.c_str(), &texture), D3D_OK);
  texture->Release();
}

TEST_F(TextureFileTest, UnusableFilesFailCleanly) {
  IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(this);
  const std::string garbage = Write("garbage.png", {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i'});
  EXPECT_EQ(D3DXCreateTextureFromFileA(device_, garbage.c_str(), &texture), D3DXERR_INVALIDDATA);
  EXPECT_EQ(texture, nullptr);

  const std::string good = SolidPng("whole.png", 16, 16, 0xFFFFFF);
  std::FILE* file = std::fopen(good.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  std::vector<uint8_t> bytes(4096);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::fclose(file);
  bytes.resize(bytes.size() / 2);
  const std::string truncated = Write("truncated.png", bytes);
  EXPECT_EQ(D3DXCreateTextureFromFileA(device_, truncated.c_str(), &texture), D3DXERR_INVALIDDATA);

  EXPECT_EQ(D3DXCreateTextureFromFileA(device_, TempPath("missing.png").c_str(), &texture),
            D3DXERR_INVALIDDATA);
  EXPECT_EQ(D3DXCreateTextureFromFileA(nullptr, good.c_str(), &texture), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateTextureFromFileA(device_, nullptr, &texture), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateTextureFromFileA(device_, good.c_str(), nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(
      D3DXCreateTextureFromFileExA(device_, good.c_str(), 0, 0, 0, 0, D3DFMT_UNKNOWN,
                                   D3DPOOL_MANAGED, 7, D3DX_DEFAULT, 0, nullptr, nullptr, &texture),
      D3DERR_INVALIDCALL);
  EXPECT_EQ(texture, nullptr);
}

// The flame picture's case: an 8193 by 4097 picture rounds up to 16384 by 8192, whose 512 MiB
// beside the keyed picture pass the load's memory limit. The load fails at once, with a message,
// instead of taking gigabytes and seconds.
TEST_F(TextureFileTest, APictureTooLargeToScaleWithinTheMemoryLimitFails) {
  const std::vector<uint8_t> grey(size_t{8193} * 4097, 0x40);
  const std::string path = Write("huge.jpg", EncodeJpeg(8193, 4097, 1, grey));
  IDirect3DTexture9* texture = nullptr;
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadEx(path, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_UNKNOWN, 0xFF000000,
                   nullptr, &texture),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "D3DX: " + path + ": the picture cannot be scaled to the texture size\n");
  EXPECT_EQ(texture, nullptr);
}

}  // namespace
}  // namespace ember::test

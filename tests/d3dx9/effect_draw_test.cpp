// Effects drawn on the real driver and read back: matrices land where D3DX's arithmetic puts
// them, and textures set on the effect reach the samplers that name them.
#include <algorithm>
#include <cstring>
#include <functional>

#include "tests/d3dx9/effect_test_util.h"

namespace ember::test {
namespace {

constexpr D3DCOLOR kBackground = 0xFF204060u;
constexpr uint32_t kTint = 0xFF00FFu;  // the effects' magenta, without alpha

// `packing` is "" or "row_major "; `states` are the pass's.
std::string MatrixEffect(const char* packing, const char* states = "CullMode = None;") {
  return std::string(packing) +
         "float4x4 wvp;\n"
         "float4 tint = {1, 0, 1, 1};\n"
         "float4 MainVS(float3 position : POSITION) : POSITION\n"
         "{\n"
         "    return mul(float4(position, 1), wvp);\n"
         "}\n"
         "float4 MainPS() : COLOR0 { return tint; }\n"
         "technique T { pass P { " +
         states +
         "\n"
         "    VertexShader = compile vs_3_0 MainVS(); PixelShader = compile ps_3_0 MainPS(); } }\n";
}

// Two triangles over a square of half-side `half` around (cx, cy) in the z = 0 plane.
std::vector<float> Square(float cx, float cy, float half) {
  const float x0 = cx - half, x1 = cx + half, y0 = cy - half, y1 = cy + half;
  return {x0, y0, 0, x1, y0, 0, x0, y1, 0, x0, y1, 0, x1, y0, 0, x1, y1, 0};
}

struct ScreenBox {
  float left, top, right, bottom;
};

// Where D3DX's arithmetic puts the square on the back buffer: each corner times wvp, divided
// by w, then Direct3D's viewport mapping (y down).
ScreenBox Project(float cx, float cy, float half, const D3DXMATRIX& wvp, int width, int height) {
  ScreenBox box{1e9f, 1e9f, -1e9f, -1e9f};
  for (int corner = 0; corner < 4; ++corner) {
    const D3DXVECTOR3 p(cx + ((corner & 1) ? half : -half), cy + ((corner & 2) ? half : -half), 0);
    D3DXVECTOR3 ndc;
    D3DXVec3TransformCoord(&ndc, &p, &wvp);
    const float x = (ndc.x + 1.0f) * 0.5f * float(width);
    const float y = (1.0f - ndc.y) * 0.5f * float(height);
    box.left = std::min(box.left, x);
    box.right = std::max(box.right, x);
    box.top = std::min(box.top, y);
    box.bottom = std::max(box.bottom, y);
  }
  return box;
}

class EffectDrawTest : public EffectTest {
 protected:
  // Clears to `background`, draws `xyz` through pass 0 of `effect` and reads the frame back;
  // `insidePass` runs between BeginPass and the draw.
  std::vector<uint32_t> DrawPass(ID3DXEffect* effect, const std::vector<float>& xyz,
                                 D3DCOLOR background = kBackground,
                                 const std::function<void()>& insidePass = nullptr) {
    Clear(background);
    UINT passes = 0;
    EXPECT_EQ(effect->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(effect->BeginPass(0), D3D_OK);
    if (insidePass) insidePass();
    DrawPositions(effect, xyz);
    EXPECT_EQ(effect->EndPass(), D3D_OK);
    EXPECT_EQ(effect->End(), D3D_OK);
    return ReadBackBuffer();
  }

  // Draws the square through `effect` with `wvp` and checks the tint covers the projected box:
  // its middle and two pixels inside each edge, and nothing two pixels outside.
  void ExpectSquareWhereProjected(ID3DXEffect* effect, const D3DXMATRIX& wvp, float cx, float cy,
                                  float half) {
    const ScreenBox box = Project(cx, cy, half, wvp, width_, height_);
    ASSERT_GT(box.right - box.left, 10.0f);
    ASSERT_GT(box.bottom - box.top, 10.0f);
    ASSERT_GT(box.left, 3.0f);
    ASSERT_LT(box.bottom, float(height_ - 3));
    Clear(kBackground);
    ASSERT_EQ(effect->SetMatrix("wvp", &wvp), D3D_OK);
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    DrawPositions(effect, Square(cx, cy, half));
    ASSERT_EQ(effect->EndPass(), D3D_OK);
    ASSERT_EQ(effect->End(), D3D_OK);

    const std::vector<uint32_t> pixels = ReadBackBuffer();
    ASSERT_FALSE(pixels.empty());
    const int midX = int((box.left + box.right) / 2), midY = int((box.top + box.bottom) / 2);
    const int left = int(box.left), right = int(box.right), top = int(box.top),
              bottom = int(box.bottom);
    const uint32_t background = kBackground & 0xFFFFFFu;
    EXPECT_EQ(Rgb(pixels, midX, midY), kTint);
    EXPECT_EQ(Rgb(pixels, left + 2, midY), kTint) << "left edge near " << box.left;
    EXPECT_EQ(Rgb(pixels, right - 2, midY), kTint) << "right edge near " << box.right;
    EXPECT_EQ(Rgb(pixels, midX, top + 2), kTint) << "top edge near " << box.top;
    EXPECT_EQ(Rgb(pixels, midX, bottom - 2), kTint) << "bottom edge near " << box.bottom;
    EXPECT_EQ(Rgb(pixels, left - 2, midY), background);
    EXPECT_EQ(Rgb(pixels, right + 2, midY), background);
    EXPECT_EQ(Rgb(pixels, midX, top - 2), background);
    EXPECT_EQ(Rgb(pixels, midX, bottom + 2), background);
  }
};

TEST_F(EffectDrawTest, ScaledAndTranslatedSquareLandsWhereD3DXPutsIt) {
  ID3DXEffect* effect = Load(WriteEffect("matrix.fx", MatrixEffect("")));
  ASSERT_NE(effect, nullptr);
  D3DXMATRIX scale, move, wvp;
  D3DXMatrixScaling(&scale, 0.5f, 0.25f, 1.0f);
  D3DXMatrixTranslation(&move, 0.25f, -0.5f, 0.5f);
  D3DXMatrixMultiply(&wvp, &scale, &move);
  // By hand: x from 0.15 to 0.35 and y from -0.55 to -0.45 in clip space, so pixels 588.8 to
  // 691.2 across and 556.8 to 595.2 down.
  const ScreenBox box = Project(0, 0, 0.2f, wvp, width_, height_);
  EXPECT_NEAR(box.left, 588.8f, 1e-3f);
  EXPECT_NEAR(box.right, 691.2f, 1e-3f);
  EXPECT_NEAR(box.top, 556.8f, 1e-3f);
  EXPECT_NEAR(box.bottom, 595.2f, 1e-3f);
  ExpectSquareWhereProjected(effect, wvp, 0, 0, 0.2f);
  EXPECT_EQ(effect->Release(), 0u);
}

TEST_F(EffectDrawTest, PerspectiveTimesViewLandsWhereD3DXPutsItInEitherPacking) {
  D3DXMATRIX world, view, projection, worldView, wvp;
  D3DXMatrixTranslation(&world, 2.0f, 1.0f, 0.0f);
  D3DXMatrixTranslation(&view, 0.0f, 0.0f, 10.0f);  // the eye 10 units before the origin
  D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, 4.0f / 3.0f, 1.0f, 100.0f);
  D3DXMatrixMultiply(&worldView, &world, &view);
  D3DXMatrixMultiply(&wvp, &worldView, &projection);
  for (const char* packing : {"", "row_major "}) {
    SCOPED_TRACE(packing);
    ID3DXEffect* effect = Load(WriteEffect("perspective.fx", MatrixEffect(packing)));
    ASSERT_NE(effect, nullptr);
    ExpectSquareWhereProjected(effect, wvp, 0.0f, 0.0f, 0.5f);
    EXPECT_EQ(effect->Release(), 0u);
  }
}

// A pixel colour that reads matrix elements through swizzles, in both notations.
std::string SwizzleEffect(const char* packing) {
  return std::string(packing) +
         "float4x4 wvp;\n"
         "float4x4 colours;\n"
         "struct VOut { float4 position : POSITION; float3 colour : TEXCOORD0; };\n"
         "VOut MainVS(float3 position : POSITION)\n"
         "{\n"
         "    VOut o;\n"
         "    o.position = mul(float4(position, 1), wvp);\n"
         "    o.colour = colours._m01_m12_m23;  // rows 0 to 2, columns 1 to 3\n"
         "    return o;\n"
         "}\n"
         "float4 MainPS(float3 colour : TEXCOORD0) : COLOR0\n"
         "{\n"
         "    return float4(colour.r, colours._32, colours._m30 + colour.b, 1);\n"
         "}\n"
         "technique T { pass P { CullMode = None;\n"
         "    VertexShader = compile vs_3_0 MainVS(); PixelShader = compile ps_3_0 MainPS(); } }\n";
}

TEST_F(EffectDrawTest, MatrixSwizzlesReadTheElementsDirect3DReads) {
  // Every element distinct: row r, column c holds (4r + c) / 16.
  D3DXMATRIX colours;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) colours.m[r][c] = float(4 * r + c) / 16.0f;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  // red: _m01 = 1/16; green: _32 (one-based: row 2, column 1) = 9/16;
  // blue: _m30 + _m23 = 12/16 + 11/16, clamped to 1.
  const uint32_t expected =
      uint32_t(255.0f / 16 + 0.5f) << 16 | uint32_t(255.0f * 9 / 16 + 0.5f) << 8 | 0xFF;
  for (const char* packing : {"", "row_major "}) {
    SCOPED_TRACE(packing);
    ID3DXEffect* effect = Load(WriteEffect("swizzle.fx", SwizzleEffect(packing)));
    ASSERT_NE(effect, nullptr);
    ASSERT_EQ(effect->SetMatrix("wvp", &identity), D3D_OK);
    ASSERT_EQ(effect->SetMatrix("colours", &colours), D3D_OK);
    const std::vector<uint32_t> pixels = DrawPass(effect, Square(0, 0, 0.5f));
    ASSERT_FALSE(pixels.empty());
    const uint32_t got = Rgb(pixels, width_ / 2, height_ / 2);
    for (int shift : {16, 8, 0})
      EXPECT_NEAR(int((got >> shift) & 0xFF), int((expected >> shift) & 0xFF), 1)
          << "channel at " << shift;
    EXPECT_EQ(effect->Release(), 0u);
  }
}

TEST_F(EffectDrawTest, VposCountsPixelsFromTheTopLeftAndVfaceTellsTheSide) {
  ID3DXEffect* effect = Load(WriteEffect(
      "vpos.fx",
      "float4 MainVS(float3 p : POSITION) : POSITION { return float4(p, 1); }\n"
      "float4 MainPS(float2 pixel : VPOS, float face : VFACE) : COLOR0\n"
      "{ return float4(pixel / 255, face > 0 ? 1 : 0, 1); }\n"
      "technique T { pass P { CullMode = None;\n"
      "  VertexShader = compile vs_3_0 MainVS(); PixelShader = compile ps_3_0 MainPS(); } }\n"));
  ASSERT_NE(effect, nullptr);
  // Square's triangles run counter-clockwise on screen: Direct3D's back faces. Swapping two
  // corners of each makes them clockwise, its front faces.
  const std::vector<float> back = Square(0, 0, 1);
  std::vector<float> front = back;
  for (size_t triangle = 0; triangle < front.size(); triangle += 9)
    std::swap_ranges(front.begin() + long(triangle), front.begin() + long(triangle) + 3,
                     front.begin() + long(triangle) + 3);
  for (bool facing : {true, false}) {
    const std::vector<uint32_t> pixels = DrawPass(effect, facing ? front : back);
    ASSERT_FALSE(pixels.empty());
    // Pixel (x, y) sees VPOS (x, y): whole numbers, y down, as in Direct3D 9.
    for (const auto& [x, y] : {std::pair<int, int>{0, 0}, {10, 20}, {200, 3}, {7, 150}})
      EXPECT_EQ(Rgb(pixels, x, y), uint32_t(x) << 16 | uint32_t(y) << 8 | (facing ? 0xFFu : 0u))
          << x << "," << y << (facing ? " front" : " back");
  }
  EXPECT_EQ(effect->Release(), 0u);
}

TEST_F(EffectDrawTest, EachElementOfASamplerArrayReadsItsOwnTexture) {
  // Two 2x1 textures: the first red then green, the second blue then white. The array's first
  // element samples with Point, the second with Linear, so halfway between the texels only the
  // second blends.
  ID3DXEffect* effect = Load(WriteEffect(
      "sampler_array.fx",
      "texture first;\n"
      "texture second;\n"
      "sampler2D maps[2] = {\n"
      "  sampler_state { Texture = <first>; MinFilter = Point; MagFilter = Point; },\n"
      "  sampler_state { Texture = <second>; MinFilter = Linear; MagFilter = Linear;\n"
      "                  AddressU = Clamp; } };\n"
      "float2 coord;\n"
      "float4 MainVS(float3 p : POSITION) : POSITION { return float4(p, 1); }\n"
      "float4 MainPS() : COLOR0\n"
      "{ return float4(tex2D(maps[0], coord).rg, tex2D(maps[1], coord).r, 1); }\n"
      "technique T { pass P { CullMode = None;\n"
      "  VertexShader = compile vs_3_0 MainVS(); PixelShader = compile ps_3_0 MainPS(); } }\n"));
  ASSERT_NE(effect, nullptr);
  IDirect3DTexture9* first = MakeTexture(2, 1, {0xFFFF0000u, 0xFF00FF00u});
  IDirect3DTexture9* second = MakeTexture(2, 1, {0xFF0000FFu, 0xFFFFFFFFu});
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  ASSERT_EQ(effect->SetTexture("first", first), D3D_OK);
  ASSERT_EQ(effect->SetTexture("second", second), D3D_OK);
  auto sample = [&](float u) {
    const float coord[2] = {u, 0.5f};
    EXPECT_EQ(effect->SetValue("coord", coord, sizeof coord), D3D_OK);
    const std::vector<uint32_t> pixels = DrawPass(effect, Square(0, 0, 1), 0);
    return pixels.empty() ? 0xDEADBEEFu : Rgb(pixels, 10, 10);
  };
  // Red and green from the first, blue from the second's red.
  EXPECT_EQ(sample(0.25f), 0xFF0000u);
  EXPECT_EQ(sample(0.75f), 0x00FFFFu);
  // Past the middle the first still gives one texel; the second blends 60% of its white.
  const uint32_t between = sample(0.55f);
  EXPECT_EQ(between >> 8, 0x00FF00u >> 8) << std::hex << between;
  EXPECT_NEAR(int(between & 0xFF), 153, 2) << std::hex << between;
  EXPECT_EQ(effect->Release(), 0u);
  for (DWORD stage : {0u, 1u}) device_->SetTexture(stage, nullptr);
  EXPECT_EQ(first->Release(), 0u);
  EXPECT_EQ(second->Release(), 0u);
}

TEST_F(EffectDrawTest, AParameterPicksThePassShaderFromAShaderArray) {
  ID3DXEffect* effect = Load(WriteEffect(
      "picked.fx",
      "int which = 0;\n"
      "float4 MainVS(float3 p : POSITION) : POSITION { return float4(p, 1); }\n"
      "float4 Tint(uniform float4 colour) : COLOR0 { return colour; }\n"
      "PixelShader tints[2] = { compile ps_3_0 Tint(float4(1, 0, 0, 1)),\n"
      "                         compile ps_3_0 Tint(float4(0, 1, 0, 1)) };\n"
      "technique T { pass P { CullMode = None; VertexShader = compile vs_3_0 MainVS();\n"
      "  PixelShader = (tints[which]); } }\n"));
  ASSERT_NE(effect, nullptr);
  auto draw = [&](bool commitInside, int inside) {
    const std::vector<uint32_t> pixels = DrawPass(effect, Square(0, 0, 1), kBackground, [&]() {
      if (!commitInside) return;
      EXPECT_EQ(effect->SetInt("which", inside), D3D_OK);
      EXPECT_EQ(effect->CommitChanges(), D3D_OK);
    });
    return pixels.empty() ? 0xDEADBEEFu : Rgb(pixels, 20, 20);
  };
  EXPECT_EQ(draw(false, 0), 0xFF0000u);
  ASSERT_EQ(effect->SetInt("which", 1), D3D_OK);
  EXPECT_EQ(draw(false, 0), 0x00FF00u);
  // Changed inside the pass, the pick takes effect at CommitChanges; past the end, the last.
  EXPECT_EQ(draw(true, 0), 0xFF0000u);
  EXPECT_EQ(draw(true, 7), 0x00FF00u);
  EXPECT_EQ(effect->Release(), 0u);
}

TEST_F(EffectDrawTest, DepthFromZeroToOneMeetsTheClearedDepth) {
  ID3DXEffect* effect = Load(WriteEffect("depth.fx", MatrixEffect("")));
  ASSERT_NE(effect, nullptr);
  // z = 0.5 after the transform.
  D3DXMATRIX wvp;
  D3DXMatrixTranslation(&wvp, 0.0f, 0.0f, 0.5f);
  ASSERT_EQ(effect->SetMatrix("wvp", &wvp), D3D_OK);
  for (float cleared : {0.55f, 0.45f}) {
    ASSERT_EQ(
        device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, cleared, 0),
        D3D_OK);
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    DrawPositions(effect, Square(0, 0, 0.5f), true);
    ASSERT_EQ(effect->EndPass(), D3D_OK);
    ASSERT_EQ(effect->End(), D3D_OK);
    const std::vector<uint32_t> pixels = ReadBackBuffer();
    ASSERT_FALSE(pixels.empty());
    EXPECT_EQ(Rgb(pixels, width_ / 2, height_ / 2),
              cleared > 0.5f ? kTint : (kBackground & 0xFFFFFFu))
        << "depth cleared to " << cleared;
  }
  EXPECT_EQ(effect->Release(), 0u);
}

TEST_F(EffectDrawTest, ThePassStatesReachTheDevicesOwnDraws) {
  ID3DXEffect* effect = Load(WriteEffect(
      "additive.fx", MatrixEffect("",
                                  "AlphaBlendEnable = true; SrcBlend = One; DestBlend = One; "
                                  "CullMode = None; ZEnable = false;")));
  ASSERT_NE(effect, nullptr);
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  const float tint[4] = {64 / 255.0f, 32 / 255.0f, 16 / 255.0f, 1.0f};
  ASSERT_EQ(effect->SetMatrix("wvp", &identity), D3D_OK);
  ASSERT_EQ(effect->SetValue("tint", tint, sizeof tint), D3D_OK);

  const D3DVERTEXELEMENT9 elements[] = {
      {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
  IDirect3DVertexDeclaration9* declaration = nullptr;
  ASSERT_EQ(device_->CreateVertexDeclaration(elements, &declaration), D3D_OK);
  const std::vector<float> square = Square(0, 0, 0.5f);
  IDirect3DVertexBuffer9* vertices = nullptr;
  ASSERT_EQ(device_->CreateVertexBuffer(UINT(square.size() * sizeof(float)), 0, 0, D3DPOOL_MANAGED,
                                        &vertices, nullptr),
            D3D_OK);
  void* data = nullptr;
  ASSERT_EQ(vertices->Lock(0, 0, &data, 0), D3D_OK);
  std::memcpy(data, square.data(), square.size() * sizeof(float));
  ASSERT_EQ(vertices->Unlock(), D3D_OK);

  Clear(kBackground);
  ASSERT_EQ(device_->SetVertexDeclaration(declaration), D3D_OK);
  ASSERT_EQ(device_->SetStreamSource(0, vertices, 0, 3 * sizeof(float)), D3D_OK);
  UINT passes = 0;
  ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(effect->BeginPass(0), D3D_OK);
  EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  ASSERT_EQ(effect->EndPass(), D3D_OK);
  ASSERT_EQ(effect->End(), D3D_OK);

  // One plus one: the background and the tint add up inside the square.
  const std::vector<uint32_t> pixels = ReadBackBuffer();
  ASSERT_FALSE(pixels.empty());
  EXPECT_EQ(Rgb(pixels, width_ / 2, height_ / 2), 0x606070u);
  EXPECT_EQ(Rgb(pixels, 10, 10), kBackground & 0xFFFFFFu);

  device_->SetStreamSource(0, nullptr, 0, 0);
  device_->SetVertexDeclaration(nullptr);
  vertices->Release();
  declaration->Release();
  EXPECT_EQ(effect->Release(), 0u);
}

const char* const kTextureEffect =
    "texture3D volumeTexture;\n"
    "texture imageTexture;\n"
    "sampler3D volumeSampler = sampler_state {\n"
    "    Texture = <volumeTexture>; MinFilter = Point; MagFilter = Linear; MipFilter = None;\n"
    "    AddressU = Clamp; AddressV = Clamp; AddressW = Clamp; };\n"
    "sampler2D imageSampler = sampler_state {\n"
    "    Texture = <imageTexture>; MinFilter = Point; MagFilter = Point; MipFilter = None;\n"
    "    AddressU = Clamp; AddressV = Clamp; };\n"
    "float3 volumeCoord;\n"
    "float2 imageCoord;\n"
    "float4 MainVS(float3 position : POSITION) : POSITION { return float4(position, 1); }\n"
    "float4 MainPS() : COLOR0\n"
    "{\n"
    "    return float4(tex3D(volumeSampler, volumeCoord).r, tex2D(imageSampler, imageCoord).gb, "
    "1);\n"
    "}\n"
    "technique T { pass P { ZEnable = false;\n"
    "    VertexShader = compile vs_3_0 MainVS(); PixelShader = compile ps_3_0 MainPS(); } }\n";

uint8_t VolumeTexel(int x, int y, int z) { return uint8_t(20 * (1 + x + 2 * y + 4 * z)); }
uint32_t ImageTexel(int x, int y) {
  const int i = x + 2 * y;
  return 0xFF000000u | uint32_t(40 + 50 * i) << 8 | uint32_t(200 - 40 * i);
}

TEST_F(EffectDrawTest, VolumeAndImageTexturesReachTheirSamplers) {
  ID3DXEffect* effect = Load(WriteEffect("textures.fx", kTextureEffect));
  ASSERT_NE(effect, nullptr);
  std::vector<uint8_t> volumeTexels;
  for (int z = 0; z < 2; ++z)
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 2; ++x) volumeTexels.push_back(VolumeTexel(x, y, z));
  TestVolumeTexture* volume = TestVolumeTexture::Create(&Internal(), 2, 2, 2, volumeTexels);
  ASSERT_NE(volume, nullptr);
  IDirect3DTexture9* image =
      MakeTexture(2, 2, {ImageTexel(0, 0), ImageTexel(1, 0), ImageTexel(0, 1), ImageTexel(1, 1)});
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(effect->SetTexture("volumeTexture", volume), D3D_OK);
  ASSERT_EQ(effect->SetTexture("imageTexture", image), D3D_OK);

  const std::vector<float> screen = {-1, -1, 0, 1, -1, 0, -1, 1, 0, -1, 1, 0, 1, -1, 0, 1, 1, 0};
  auto sample = [&](const float volumeCoord[3], const float imageCoord[2]) {
    EXPECT_EQ(effect->SetValue("volumeCoord", volumeCoord, 12), D3D_OK);
    EXPECT_EQ(effect->SetValue("imageCoord", imageCoord, 8), D3D_OK);
    const std::vector<uint32_t> pixels = DrawPass(effect, screen, 0);
    return pixels.empty() ? 0xDEADBEEFu : Rgb(pixels, 100, 100);
  };
  for (int z = 0; z < 2; ++z)
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 2; ++x) {
        // Texel centres: the volume's (x, y, z), the image's (y, x).
        const float volumeCoord[3] = {0.25f + 0.5f * x, 0.25f + 0.5f * y, 0.25f + 0.5f * z};
        const float imageCoord[2] = {0.25f + 0.5f * y, 0.25f + 0.5f * x};
        const uint32_t expected =
            uint32_t(VolumeTexel(x, y, z)) << 16 | (ImageTexel(y, x) & 0xFFFFu);
        EXPECT_EQ(sample(volumeCoord, imageCoord), expected) << x << " " << y << " " << z;
      }
  // Past the edge the pass's Clamp holds, where the device's default would wrap around.
  const float volumeCoord[3] = {1.25f, 0.25f, 1.25f};
  const float imageCoord[2] = {1.25f, 0.25f};
  EXPECT_EQ(sample(volumeCoord, imageCoord),
            uint32_t(VolumeTexel(1, 0, 1)) << 16 | (ImageTexel(1, 0) & 0xFFFFu));

  EXPECT_EQ(effect->Release(), 0u);
  device_->SetTexture(0, nullptr);
  device_->SetTexture(1, nullptr);
  EXPECT_EQ(image->Release(), 0u);
  EXPECT_EQ(volume->Release(), 0u);
}

}  // namespace
}  // namespace ember::test

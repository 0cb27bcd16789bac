// Draws on real GL: where a triangle lands and which winding is culled, the render states a
// draw applies, the GL calls a repeated draw makes, and what a draw refuses.
#include "tests/d3d9/draw_test_util.h"

namespace ember::test {
namespace {

constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kGreen = 0xFF00FF00u;

// A triangle in the top half of clip space, clockwise as Direct3D sees it on screen (left,
// top, right), and the same corners counter-clockwise.
std::vector<ColoredVertex> TopTriangle(uint32_t color, float z = 0.5f) {
  return {{-0.5f, 0.2f, z, color}, {0.0f, 0.9f, z, color}, {0.5f, 0.2f, z, color}};
}
std::vector<ColoredVertex> TopTriangleCounterClockwise(uint32_t color) {
  return {{-0.5f, 0.2f, 0.5f, color}, {0.5f, 0.2f, 0.5f, color}, {0.0f, 0.9f, 0.5f, color}};
}
// Two triangles covering the whole target.
std::vector<ColoredVertex> FullScreen(uint32_t color, float z = 0.5f) {
  return {{-1, 1, z, color},  {1, 1, z, color}, {-1, -1, z, color},
          {-1, -1, z, color}, {1, 1, z, color}, {1, -1, z, color}};
}

using DrawOrientationTest = DrawTest;

TEST_F(DrawOrientationTest, TopOfClipSpaceIsTheTopRowsOfTheBackBuffer) {
  Clear(0xFF000000);
  IDirect3DVertexBuffer9* vertices = MakeVertices(TopTriangle(kRed));
  Bind(vertices);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  const std::vector<uint32_t> pixels = ReadBackBuffer();
  // Clip y 0.5 is row 192 of 768, inside the triangle; its mirror, row 576, stays clear.
  EXPECT_EQ(Rgb(pixels, 512, PixelY(0.5f, height_)), 0xFF0000u);
  EXPECT_EQ(Rgb(pixels, 512, PixelY(-0.5f, height_)), 0u);
  // The apex at clip y 0.9 is near the top: row 38; above it nothing.
  EXPECT_EQ(Rgb(pixels, 512, PixelY(0.85f, height_)), 0xFF0000u);
  EXPECT_EQ(Rgb(pixels, 512, PixelY(0.95f, height_)), 0u);
  // Left and right stay where x puts them.
  EXPECT_EQ(Rgb(pixels, PixelX(-0.4f, width_), PixelY(0.25f, height_)), 0xFF0000u);
  EXPECT_EQ(Rgb(pixels, PixelX(-0.6f, width_), PixelY(0.25f, height_)), 0u);
  vertices->Release();
}

TEST_F(DrawOrientationTest, DefaultCullModeDrawsClockwiseAndCullsCounterClockwise) {
  DWORD cull = 0;
  ASSERT_EQ(device_->GetRenderState(D3DRS_CULLMODE, &cull), D3D_OK);
  ASSERT_EQ(cull, DWORD(D3DCULL_CCW));
  IDirect3DVertexBuffer9* clockwise = MakeVertices(TopTriangle(kRed));
  IDirect3DVertexBuffer9* counter = MakeVertices(TopTriangleCounterClockwise(kGreen));
  const int x = 512, y = PixelY(0.5f, height_);

  Clear(0xFF000000);
  Bind(counter);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  EXPECT_EQ(Rgb(ReadBackBuffer(), x, y), 0u);
  Bind(clockwise);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  EXPECT_EQ(Rgb(ReadBackBuffer(), x, y), 0xFF0000u);

  // D3DCULL_CW the other way round; D3DCULL_NONE keeps both.
  Clear(0xFF000000);
  ASSERT_EQ(device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW), D3D_OK);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  EXPECT_EQ(Rgb(ReadBackBuffer(), x, y), 0u);
  Bind(counter);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  EXPECT_EQ(Rgb(ReadBackBuffer(), x, y), 0x00FF00u);
  ASSERT_EQ(device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
  Bind(clockwise);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  EXPECT_EQ(Rgb(ReadBackBuffer(), x, y), 0xFF0000u);
  clockwise->Release();
  counter->Release();
}

TEST_F(DrawOrientationTest, VertexColoursReachTheShaderAsRedGreenBlue) {
  Clear(0xFF000000);
  IDirect3DVertexBuffer9* vertices = MakeVertices(FullScreen(0x80204080u));
  Bind(vertices);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  EXPECT_EQ(Rgb(ReadBackBuffer(), 10, 10), 0x204080u);
  vertices->Release();
}

TEST_F(DrawOrientationTest, IndexedDrawsUseTheBaseVertexAndStartIndex) {
  Clear(0xFF000000);
  // A red triangle, then the green one the draw picks: indices 3..5 with base vertex 3 lead
  // to vertices 3 to 5.
  std::vector<ColoredVertex> both = TopTriangle(kRed);
  for (ColoredVertex v : TopTriangle(kGreen)) both.push_back(v);
  IDirect3DVertexBuffer9* vertices = MakeVertices(both);
  IDirect3DIndexBuffer9* indices = MakeIndices({2, 1, 0, 0, 1, 2});
  Bind(vertices, indices);
  ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 3, 0, 3, 3, 1), D3D_OK);
  EXPECT_EQ(Rgb(ReadBackBuffer(), 512, PixelY(0.5f, height_)), 0x00FF00u);
  // Indices 0..2 run the other way round: culled.
  Clear(0xFF000000);
  ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3D_OK);
  EXPECT_EQ(Rgb(ReadBackBuffer(), 512, PixelY(0.5f, height_)), 0u);
  vertices->Release();
  indices->Release();
}

TEST_F(DrawOrientationTest, ReadOnlyLocksLeaveTheGpuCopyAsItWas) {
  Clear(0xFF000000);
  IDirect3DVertexBuffer9* vertices = MakeVertices(FullScreen(kRed));
  Bind(vertices);
  ColoredVertex* data = nullptr;
  ASSERT_EQ(vertices->Lock(0, 0, reinterpret_cast<void**>(&data), D3DLOCK_READONLY), D3D_OK);
  for (int i = 0; i < 6; ++i) data[i].color = kGreen;
  ASSERT_EQ(vertices->Unlock(), D3D_OK);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  EXPECT_EQ(Rgb(ReadBackBuffer(), 10, 10), 0xFF0000u);
  // A writing lock of part of the buffer uploads the change.
  ASSERT_EQ(vertices->Lock(0, 3 * sizeof(ColoredVertex), reinterpret_cast<void**>(&data), 0),
            D3D_OK);
  ASSERT_EQ(vertices->Unlock(), D3D_OK);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  const std::vector<uint32_t> pixels = ReadBackBuffer();
  // The first triangle (top left half) is green now, the second still red.
  EXPECT_EQ(Rgb(pixels, 10, 10), 0x00FF00u);
  EXPECT_EQ(Rgb(pixels, width_ - 10, height_ - 10), 0xFF0000u);
  vertices->Release();
}

TEST_F(DrawOrientationTest, TwoStreamsAndAStreamOfStrideZero) {
  // Positions in stream 0, one colour in stream 1 read for every vertex.
  const D3DVERTEXELEMENT9 elements[] = {
      {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
      {1, 4, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
      D3DDECL_END()};
  IDirect3DVertexDeclaration9* split = nullptr;
  ASSERT_EQ(device_->CreateVertexDeclaration(elements, &split), D3D_OK);
  IDirect3DVertexBuffer9* positions = MakeVertices(FullScreen(0));
  IDirect3DVertexBuffer9* colour = nullptr;
  ASSERT_EQ(device_->CreateVertexBuffer(16, 0, 0, D3DPOOL_MANAGED, &colour, nullptr), D3D_OK);
  uint32_t* data = nullptr;
  ASSERT_EQ(colour->Lock(0, 0, reinterpret_cast<void**>(&data), 0), D3D_OK);
  data[1] = 0xFF3366CCu;
  data[2] = kRed;
  ASSERT_EQ(colour->Unlock(), D3D_OK);
  ASSERT_EQ(device_->SetVertexDeclaration(split), D3D_OK);
  ASSERT_EQ(device_->SetStreamSource(0, positions, 0, sizeof(ColoredVertex)), D3D_OK);
  ASSERT_EQ(device_->SetStreamSource(1, colour, 0, 0), D3D_OK);
  Clear(0xFF000000);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  const std::vector<uint32_t> pixels = ReadBackBuffer();
  EXPECT_EQ(Rgb(pixels, 10, 10), 0x3366CCu);
  EXPECT_EQ(Rgb(pixels, width_ - 10, height_ - 10), 0x3366CCu);
  // The colour ends 8 bytes into a vertex: from offset 12 it runs past the 16-byte buffer.
  ASSERT_EQ(device_->SetStreamSource(1, colour, 12, 0), D3D_OK);
  EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3DERR_INVALIDCALL);
  ASSERT_EQ(device_->SetStreamSource(1, nullptr, 0, 0), D3D_OK);
  split->Release();
  positions->Release();
  colour->Release();
}

using DrawStateTest = DrawTest;

TEST_F(DrawStateTest, AdditiveBlendingAddsToTheClearedColour) {
  Clear(0xFF102030);
  IDirect3DVertexBuffer9* vertices = MakeVertices(FullScreen(0xFF203040u));
  Bind(vertices);
  ASSERT_EQ(device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), D3D_OK);
  ASSERT_EQ(device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE), D3D_OK);
  ASSERT_EQ(device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE), D3D_OK);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  EXPECT_EQ(Rgb(ReadBackBuffer(), 100, 100), 0x305070u);
  // Once more adds the source again.
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  EXPECT_EQ(Rgb(ReadBackBuffer(), 100, 100), 0x5080B0u);
  vertices->Release();
}

TEST_F(DrawStateTest, BlendOperationAndSourceAlphaFactors) {
  Clear(0xFF405060);
  IDirect3DVertexBuffer9* vertices = MakeVertices(FullScreen(0x80102030u));
  Bind(vertices);
  ASSERT_EQ(device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), D3D_OK);
  ASSERT_EQ(device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE), D3D_OK);
  ASSERT_EQ(device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE), D3D_OK);
  ASSERT_EQ(device_->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT), D3D_OK);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  // Destination minus source.
  EXPECT_EQ(Rgb(ReadBackBuffer(), 100, 100), 0x303030u);

  // Source alpha 0x80: half the white source over half the black destination.
  Clear(0xFF000000);
  IDirect3DVertexBuffer9* white = MakeVertices(FullScreen(0x80FFFFFFu));
  Bind(white);
  ASSERT_EQ(device_->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD), D3D_OK);
  ASSERT_EQ(device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), D3D_OK);
  ASSERT_EQ(device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA), D3D_OK);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  const uint32_t half = Rgb(ReadBackBuffer(), 100, 100);
  EXPECT_NEAR(double(half >> 16), 128.0, 1.0);
  EXPECT_EQ(half & 0xFF, half >> 16);
  vertices->Release();
  white->Release();
}

TEST_F(DrawStateTest, ColourWriteMaskAndDepthTest) {
  ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0),
            D3D_OK);
  IDirect3DVertexBuffer9* nearRed = MakeVertices(FullScreen(kRed, 0.3f));
  IDirect3DVertexBuffer9* farWhite = MakeVertices(FullScreen(0xFFFFFFFFu, 0.7f));
  Bind(nearRed);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  // Farther than what is there: LESSEQUAL rejects it.
  Bind(farWhite);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  EXPECT_EQ(Rgb(ReadBackBuffer(), 100, 100), 0xFF0000u);
  // With the z buffer off it lands, through a mask that keeps only green.
  ASSERT_EQ(device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE), D3D_OK);
  ASSERT_EQ(device_->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_GREEN), D3D_OK);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  EXPECT_EQ(Rgb(ReadBackBuffer(), 100, 100), 0xFFFF00u);
  nearRed->Release();
  farWhite->Release();
}

TEST_F(DrawStateTest, RepeatedDrawsAndStatesMakeNoGlStateCalls) {
  Clear(0xFF000000);
  IDirect3DVertexBuffer9* vertices = MakeVertices(FullScreen(kRed));
  Bind(vertices);
  ASSERT_EQ(device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), D3D_OK);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  const unsigned long calls = Internal().GL().CallCount();
  const unsigned long builds = Internal().VertexArrays().Builds();

  ASSERT_EQ(device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), D3D_OK);
  ASSERT_EQ(device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW), D3D_OK);
  EXPECT_EQ(Internal().States().DirtyGroups() & (d3d9::kGroupBlend | d3d9::kGroupRaster), 0u);
  Bind(vertices);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  EXPECT_EQ(Internal().GL().CallCount(), calls);
  EXPECT_EQ(Internal().VertexArrays().Builds(), builds);

  // One changed state costs its one GL call, once.
  ASSERT_EQ(device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  EXPECT_EQ(Internal().GL().CallCount(), calls + 1);
  vertices->Release();
}

TEST_F(DrawStateTest, VertexArraysAreBuiltOncePerCombination) {
  IDirect3DVertexBuffer9* a = MakeVertices(FullScreen(kRed));
  IDirect3DVertexBuffer9* b = MakeVertices(FullScreen(kGreen));
  const unsigned long before = Internal().VertexArrays().Builds();
  for (int frame = 0; frame < 5; ++frame) {
    Bind(a);
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    Bind(b);
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  }
  EXPECT_EQ(Internal().VertexArrays().Builds(), before + 2);
  // Another stride is another combination.
  ASSERT_EQ(device_->SetStreamSource(0, a, 0, sizeof(ColoredVertex) + 4), D3D_OK);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  EXPECT_EQ(Internal().VertexArrays().Builds(), before + 3);
  a->Release();
  b->Release();
}

TEST_F(DrawStateTest, ABufferMadeAfterAnotherWasFreedGetsItsOwnVertexArray) {
  Clear(0xFF000000);
  IDirect3DVertexBuffer9* first = MakeVertices(FullScreen(kRed));
  Bind(first);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  ASSERT_EQ(device_->SetStreamSource(0, nullptr, 0, 0), D3D_OK);
  first->Release();
  // Whatever address or GL name the new buffer gets, the draw reads the new vertices.
  IDirect3DVertexBuffer9* second = MakeVertices(FullScreen(kGreen));
  Bind(second);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  EXPECT_EQ(Rgb(ReadBackBuffer(), 10, 10), 0x00FF00u);
  second->Release();
}

using DrawRefusalTest = DrawTest;

TEST_F(DrawRefusalTest, DrawsNeedAProgramADeclarationAndStreams) {
  IDirect3DVertexBuffer9* vertices = MakeVertices(TopTriangle(kRed));
  // No declaration yet.
  ASSERT_EQ(device_->SetStreamSource(0, vertices, 0, sizeof(ColoredVertex)), D3D_OK);
  EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
  Bind(vertices);
  EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  // No fixed-function pipeline: without a program nothing draws.
  Internal().UseProgram(0, 0);
  EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
  Internal().UseProgram(program_, 0);
  // The declaration's stream must have a buffer.
  ASSERT_EQ(device_->SetStreamSource(0, nullptr, 0, 0), D3D_OK);
  EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
  vertices->Release();
}

TEST_F(DrawRefusalTest, CountsAndRangesOutsideTheBuffers) {
  IDirect3DVertexBuffer9* vertices = MakeVertices(TopTriangle(kRed));
  IDirect3DIndexBuffer9* indices = MakeIndices({0, 1, 2});
  Bind(vertices);
  EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawPrimitive(D3DPRIMITIVETYPE(7), 0, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawPrimitive(D3DPT_POINTLIST, 0, 3), D3D_OK);
  // No index buffer yet.
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3DERR_INVALIDCALL);
  Bind(vertices, indices);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3D_OK);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 1, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 0, 3, 0, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -1, 0, 3, 0, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 0, 0, 1), D3DERR_INVALIDCALL);
  // Direct3D draws no indexed point lists.
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_POINTLIST, 0, 0, 3, 0, 3), D3DERR_INVALIDCALL);
  vertices->Release();
  indices->Release();
}

}  // namespace
}  // namespace ember::test

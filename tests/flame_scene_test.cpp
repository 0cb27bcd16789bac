#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "app/app_state.h"
#include "app/intro_menu.h"
#include "scene/camera.h"
#include "scene/flame_scene.h"
#include "scene/mesh_object.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/program_run.h"

namespace {

using ember::test::TestEnvironment;

// The program in the demo phase: device, menu set-up and scene load done.
struct Demo {
  TestEnvironment env;
  explicit Demo(bool loadScene = true) {
    ember::test::ResetProgram();
    env.host.AnswerMessageBoxes({1});
    env.host.SetTime(1000000);
    ember::test::CreateProgramWindow();
    EXPECT_EQ(InitVideo(g_mainWindow), 1);
    EXPECT_EQ(InitMenu(), 1);
    g_camera = Camera();
    g_flameObject = SceneObject();
    g_flameMesh = nullptr;
    if (loadScene) {
      EXPECT_EQ(LoadFlameScene(), 1);
    }
  }
  ~Demo() { ember::test::ShutDownProgram(); }

  // Reads the back buffer once; Pixel and Brightness look at that copy.
  void Snapshot() {
    IDirect3DSurface9* back = nullptr;
    g_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    D3DLOCKED_RECT locked{};
    back->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    pixels.resize(1024 * 768);
    for (int y = 0; y < 768; ++y)
      std::memcpy(&pixels[size_t(y) * 1024],
                  static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch, 1024 * 4);
    back->UnlockRect();
    back->Release();
  }
  uint32_t Pixel(int x, int y) const { return pixels[size_t(y) * 1024 + size_t(x)]; }
  // Sum of red, green and blue over a rectangle.
  long Brightness(int x0, int y0, int x1, int y1) const {
    long sum = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        uint32_t p = Pixel(x, y);
        sum += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
      }
    }
    return sum;
  }
  std::vector<uint32_t> pixels;
};

int Red(uint32_t p) { return int((p >> 16) & 0xFF); }

TEST(SceneObject, AttachingLinksBehindTheFirstAndSetsTheOwner) {
  SceneObject object;
  MeshContainer first, second;
  EXPECT_EQ(object.AttachMeshContainer(nullptr), E_FAIL);
  EXPECT_EQ(object.AttachMeshContainer(&first), S_OK);
  EXPECT_EQ(object.AttachMeshContainer(&second), S_OK);
  EXPECT_EQ(object.meshContainers, &first);
  EXPECT_EQ(first.GetNext(), &second);
  EXPECT_EQ(second.GetNext(), nullptr);
  EXPECT_EQ(second.owner, &object);
  EXPECT_EQ(object.ComputeBounds(nullptr), E_FAIL);
}

TEST(SceneObject, WorldTransformRotatesBeforeItMoves) {
  Demo demo(false);
  SceneObject object;
  object.UpdateWorldTransform();
  D3DMATRIX world;
  g_device->GetTransform(D3DTS_WORLD, &world);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_FLOAT_EQ(world.m[i][j], i == j ? 1.0f : 0.0f);
  object.yaw = D3DX_PI / 2;
  object.position = D3DXVECTOR3(10, 0, 0);
  object.UpdateWorldTransform();
  D3DXVECTOR3 p(1, 0, 0);
  D3DXVec3TransformCoord(&p, &p, &object.world);
  EXPECT_NEAR(p.x, 10.0f, 1e-5f);  // +X turned to -Z, then moved
  EXPECT_NEAR(p.z, -1.0f, 1e-5f);
}

// The position of vertex i in the flame's 64-byte layout.
const float* PositionOf(const void* vertices, DWORD i) {
  return reinterpret_cast<const float*>(static_cast<const uint8_t*>(vertices) + size_t(i) * 64);
}

TEST(FlameScene, TheSceneLoadBuildsTheFlameMeshAndItsBounds) {
  Demo demo;
  ASSERT_NE(g_flameMesh, nullptr);
  ID3DXMesh* mesh = g_flameMesh->MeshData.pMesh;
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->GetNumBytesPerVertex(), 64u);
  EXPECT_EQ(mesh->GetFVF(), 0u);
  EXPECT_EQ(g_flameMesh->owner, &g_flameObject);
  EXPECT_EQ(g_flameObject.meshContainers, g_flameMesh);
  EXPECT_EQ(g_flameMesh->NumMaterials, 1u);
  // The sphere is centred on the mean of the positions and reaches the farthest of them.
  void* vertices = nullptr;
  ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices), D3D_OK);
  const DWORD count = mesh->GetNumVertices();
  ASSERT_GT(count, 0u);
  double mean[3] = {0, 0, 0};
  for (DWORD i = 0; i < count; ++i)
    for (int k = 0; k < 3; ++k) mean[k] += PositionOf(vertices, i)[k] / count;
  double farthest = 0;
  for (DWORD i = 0; i < count; ++i) {
    const float* p = PositionOf(vertices, i);
    farthest = std::max(farthest, std::hypot(p[0] - mean[0], p[1] - mean[1], p[2] - mean[2]));
  }
  mesh->UnlockVertexBuffer();
  EXPECT_NEAR(g_flameObject.boundCenter.x, mean[0], 1e-3);
  EXPECT_NEAR(g_flameObject.boundCenter.y, mean[1], 1e-3);
  EXPECT_NEAR(g_flameObject.boundCenter.z, mean[2], 1e-3);
  EXPECT_NEAR(g_flameObject.boundRadius, farthest, 1e-3);
  // The flame stands about 20 units high over the origin.
  EXPECT_GT(g_flameObject.boundRadius, 9.0f);
  EXPECT_LT(g_flameObject.boundRadius, 16.0f);
  EXPECT_NE(g_flameEffect, nullptr);
  ASSERT_NE(g_noiseTexture, nullptr);
  EXPECT_NE(g_flameTexture, nullptr);
  // The noise volume: its size from the file, a full chain, alpha added for the colour key.
  D3DVOLUME_DESC volume{};
  ASSERT_EQ(g_noiseTexture->GetLevelDesc(0, &volume), D3D_OK);
  EXPECT_EQ(volume.Width, 32u);
  EXPECT_EQ(volume.Depth, 32u);
  EXPECT_EQ(volume.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(g_noiseTexture->GetLevelCount(), 6u);
  D3DLOCKED_BOX box{};
  // The managed pool keeps a copy that can be locked.
  ASSERT_EQ(g_noiseTexture->LockBox(0, &box, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(box.RowPitch, 32 * 4);
  EXPECT_EQ(box.SlicePitch, 32 * 32 * 4);
  EXPECT_EQ(g_noiseTexture->UnlockBox(0), D3D_OK);
  D3DVOLUME_DESC smallest{};
  g_noiseTexture->GetLevelDesc(5, &smallest);
  EXPECT_EQ(smallest.Width * smallest.Height * smallest.Depth, 1u);
  EXPECT_EQ(demo.env.DebugText().find("Impossibile"), std::string::npos) << demo.env.DebugText();
  float px, py, pz;
  g_camera.GetPosition(&px, &py, &pz);
  EXPECT_EQ(pz, 60.0f);
}

TEST(FlameScene, TheBackgroundLoadsIntoASystemMemorySurfaceOrFailsWithItsMessage) {
  Demo demo(false);
  IDirect3DSurface9* surface = nullptr;
  ASSERT_EQ(LoadBitmapSurface("..\\Immagini\\sfondo.bmp", &surface, g_device), S_OK);
  D3DSURFACE_DESC desc{};
  surface->GetDesc(&desc);
  EXPECT_EQ(desc.Width, 1024u);
  EXPECT_EQ(desc.Height, 768u);
  EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(desc.Pool, D3DPOOL_SYSTEMMEM);
  surface->Release();

  IDirect3DSurface9* missing = nullptr;
  EXPECT_EQ(LoadBitmapSurface("..\\Immagini\\missing.bmp", &missing, g_device), E_FAIL);
  // A picture that is not a bitmap file is no bitmap either.
  EXPECT_EQ(LoadBitmapSurface("..\\Immagini\\Loading.jpg", &missing, g_device), E_FAIL);
  EXPECT_EQ(missing, nullptr);
  std::string text = demo.env.DebugText();
  size_t first = text.find("ERROR: Unable to load bitmap\n");
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(text.find("ERROR: Unable to load bitmap\n", first + 1), std::string::npos);
}

TEST(FlameScene, AFrameShowsABrightMovingFlameOverTheBackground) {
  Demo demo;
  RenderFlameFrame();
  demo.Snapshot();
  long flameBefore = demo.Brightness(440, 220, 580, 420);
  uint32_t core = demo.Pixel(512, 380);
  EXPECT_GT(Red(core), 200);
  // Around the flame the background shows: dark, but not the black of the clear.
  uint32_t wall = demo.Pixel(100, 200);
  EXPECT_NE(wall & 0xFFFFFF, 0u);
  EXPECT_LT(Red(wall), 120);
  demo.env.host.Advance(700);
  RenderFlameFrame();
  demo.Snapshot();
  long flameAfter = demo.Brightness(440, 220, 580, 420);
  EXPECT_NE(flameBefore, flameAfter);
  EXPECT_EQ(demo.Pixel(100, 200), wall);  // the background itself stays put
}

TEST(FlameScene, TheFrameRateLineStartsAtPixelTwoOne) {
  Demo demo;
  RenderFlameFrame();
  demo.Snapshot();
  // The white text's real extent: its first column and row lie right at (2, 1), give or take
  // the first glyph's bearing, and it is one line of a few glyphs.
  int left = 1024, top = 768, right = -1, bottom = -1;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 300; ++x) {
      uint32_t p = demo.Pixel(x, y);
      if (Red(p) < 200 || ((p >> 8) & 0xFF) < 200 || (p & 0xFF) < 200) continue;
      left = std::min(left, x);
      top = std::min(top, y);
      right = std::max(right, x);
      bottom = std::max(bottom, y);
    }
  EXPECT_GE(left, 2);
  EXPECT_LE(left, 4);
  EXPECT_GE(top, 1);
  EXPECT_LE(top, 6);
  EXPECT_GT(right - left, 60);
  EXPECT_LT(bottom - top, 30);
  EXPECT_EQ(std::string(g_fpsText, 5), "FPS: ");
}

TEST(FlameScene, DemoFramesAllocateNothing) {
  Demo demo;
  // The first frames create the driver's own objects for each state.
  for (int i = 0; i < 5; ++i) RenderFlameFrame();
  ember::test::AllocationCounter counter;
  for (int i = 0; i < 50; ++i) {
    demo.env.host.Advance(17);
    RenderFlameFrame();
  }
  EXPECT_EQ(counter.Count(), 0u);
}

TEST(FlameScene, WithoutTheEffectTheDemoGoesOnWithBackgroundAndText) {
  Demo demo(false);
  demo.env.host.AnswerMessageBoxes({});
  // The effect file disappears: the load reports it and the frame still draws.
  ASSERT_EQ(unlink((demo.env.Root() + "/Data").c_str()), 0);
  EXPECT_EQ(LoadFlameScene(), 1);
  EXPECT_EQ(g_flameEffect, nullptr);
  EXPECT_EQ(g_flameMesh, nullptr);
  std::string text = demo.env.DebugText();
  EXPECT_NE(text.find("Errore nel caricamento del file Flame.fx\n"), std::string::npos);
  EXPECT_NE(text.find("ERROR: FX Creation Error\n"), std::string::npos);
  EXPECT_NE(text.find("Impossibile caricare la noiseTexture\n"), std::string::npos);
  EXPECT_NE(text.find("Impossibile caricare flameTexture\n"), std::string::npos);
  const auto& boxes = demo.env.host.ShownBoxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.back().title, "Fx Creation Error");
  EXPECT_NE(boxes.back().text.find("Flame_OK.fx"), std::string::npos);
  EXPECT_EQ(RenderFlameFrame(), D3D_OK);
  demo.Snapshot();
  EXPECT_NE(demo.Pixel(100, 200) & 0xFFFFFF, 0u);
}

}  // namespace

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/intro_menu.h"
#include "input/keyboard.h"
#include "scene/camera.h"
#include "tests/support/program_run.h"

namespace {

using ember::test::TestEnvironment;

// The camera as the scene load leaves it, with the keyboard set up.
struct CameraRun {
  TestEnvironment env;
  CameraRun() {
    ember::test::ResetProgram();
    env.host.AnswerMessageBoxes({1});
    ember::test::CreateProgramWindow();
    EXPECT_EQ(InitVideo(g_mainWindow), 1);
    EXPECT_EQ(InitMenu(), 1);
    g_camera = Camera();
    g_targetDistance = 100.0f;
    g_camera.SetPosition(0, 0, 60);
  }
  ~CameraRun() { ember::test::ShutDownProgram(); }
  D3DXVECTOR3 Position() const { return g_camera.position; }
};

const int kLeft = 80, kRight = 79, kUp = 82, kDown = 81, kA = 4, kZ = 29;

TEST(Camera, ViewAtTheStartLooksDownMinusZFromSixty) {
  CameraRun run;
  UpdateCamera();
  const D3DXMATRIX& v = g_camera.view;
  const float expected[4][4] = {{-1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, -1, 0}, {0, 0, 60, 1}};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_FLOAT_EQ(v.m[i][j], expected[i][j]) << i << "," << j;
  D3DMATRIX onDevice;
  g_device->GetTransform(D3DTS_VIEW, &onDevice);
  EXPECT_FLOAT_EQ(onDevice._43, 60.0f);
  // The world origin lies 60 units in front of the eye.
  D3DXVECTOR3 origin(0, 0, 0);
  D3DXVec3TransformCoord(&origin, &origin, &g_camera.view);
  EXPECT_FLOAT_EQ(origin.z, 60.0f);
}

TEST(Camera, TheFirstFrameDoesNotMove) {
  CameraRun run;
  run.env.host.PressKey(kLeft);
  g_frameDurationMs = 0;
  UpdateCamera();
  EXPECT_EQ(run.Position(), D3DXVECTOR3(0, 0, 60));
}

struct KeyCase {
  std::vector<int> keys;
  D3DXVECTOR3 move;
};

TEST(Camera, EachKeyAndKeyPairMovesBySixAfterATwentyMillisecondFrame) {
  const KeyCase cases[] = {
      {{kLeft}, {6, 0, 0}},         {{kRight}, {-6, 0, 0}},
      {{kLeft, kRight}, {6, 0, 0}}, {{kA}, {0, 6, 0}},
      {{kZ}, {0, -6, 0}},           {{kA, kZ}, {0, 6, 0}},
      {{kUp}, {0, 0, -6}},          {{kDown}, {0, 0, 6}},
      {{kDown, kUp}, {0, 0, 6}},    {{kLeft, kA, kUp}, {6, 6, -6}},
  };
  for (const KeyCase& c : cases) {
    CameraRun run;
    for (int key : c.keys) run.env.host.PressKey(key);
    g_frameDurationMs = 20;
    UpdateCamera();
    D3DXVECTOR3 p = run.Position();
    EXPECT_NEAR(p.x, c.move.x, 1e-4f);
    EXPECT_NEAR(p.y, c.move.y, 1e-4f);
    EXPECT_NEAR(p.z, 60 + c.move.z, 1e-4f);
    // The view follows the new position on the next build: its fourth row is (x, -y, z).
    UpdateCamera();
    EXPECT_NEAR(g_camera.view._41, p.x + c.move.x, 1e-3f);
    EXPECT_NEAR(g_camera.view._42, -(p.y + c.move.y), 1e-3f);
  }
}

TEST(Camera, MovementIsAppliedAtEveryBuild) {
  CameraRun run;
  g_camera.SetMovement(0, 0, 1);
  g_camera.BuildViewMatrix();
  g_camera.BuildViewMatrix();
  EXPECT_FLOAT_EQ(g_camera.position.z, 58.0f);  // two units along look, which is -z
  Camera copy(g_camera);
  EXPECT_EQ(copy.position, g_camera.position);
  EXPECT_EQ(copy.view._11, 0.0f);  // the copy leaves the view alone
}

}  // namespace

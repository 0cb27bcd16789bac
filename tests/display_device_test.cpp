#include <gtest/gtest.h>

#include "app/app_state.h"
#include "tests/support/program_run.h"
#include "video/display_device.h"

namespace {

using ember::test::TestEnvironment;

const char kWindowedReport[] =
    "WinWidth 1024\nWinHeight 768\nWindowed TRUE\n\nDEVICE TYPE D3DDEVTYPE_HAL\n"
    "b2SidedStencils true\npsVersion true\n";

struct DeviceRun {
  TestEnvironment env;
  HWND window = nullptr;
  HRESULT status = E_FAIL;

  explicit DeviceRun(std::vector<int> answers, int noQuestion = 0) {
    ember::test::ResetProgram();
    env.host.AnswerMessageBoxes(std::move(answers));
    window = ember::test::CreateProgramWindow();
    status = CreateDisplayDevice(&g_direct3D, &g_device, window, noQuestion, 0);
  }
  ~DeviceRun() {
    if (g_device) g_device->Release();
    if (g_direct3D) g_direct3D->Release();
    g_device = nullptr;
    g_direct3D = nullptr;
  }
};

TEST(DisplayDevice, WindowedRunWritesSevenLinesAndSizesTheClientArea) {
  DeviceRun run({1});
  ASSERT_EQ(run.status, S_OK);
  EXPECT_EQ(run.env.ReadFile("options.txt"), kWindowedReport);
  const auto& boxes = run.env.host.ShownBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, "Apertura Applicazione");
  EXPECT_EQ(boxes[0].text, "Modalit\xC3\xA0 schermo-intero? (1024x768x16)");
  EXPECT_EQ(boxes[0].buttons, ember::host::MessageBoxButtons::YesNo);
  EXPECT_TRUE(boxes[0].owned);
  RECT client, outer;
  GetClientRect(run.window, &client);
  GetWindowRect(run.window, &outer);
  EXPECT_EQ(client.right, 1024);
  EXPECT_EQ(client.bottom, 768);
  // The scripted frame is 8, 31, 8 and 8 pixels; the position stays.
  EXPECT_EQ(outer.left, 0);
  EXPECT_EQ(outer.top, 0);
  EXPECT_EQ(outer.right, 1040);
  EXPECT_EQ(outer.bottom, 807);
  D3DPRESENT_PARAMETERS pp = g_presentParameters;
  EXPECT_TRUE(pp.Windowed);
  EXPECT_EQ(pp.SwapEffect, D3DSWAPEFFECT_COPY);
  EXPECT_EQ(pp.PresentationInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
}

TEST(DisplayDevice, FullScreenRunWritesTwelveLinesInOrder) {
  DeviceRun run({0});
  ASSERT_EQ(run.status, S_OK);
  EXPECT_EQ(run.env.ReadFile("options.txt"),
            "WinWidth 1024\nWinHeight 768\nMultiSampleType D3DMULTISAMPLE_NONE\n"
            "SwapEffect D3DSWAPEFFECT_COPY\nWindowed FALSE\nEnableAutoDepthStencil TRUE\n"
            "PresentationInterval D3DPRESENT_INTERVAL_IMMEDIATE\n"
            "Flags D3DPRESENTFLAG_LOCKABLE_BACKBUFFER\n\nDEVICE TYPE D3DDEVTYPE_HAL\n"
            "b2SidedStencils true\npsVersion true\n");
  EXPECT_TRUE(run.env.host.Fullscreen());
  EXPECT_EQ(g_presentParameters.BackBufferWidth, 1024u);
  EXPECT_EQ(g_presentParameters.BackBufferFormat, D3DFMT_X8R8G8B8);
}

TEST(DisplayDevice, ProjectionAndFirstStatesAreSet) {
  DeviceRun run({}, 1);
  ASSERT_EQ(run.status, S_OK);
  EXPECT_TRUE(run.env.host.ShownBoxes().empty());
  D3DMATRIX p;
  g_device->GetTransform(D3DTS_PROJECTION, &p);
  EXPECT_NEAR(p._11, 1.8106601f, 1e-6f);
  EXPECT_NEAR(p._22, 2.4142136f, 1e-6f);
  DWORD v = 0;
  g_device->GetRenderState(D3DRS_CULLMODE, &v);
  EXPECT_EQ(v, DWORD(D3DCULL_NONE));
  g_device->GetRenderState(D3DRS_LIGHTING, &v);
  EXPECT_EQ(v, DWORD(FALSE));
  g_device->GetSamplerState(0, D3DSAMP_MIPFILTER, &v);
  EXPECT_EQ(v, DWORD(D3DTEXF_LINEAR));
}

TEST(DisplayDevice, FallsBackToTheReferenceDeviceWithTheHardwareCapabilities) {
  TestEnvironment env;
  ember::test::ResetProgram();
  env.host.SetGLDriverAvailable(ember::host::GLDriver::System, false);
  HWND window = ember::test::CreateProgramWindow();
  ASSERT_EQ(CreateDisplayDevice(&g_direct3D, &g_device, window, 1, 0), S_OK);
  // No hardware device at all: its capability record is empty.
  EXPECT_EQ(env.ReadFile("options.txt"),
            "WinWidth 1024\nWinHeight 768\nWindowed TRUE\n\nDEVICE TYPE D3DDEVTYPE_REF\n"
            "b2SidedStencils false\npsVersion false\n");
  D3DDEVICE_CREATION_PARAMETERS cp;
  g_device->GetCreationParameters(&cp);
  EXPECT_EQ(cp.BehaviorFlags, DWORD(D3DCREATE_SOFTWARE_VERTEXPROCESSING));
  g_device->Release();
  g_direct3D->Release();
  g_device = nullptr;
  g_direct3D = nullptr;
}

TEST(DisplayDevice, NoDeviceLeavesNineLinesAndTheDirect3DObject) {
  TestEnvironment env;
  ember::test::ResetProgram();
  // A software driver that gives Direct3D its one context and no more: neither device kind.
  env.host.SetGLDriverAvailable(ember::host::GLDriver::System, false);
  env.host.SetGLContextsLeft(1);
  HWND window = ember::test::CreateProgramWindow();
  EXPECT_EQ(CreateDisplayDevice(&g_direct3D, &g_device, window, 1, 0), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(g_device, nullptr);
  ASSERT_NE(g_direct3D, nullptr);
  EXPECT_EQ(env.ReadFile("options.txt"), "WinWidth 1024\nWinHeight 768\nWindowed TRUE\n\n");
  g_direct3D->Release();
  g_direct3D = nullptr;
}

TEST(DisplayDevice, MissingArgumentsLeaveAnEmptyReport) {
  TestEnvironment env;
  ember::test::ResetProgram();
  env.WriteFile("options.txt", "left from an earlier run\n");
  IDirect3D9* d3d = nullptr;
  EXPECT_EQ(CreateDisplayDevice(&d3d, nullptr, nullptr, 1, 0), E_FAIL);
  EXPECT_EQ(d3d, nullptr);
  EXPECT_TRUE(env.FileExists("options.txt"));
  EXPECT_EQ(env.ReadFile("options.txt"), "");
}

TEST(DisplayDevice, AnUnwritableDirectoryStillGivesADevice) {
  TestEnvironment env;
  ember::test::ResetProgram();
  HWND window = ember::test::CreateProgramWindow();
  env.RemoveDirectory();
  ASSERT_EQ(CreateDisplayDevice(&g_direct3D, &g_device, window, 1, 0), S_OK);
  EXPECT_NE(env.DebugText().find("Impossibile aprire il file: options.txt\n"), std::string::npos);
  g_device->Release();
  g_direct3D->Release();
  g_device = nullptr;
  g_direct3D = nullptr;
}

TEST(DisplayDevice, WindowSizingAddsTheFrameToTheDisplaySize) {
  int w = 0, h = 0;
  WindowSizeForClient(RECT{100, 50, 1124, 818}, RECT{0, 0, 1018, 739}, w, h);
  EXPECT_EQ(w, 1024 + 6);
  EXPECT_EQ(h, 768 + 29);
  WindowSizeForClient(RECT{0, 0, 1024, 768}, RECT{0, 0, 1024, 768}, w, h);
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 768);
}

}  // namespace

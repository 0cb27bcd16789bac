#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/intro_menu.h"
#include "app/main_loop.h"
#include "app/window_proc.h"
#include "tests/support/program_run.h"

namespace {

using ember::test::TestEnvironment;

// The program up to its message loop, with the clock held still unless a test moves it.
struct Phases {
  TestEnvironment env;
  Phases() {
    ember::test::ResetProgram();
    env.host.AnswerMessageBoxes({1});
    ember::test::CreateProgramWindow();
    EXPECT_EQ(InitVideo(g_mainWindow), 1);
  }
  ~Phases() { ember::test::ShutDownProgram(); }
  void PassAt(uint32_t ms) {
    env.host.SetTime(ms);
    IdlePass();
  }
};

TEST(PhaseTimeline, MenuInitialisationRunsOnceOnTheFirstTickMeasuringTwoSeconds) {
  Phases p;
  p.PassAt(1000);  // the phase clock starts at the first logo frame
  EXPECT_TRUE(g_phaseClockRunning);
  EXPECT_EQ(g_phaseStartTime, 1000u);
  p.PassAt(2999);
  EXPECT_EQ(g_elapsedSeconds, 1u);
  EXPECT_FALSE(g_phaseInitDone);
  p.PassAt(3000);
  EXPECT_EQ(g_elapsedSeconds, 2u);
  EXPECT_TRUE(g_phaseInitDone);
  EXPECT_TRUE(g_logoActive);  // that tick still drew the logo
  EXPECT_EQ(p.env.host.PresentCount(), 3);
}

TEST(PhaseTimeline, LoadingClockStartsAtItsOwnFirstFrame) {
  Phases p;
  p.PassAt(1000);
  p.PassAt(3000);
  g_startChosen = true;  // as the menu would set it
  p.PassAt(60000);       // long after: the logo and menu time does not count
  EXPECT_FALSE(g_logoActive);
  EXPECT_TRUE(g_menuLeft);
  EXPECT_EQ(g_phaseStartTime, 60000u);
  EXPECT_EQ(g_elapsedSeconds, 0u);
  p.PassAt(61999);
  EXPECT_FALSE(g_phaseInitDone);
  p.PassAt(62000);
  EXPECT_TRUE(g_phaseInitDone);  // the scene load ran
  p.PassAt(64999);
  EXPECT_FALSE(g_introReleased);
  p.PassAt(65000);  // measures 5 s: still a loading frame
  EXPECT_FALSE(g_introReleased);
  p.PassAt(65001);  // the demo begins on the next pass
  EXPECT_TRUE(g_introReleased);
}

TEST(PhaseTimeline, ExactlyOneLoadingFrameFollowsALoadOfFiveSeconds) {
  Phases p;
  p.PassAt(0);
  p.PassAt(2000);
  g_startChosen = true;
  p.PassAt(10000);
  p.PassAt(12000);  // the load runs after this frame
  ASSERT_TRUE(g_phaseInitDone);
  int presents = p.env.host.PresentCount();
  p.PassAt(17500);  // the load took 5.5 s: one more loading frame
  EXPECT_FALSE(g_introReleased);
  EXPECT_EQ(p.env.host.PresentCount(), presents + 1);
  p.PassAt(17501);
  EXPECT_TRUE(g_introReleased);
}

TEST(PhaseTimeline, TheFirstDemoFrameSeesAZeroDuration) {
  Phases p;
  p.PassAt(0);
  p.PassAt(2000);
  g_startChosen = true;
  p.PassAt(3000);
  p.PassAt(8000);
  EXPECT_EQ(g_frameDurationMs, 0u);
  p.env.host.SetStepPerPresent(7);
  p.PassAt(9000);  // the first demo frame: it is measured after it ran
  EXPECT_TRUE(g_introReleased);
  EXPECT_EQ(g_frameDurationMs, 7u);
}

TEST(PhaseTimeline, AWrapOfTheMillisecondClockIsHarmless) {
  Phases p;
  p.PassAt(0xFFFFFC18u);  // 1000 ms before the wrap
  p.PassAt(0x000003E7u);  // 1999 ms later
  EXPECT_EQ(g_elapsedSeconds, 1u);
  EXPECT_FALSE(g_phaseInitDone);
  p.PassAt(0x000003E8u);  // 2000 ms later
  EXPECT_EQ(g_elapsedSeconds, 2u);
  EXPECT_TRUE(g_phaseInitDone);
}

TEST(WindowProcTable, AnswersAsTheProgramSays) {
  TestEnvironment env;
  ember::test::ResetProgram();
  HWND w = ember::test::CreateProgramWindow();
  EXPECT_EQ(WindowProc(w, WM_CREATE, 0, 0), 0);
  EXPECT_EQ(WindowProc(w, WM_PAINT, 0, 0), 0);
  MSG msg;
  ShowWindow(w, SW_SHOWNORMAL);
  WindowProc(w, WM_PAINT, 0, 0);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));  // validated
  EXPECT_EQ(WindowProc(w, WM_KEYDOWN, 'X', 0), 0);             // no Escape: goes on
  EXPECT_EQ(WindowProc(w, WM_NCCREATE, 0, 0), TRUE);           // default handling
  EXPECT_EQ(WindowProc(w, WM_DESTROY, 0, 0), 0);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_QUIT));
}

TEST(WindowProcTable, EscapeWithAnyKeyEndsTheProcessWithStatusZero) {
  EXPECT_EXIT(
      {
        TestEnvironment env;
        ember::test::ResetProgram();
        HWND w = ember::test::CreateProgramWindow();
        env.host.PressKey(41);
        env.host.ReleaseKey(41);  // pressed since the last query is enough
        WindowProc(w, WM_KEYDOWN, 'Q', 0);
      },
      ::testing::ExitedWithCode(0), "");
}

int RunProgram(TestEnvironment& env) {
  ember::test::ResetProgram();
  return WinMain(reinterpret_cast<HINSTANCE>(GetModuleHandleA(nullptr)), nullptr, nullptr,
                 SW_SHOWNORMAL);
}

TEST(ProgramRun, ClosingTheWindowInTheLogoShutsDownCleanly) {
  TestEnvironment env;
  env.host.AnswerMessageBoxes({1});
  env.host.SetStepPerPresent(100);
  env.host.SetPresentHook([&env](int frame) {
    if (frame == 5) env.host.RequestClose();
  });
  EXPECT_EQ(RunProgram(env), 0);
  ember::test::ReleaseInputDevices();
  EXPECT_EQ(g_device, nullptr);
  EXPECT_EQ(g_direct3D, nullptr);
  EXPECT_TRUE(env.host.SystemCursorVisible());
  EXPECT_EQ(env.host.WindowTitle(), "EMBERLAB - by TAVEK");
  EXPECT_EQ(env.host.IconWidth(), 0);  // tests carry no icon resource
  EXPECT_TRUE(env.FileExists("options.txt"));
  EXPECT_FALSE(env.FileExists("D3D.log"));  // the menu was never initialised
}

TEST(ProgramRun, AStreamOfMessagesHoldsThePhasesBack) {
  TestEnvironment env;
  env.host.AnswerMessageBoxes({1});
  env.host.SetStepPerPresent(100);
  env.host.SetPresentHook([&env](int frame) {
    if (frame == 1) {
      for (int i = 0; i < 50; ++i) env.host.MoveMouse(1, 0);
    }
    if (frame == 2) env.host.RequestClose();
  });
  EXPECT_EQ(RunProgram(env), 0);
  // The close came after the fifty moves: one message per iteration, no tick in between.
  EXPECT_EQ(env.host.PresentCount(), 2);
}

TEST(ProgramRun, EscapeInTheLogoEndsTheProcessWithStatusZero) {
  EXPECT_EXIT(
      {
        TestEnvironment env;
        env.host.AnswerMessageBoxes({1});
        env.host.SetPresentHook([&env](int frame) {
          if (frame == 3) env.host.PressKey(41);
        });
        RunProgram(env);
        std::exit(3);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace

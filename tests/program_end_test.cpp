// The ways the program ends besides Escape: signals, a display or a graphics driver that cannot
// be had, Alt+F4.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/app_state.h"
#include "app/main_loop.h"
#include "runtime/host/sdl_host.h"
#include "runtime/host/signal_watch.h"
#include "tests/support/program_run.h"

namespace {

using ember::test::TestEnvironment;
using Clock = std::chrono::steady_clock;

const int kScancodeLeftAlt = 226, kScancodeF4 = 61;

int RunProgram() {
  ember::test::ResetProgram();
  return WinMain(reinterpret_cast<HINSTANCE>(GetModuleHandleA(nullptr)), nullptr, nullptr,
                 SW_SHOWNORMAL);
}

// Leaves a mark when the process ends through exit, on the program's own thread, rather than
// being cut short by the signal watcher.
void MarkAnOrderlyExit() {
  if (FILE* mark = std::fopen("orderly-exit", "w")) std::fclose(mark);
}

// The program in the menu: the logo's two seconds at 100 ms a frame, then menu frames.
void RunUntilTheMenuThenRaise(TestEnvironment& env, int signal) {
  std::atexit(MarkAnOrderlyExit);
  ember::host::WatchSignals();  // this child's own watcher, should the pump never come
  env.host.AnswerMessageBoxes({1});
  env.host.SetStepPerPresent(100);
  env.host.SetPresentHook([signal](int frame) {
    if (frame == 30) {
      EXPECT_TRUE(g_phaseInitDone && !g_logoActive);
      raise(signal);
    }
  });
  RunProgram();
}

long MillisecondsSince(Clock::time_point start) {
  return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

TEST(Signals, TermInTheMenuEndsLikeEscapeWithStatus143) {
  // The parent keeps the working directory to look at what the ended run left.
  TestEnvironment env;
  EXPECT_EXIT(RunUntilTheMenuThenRaise(env, SIGTERM), ::testing::ExitedWithCode(128 + SIGTERM), "");
  // Ended through exit at the menu's next event pump: the log's stream was flushed and closed.
  EXPECT_TRUE(env.FileExists("orderly-exit"));
  EXPECT_EQ(env.ReadFile("D3D.log"), "D3D LOG FILE \n\n\n");
}

TEST(Signals, HangUpAndInterruptGiveTheirOwnStatus) {
  TestEnvironment env;
  EXPECT_EXIT(RunUntilTheMenuThenRaise(env, SIGHUP), ::testing::ExitedWithCode(128 + SIGHUP), "");
  EXPECT_EXIT(
      {
        ember::host::WatchSignals();
        env.host.AnswerMessageBoxes({1});
        env.host.SetPresentHook([](int frame) {
          if (frame == 3) raise(SIGINT);  // in the logo
        });
        RunProgram();
        std::exit(3);
      },
      ::testing::ExitedWithCode(128 + SIGINT), "");
}

TEST(Signals, AHeldUpProgramIsEndedPromptlyWithItsStreamsFlushed) {
  TestEnvironment env;
  const Clock::time_point start = Clock::now();
  EXPECT_EXIT(
      {
        std::atexit(MarkAnOrderlyExit);
        ember::host::WatchSignals();
        FILE* file = std::fopen("held.txt", "w");
        std::fputs("buffered, never flushed by us\n", file);
        raise(SIGTERM);
        sleep(20);  // a long load: no pump comes
        std::exit(3);
      },
      ::testing::ExitedWithCode(128 + SIGTERM), "");
  EXPECT_LT(MillisecondsSince(start), 1000);
  EXPECT_EQ(env.ReadFile("held.txt"), "buffered, never flushed by us\n");
  EXPECT_FALSE(env.FileExists("orderly-exit"));
}

void* InterruptAfterATenthOfASecond(void*) {
  usleep(100000);
  kill(getpid(), SIGINT);
  return nullptr;
}

void HangForever() {
  for (;;) pause();
}

TEST(Signals, ASecondSignalEndsAnExitThatHangs) {
  TestEnvironment env;
  const Clock::time_point start = Clock::now();
  EXPECT_EXIT(
      {
        ember::host::WatchSignals();
        std::atexit(HangForever);
        pthread_t second;
        pthread_create(&second, nullptr, InterruptAfterATenthOfASecond, nullptr);
        raise(SIGTERM);
        ember::host::EndIfSignalled();  // the program's thread starts to exit, then hangs
        std::exit(3);
      },
      ::testing::ExitedWithCode(128 + SIGTERM), "");
  // Well before the grace an exit under way is given.
  EXPECT_LT(MillisecondsSince(start), 1500);
}

// A real SDL host as the program makes it, in a child with the environment given.
void ExpectVideoRefused(const char* display, const char* wayland, const char* line) {
  EXPECT_EXIT(
      {
        unsetenv("SDL_VIDEODRIVER");
        display ? setenv("DISPLAY", display, 1) : unsetenv("DISPLAY");
        wayland ? setenv("WAYLAND_DISPLAY", wayland, 1) : unsetenv("WAYLAND_DISPLAY");
        ember::host::SdlHost host;
        const bool first = host.VideoAvailable();
        const bool again = host.VideoAvailable();  // says nothing more
        std::exit(first || again ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), line);
}

TEST(Display, AnUnusableDisplayIsNamedOnceAndNeverReplacedByAnInvisibleWindow) {
  ExpectVideoRefused(":77", nullptr,
                     "^emberlab: cannot open the X11 display DISPLAY=\":77\" \\([^\n]+\\)\n$");
  ExpectVideoRefused(nullptr, nullptr,
                     "^emberlab: no display: neither DISPLAY nor WAYLAND_DISPLAY is set\n$");
}

TEST(Display, WithoutADisplayDirect3DIsMissingAndTheStartFails) {
  TestEnvironment env;
  env.host.SetDisplayUsable(false);
  EXPECT_EQ(RunProgram(), E_FAIL);
  EXPECT_TRUE(env.host.ShownBoxes().empty());  // neither the question nor the install box
  const std::string text = env.DebugText();
  const size_t install = text.find("ERROR: Installare DirectX 9.0c \n");
  ASSERT_NE(install, std::string::npos);
  EXPECT_NE(text.find("Inizializzazione Video Fallita\n", install), std::string::npos);
  EXPECT_EQ(text.find("Direct3D9:"), std::string::npos);  // the host named the display
  EXPECT_EQ(g_direct3D, nullptr);
  EXPECT_EQ(g_device, nullptr);
  EXPECT_EQ(env.ReadFile("options.txt"), "");
}

TEST(Display, WithoutAnOpenGL33DriverTheInstallBoxAppearsAndTheStartFails) {
  TestEnvironment env;
  env.host.SetGLDriverAvailable(ember::host::GLDriver::System, false);
  env.host.SetGLDriverAvailable(ember::host::GLDriver::Software, false);
  EXPECT_EQ(RunProgram(), E_FAIL);
  ASSERT_EQ(env.host.ShownBoxes().size(), 1u);  // no question before it
  const ember::host::ShownMessageBox& box = env.host.ShownBoxes()[0];
  EXPECT_EQ(box.title, "Errore");
  EXPECT_EQ(box.text, "Installare DirectX 9.0c \n");
  EXPECT_EQ(box.buttons, ember::host::MessageBoxButtons::Ok);
  EXPECT_EQ(box.icon, ember::host::MessageBoxIcon::Warning);
  EXPECT_TRUE(box.owned);
  const std::string text = env.DebugText();
  const size_t reason = text.find("Direct3D9: unavailable, no OpenGL 3.3 core context");
  const size_t install = text.find("ERROR: Installare DirectX 9.0c \n");
  const size_t failed = text.find("Inizializzazione Video Fallita\n");
  ASSERT_NE(reason, std::string::npos);
  ASSERT_NE(install, std::string::npos);
  ASSERT_NE(failed, std::string::npos);
  EXPECT_LT(reason, install);
  EXPECT_LT(install, failed);
  EXPECT_EQ(g_direct3D, nullptr);
}

TEST(SystemKeys, AltF4InTheLogoRunsTheShutdownWithStatusZero) {
  TestEnvironment env;
  env.host.AnswerMessageBoxes({1});
  env.host.SetStepPerPresent(100);
  env.host.SetPresentHook([&env](int frame) {
    if (frame == 5) {
      env.host.PressKey(kScancodeLeftAlt);
      env.host.PressKey(kScancodeF4);
    }
  });
  EXPECT_EQ(RunProgram(), 0);
  ember::test::ReleaseInputDevices();
  EXPECT_EQ(env.host.PresentCount(), 5);
  EXPECT_EQ(g_device, nullptr);
  EXPECT_EQ(g_direct3D, nullptr);
  EXPECT_TRUE(env.host.SystemCursorVisible());
}

}  // namespace

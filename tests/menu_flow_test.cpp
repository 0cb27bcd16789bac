#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "app/intro_menu.h"
#include "app/log.h"
#include "app/main_loop.h"
#include "app/screenshot.h"
#include "app/window_proc.h"
#include "input/keyboard.h"
#include "input/mouse.h"
#include "overlay/image_button.h"
#include "tests/support/program_run.h"

namespace {

using ember::test::TestEnvironment;

const int kScancodeSpace = 44, kScancodeEscape = 41, kScancodeS = 22, kScancodeA = 4;

// The program after its video set-up, as the last logo tick finds it.
struct Menu {
  TestEnvironment env;
  Menu() {
    ember::test::ResetProgram();
    env.host.AnswerMessageBoxes({1});
    ember::test::CreateProgramWindow();
    EXPECT_EQ(InitVideo(g_mainWindow), 1);
  }
  ~Menu() { ember::test::ShutDownProgram(); }
  size_t Find(const std::string& text) const { return env.DebugText().find(text); }
};

TEST(IntroAndMenu, InitVideoLoadsBothPicturesAndTheSprite) {
  Menu m;
  ASSERT_NE(g_logoImage, nullptr);
  ASSERT_NE(g_loadingImage, nullptr);
  D3DSURFACE_DESC desc{};
  g_logoImage->GetLevelDesc(0, &desc);
  // 2048 by 1024 under the 0.5 by 0.75 scaling covers the window exactly.
  EXPECT_EQ(desc.Width, 2048u);
  EXPECT_EQ(desc.Height, 1024u);
  DrawIntroFrame();
  EXPECT_TRUE(g_phaseClockRunning);
}

TEST(IntroAndMenu, InitMenuSetsUpInputLogAndButtons) {
  Menu m;
  ASSERT_EQ(InitMenu(), 1);
  EXPECT_EQ(m.env.ReadFile("D3D.log"), "");  // not flushed until closed
  CloseLog();
  EXPECT_EQ(m.env.ReadFile("D3D.log"), "D3D LOG FILE \n\n\n");
  EXPECT_EQ(g_startButton.x, 512.0f);
  EXPECT_EQ(g_startButton.y, 384.0f);
  EXPECT_EQ(g_exitButton.y, 537.0f);
  EXPECT_EQ(g_startButton.scaleX, 0.5f);
  EXPECT_EQ(g_startButton.scaleY, 0.7f);
  EXPECT_EQ(g_startButton.imageDesc.Width, 512u);
  EXPECT_EQ(g_startButton.imageDesc.Height, 128u);
  EXPECT_NE(g_mouse.cursorTexture, nullptr);
  EXPECT_TRUE(m.env.host.MouseCaptured());
  EXPECT_EQ(m.Find("ERROR"), std::string::npos);
}

TEST(IntroAndMenu, AFailedInputSetUpStopsTheMenuInitialisation) {
  Menu m;
  g_instance = nullptr;  // DirectInput refuses to start without the instance
  EXPECT_EQ(InitMenu(), E_FAIL);
  size_t first = m.Find("ERROR: Failed to create DirectInput\n");
  size_t second = m.Find("ERROR: Impossibile inizializzare l'input device\n");
  ASSERT_NE(first, std::string::npos);
  ASSERT_NE(second, std::string::npos);
  EXPECT_LT(first, second);
  EXPECT_FALSE(m.env.FileExists("D3D.log"));
  EXPECT_EQ(g_startButton.sprite, nullptr);
  // The menu still runs with what exists: Space does nothing without a keyboard.
  m.env.host.PressKey(kScancodeSpace);
  MenuStep();
  EXPECT_FALSE(g_startChosen);
}

TEST(IntroAndMenu, AFailedLogStopsBeforeTheButtons) {
  Menu m;
  m.env.RemoveDirectory();
  EXPECT_EQ(InitMenu(), E_FAIL);
  size_t open = m.Find("Impossibile aprire il file: D3D.log\n");
  size_t report = m.Find("ERROR: Impossibile inizializzare il log file\n");
  ASSERT_NE(open, std::string::npos);
  ASSERT_NE(report, std::string::npos);
  EXPECT_LT(open, report);
  EXPECT_EQ(g_startButton.sprite, nullptr);
  EXPECT_EQ(g_exitButton.idleTexture, nullptr);
  // The keyboard was set up, so Space starts the demo.
  m.env.host.PressKey(kScancodeSpace);
  MenuStep();
  EXPECT_TRUE(g_startChosen);
}

TEST(IntroAndMenu, HoverThenPressOnStartChoosesStart) {
  Menu m;
  ASSERT_EQ(InitMenu(), 1);
  m.env.host.MoveMouse(300, 300);
  MenuStep();
  EXPECT_TRUE(g_startButton.hover);
  EXPECT_FALSE(g_startButton.pressed);
  EXPECT_FALSE(g_startChosen);
  m.env.host.PressButton(1);  // the right button alone is still hover
  MenuStep();
  EXPECT_TRUE(g_startButton.hover);
  EXPECT_FALSE(g_startButton.pressed);
  m.env.host.PressButton(0);
  MenuStep();
  EXPECT_TRUE(g_startButton.pressed);
  EXPECT_TRUE(g_startChosen);
}

TEST(IntroAndMenu, HoldingTheButtonWhileMovingOntoStartStartsAtOnce) {
  Menu m;
  ASSERT_EQ(InitMenu(), 1);
  m.env.host.PressButton(0);
  MenuStep();
  EXPECT_FALSE(g_startChosen);
  m.env.host.MoveMouse(300, 300);
  MenuStep();
  EXPECT_TRUE(g_startChosen);
  m.env.host.MoveMouse(300, 0);  // off the button: both flags clear in that frame
  MenuStep();
  EXPECT_FALSE(g_startButton.hover);
  EXPECT_FALSE(g_startButton.pressed);
}

TEST(IntroAndMenu, TheCursorIsClampedAndAFailedReadLeavesNoMotion) {
  Menu m;
  ASSERT_EQ(InitMenu(), 1);
  m.env.host.MoveMouse(2000, 2000);
  MenuStep();
  EXPECT_EQ(g_mouse.x, 1279);
  EXPECT_EQ(g_mouse.y, 1023);
  m.env.host.MoveMouse(-2000, -1018);
  MenuStep();
  EXPECT_EQ(g_mouse.x, 0);
  EXPECT_EQ(g_mouse.y, 5);
  m.env.host.MoveMouse(0, -20);
  MenuStep();
  EXPECT_EQ(g_mouse.y, 0);
  m.env.host.MoveMouse(40, 40);
  MenuStep();
  m.env.host.LoseFocus();
  MenuStep();  // the read fails and cannot re-acquire: the cursor stays
  EXPECT_EQ(g_mouse.x, 40);
  EXPECT_EQ(g_mouse.y, 40);
  EXPECT_FALSE(m.env.host.MouseCaptured());
  m.env.host.GainFocus();
  m.env.host.MoveMouse(10, 0);
  MenuStep();  // re-acquired on the next lost read
  MenuStep();
  EXPECT_TRUE(m.env.host.MouseCaptured());
}

TEST(IntroAndMenu, TheKeyboardAnswersHeldKeysAndComesBackAfterAFocusSwitch) {
  Menu m;
  EXPECT_EQ(g_keyboard.IsKeyDown(DIK_A), 0);  // before the set-up: no device call
  ASSERT_EQ(InitMenu(), 1);
  m.env.host.PressKey(kScancodeA);
  EXPECT_EQ(g_keyboard.IsKeyDown(DIK_A), 1);
  EXPECT_EQ(g_keyboard.IsKeyDown(DIK_A), 1);
  EXPECT_EQ(g_keyboard.IsKeyDown(DIK_Z), 0);
  m.env.host.LoseFocus();
  EXPECT_EQ(g_keyboard.IsKeyDown(DIK_A), 0);
  m.env.host.GainFocus();
  m.env.host.PressKey(kScancodeA);
  EXPECT_EQ(g_keyboard.IsKeyDown(DIK_A), 1);  // re-acquired, then read again
}

TEST(IntroAndMenu, AfterAFailedSecondInitQueriesMakeNoDeviceCall) {
  Menu m;
  ASSERT_EQ(InitMenu(), 1);
  // What a second InitInput leaves when creating a device fails after the old one went.
  g_keyboard.device->Release();
  g_keyboard.device = nullptr;
  g_mouse.device->Release();
  g_mouse.device = nullptr;
  ASSERT_EQ(g_keyboard.acquired, 1);
  ASSERT_EQ(g_mouse.acquired, 1);
  m.env.host.PressKey(kScancodeA);
  m.env.host.MoveMouse(5, 5);
  EXPECT_EQ(g_keyboard.IsKeyDown(DIK_A), 0);
  g_mouse.Poll();
  g_mouse.UpdatePosition();
  int x = -1, y = -1;
  g_mouse.GetPosition(&x, &y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
}

TEST(IntroAndMenu, ExitIsTestedBeforeStart) {
  EXPECT_EXIT(
      {
        Menu m;
        InitMenu();
        m.env.host.PressKey(kScancodeSpace);
        m.env.host.MoveMouse(300, 420);  // over the exit button
        m.env.host.PressButton(0);
        MenuStep();
        std::exit(3);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(IntroAndMenu, EscapeHeldWhenTheMenuBeginsEndsTheProgram) {
  EXPECT_EXIT(
      {
        Menu m;
        InitMenu();
        m.env.host.PressKey(kScancodeEscape);
        m.env.host.PressKey(kScancodeSpace);
        MenuStep();
        std::exit(3);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(Screenshots, SWritesNumberedCapturesOfTheWindow) {
  Menu m;
  ASSERT_EQ(InitMenu(), 1);
  DrawIntroFrame();
  m.env.host.PressKey(kScancodeS);
  WindowProc(g_mainWindow, WM_KEYDOWN, 'S', 0);
  WindowProc(g_mainWindow, WM_KEYDOWN, 'S', 0);  // a repeat captures again
  EXPECT_EQ(g_screenshotCounter, 2);
  ASSERT_TRUE(m.env.FileExists("screenshot00.bmp"));
  ASSERT_TRUE(m.env.FileExists("screenshot01.bmp"));
  std::string bmp = m.env.ReadFile("screenshot00.bmp");
  ASSERT_GT(bmp.size(), 26u);
  int32_t width, height;
  std::memcpy(&width, bmp.data() + 18, 4);
  std::memcpy(&height, bmp.data() + 22, 4);
  // The window's outer rectangle, frame included.
  EXPECT_EQ(width, 1040);
  EXPECT_EQ(height, 807);
  m.env.host.ReleaseKey(kScancodeS);
  WindowProc(g_mainWindow, WM_KEYDOWN, 'Q', 0);
  EXPECT_EQ(g_screenshotCounter, 2);
}

TEST(Screenshots, AltSIsASystemKeyAndTakesNoScreenshot) {
  Menu m;
  ASSERT_EQ(InitMenu(), 1);
  const int kScancodeLeftAlt = 226;
  m.env.host.PressKey(kScancodeLeftAlt);
  m.env.host.PressKey(kScancodeS);
  MSG msg;
  int systemKeys = 0;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != WM_PAINT) {
    if (msg.message == WM_SYSKEYDOWN) ++systemKeys;
    DispatchMessageA(&msg);
  }
  EXPECT_EQ(systemKeys, 2);
  EXPECT_EQ(g_screenshotCounter, 0);
  EXPECT_FALSE(m.env.FileExists("screenshot00.bmp"));
}

TEST(Screenshots, AFailedCaptureStillAdvancesTheCounter) {
  Menu m;
  ASSERT_EQ(InitMenu(), 1);
  m.env.RemoveDirectory();
  m.env.host.PressKey(kScancodeS);
  WindowProc(g_mainWindow, WM_KEYDOWN, 'S', 0);
  EXPECT_EQ(g_screenshotCounter, 1);
}

TEST(Screenshots, NothingIsCapturedBeforeTheKeyboardExists) {
  Menu m;
  m.env.host.PressKey(kScancodeS);
  WindowProc(g_mainWindow, WM_KEYDOWN, 'S', 0);
  EXPECT_EQ(g_screenshotCounter, 0);
  EXPECT_FALSE(m.env.FileExists("screenshot00.bmp"));
}

}  // namespace

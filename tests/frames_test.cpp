// The program's frames at fixed moments of virtual time, compared with pictures kept in
// tests/data/frames: the logo, the menu with the cursor over START, and the burning demo. A
// change to the runtime that should not change what a person sees is held to them.
// EMBER_WRITE_FRAMES=dir writes the frames as BMP instead, to make new pictures from.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "runtime/image/image.h"
#include "tests/support/program_run.h"

namespace {

using ember::test::TestEnvironment;

constexpr int kWidth = 1024, kHeight = 768;

struct Frame {
  const char* name;
  std::vector<uint8_t> bgra;
};

std::vector<uint8_t> ReadBackBuffer() {
  std::vector<uint8_t> bgra(size_t(kWidth) * kHeight * 4);
  IDirect3DSurface9* back = nullptr;
  if (FAILED(g_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) return {};
  D3DLOCKED_RECT locked{};
  if (SUCCEEDED(back->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
    for (int y = 0; y < kHeight; ++y)
      std::memcpy(&bgra[size_t(y) * kWidth * 4],
                  static_cast<const uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch),
                  size_t(kWidth) * 4);
    back->UnlockRect();
  }
  back->Release();
  return bgra;
}

// Runs the program from the logo to the demo, 40 ms a frame, and keeps three frames.
std::vector<Frame> RenderFrames() {
  std::vector<Frame> frames;
  TestEnvironment env;
  env.host.AnswerMessageBoxes({1});
  env.host.SetStepPerPresent(40);
  int menuFrames = 0, demoFrames = 0;
  env.host.SetPresentHook([&](int presented) {
    if (presented == 10) frames.push_back({"logo", ReadBackBuffer()});
    if (g_logoActive || g_startChosen) {
      if (g_introReleased && ++demoFrames == 25) {
        frames.push_back({"demo", ReadBackBuffer()});
        env.host.RequestClose();
      }
      return;
    }
    ++menuFrames;
    if (menuFrames == 2) env.host.MoveMouse(380, 310);  // from the corner onto START
    if (menuFrames == 12) {
      frames.push_back({"menu", ReadBackBuffer()});
      env.host.PressKey(44);  // Space
    }
  });
  ember::test::ResetProgram();
  const int status = WinMain(reinterpret_cast<HINSTANCE>(GetModuleHandleA(nullptr)), nullptr,
                             nullptr, SW_SHOWNORMAL);
  ember::test::ReleaseInputDevices();
  EXPECT_EQ(status, 0);
  return frames;
}

TEST(Frames, TheLogoTheMenuAndTheDemoLookAsTheKeptPictures) {
  const std::vector<Frame> frames = RenderFrames();
  ASSERT_EQ(frames.size(), 3u);
  if (const char* dir = std::getenv("EMBER_WRITE_FRAMES")) {
    for (const Frame& frame : frames) {
      std::string error;
      const std::string path = std::string(dir) + "/" + frame.name + ".bmp";
      ASSERT_TRUE(
          ember::WriteBmp24(path.c_str(), kWidth, kHeight, frame.bgra.data(), kWidth * 4, error))
          << error;
    }
    GTEST_SKIP() << "frames written to " << dir;
  }
  for (const Frame& frame : frames) {
    const std::string path =
        std::string(EMBER_SOURCE_DIR "/tests/data/frames/") + frame.name + ".png";
    ember::Image kept;
    std::string error;
    ASSERT_TRUE(ember::LoadImageFile(path.c_str(), kept, error)) << path << ": " << error;
    ASSERT_TRUE(ember::ConvertImage(kept, ember::kFmtX8R8G8B8));
    ASSERT_EQ(kept.width, uint32_t(kWidth));
    ASSERT_EQ(kept.height, uint32_t(kHeight));
    ASSERT_EQ(frame.bgra.size(), kept.pixels.size());
    // Colour channels only: the back buffer keeps no alpha.
    size_t differing = 0;
    int largest = 0;
    for (size_t i = 0; i < kept.pixels.size(); i += 4) {
      int worst = 0;
      for (int c = 0; c < 3; ++c)
        worst = std::max(worst, std::abs(int(frame.bgra[i + c]) - int(kept.pixels[i + c])));
      if (worst > 0) ++differing;
      largest = std::max(largest, worst);
    }
    EXPECT_EQ(differing, 0u) << frame.name << ": " << differing
                             << " pixels differ from the kept picture, by up to " << largest;
  }
}

}  // namespace

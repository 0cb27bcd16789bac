// The plain-OpenGL reference for the flame benchmark: the demo frame of RenderFlameFrame()
// (scene/flame_scene.cpp) drawn by hand, to weigh our Direct3D 9 runtime against. Run from the
// staged program's directory (build/stage/bin):
//   reference_bench [frames]               frame times and the frame in parts, in the lines
//                                          flame_bench prints
//   reference_bench --write-frame out.bmp [seconds]
//                                          one frame at that scene time (1 s), as a BMP
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/frame_stats.h"
#include "bench/reference/frame_renderer.h"
#include "bench/reference/gl_window.h"
#include "bench/reference/matrices.h"
#include "bench/reference/scene_data.h"
#include "runtime/image/image.h"

namespace {

using namespace ember::reference;

constexpr int kWidth = 1024, kHeight = 768;
constexpr int kDefaultFrames = 1000, kMinFrames = 50, kWarmUpFrames = 20;
// The demo's text origin: 0.2 % of the screen's sides.
const int kTextX = int(kWidth * 0.2 / 100), kTextY = int(kHeight * 0.2 / 100);

using ember::bench::NowMs;

// Whole milliseconds, as the program's GetTickCount.
uint32_t TickCount() { return uint32_t(uint64_t(NowMs())); }

// overlay/frame_rate.cpp: frames counted over windows of at least a second, the first
// window starting at the first call.
class FrameRate {
 public:
  float Tick(uint32_t now) {
    ++frames_;
    if (!started_) {
      started_ = true;
      windowStart_ = now;
    }
    const int32_t elapsed = int32_t(now - windowStart_);
    if (elapsed >= 1000) {
      rate_ = float(frames_ * 1000.0 / elapsed);
      windowStart_ = now;
      frames_ = 0;
    }
    return rate_;
  }

 private:
  int frames_ = 0;
  uint32_t windowStart_ = 0;
  bool started_ = false;
  float rate_ = 0.0f;
};

struct Demo {
  SceneData scene;
  GLWindow window;
  FrameRenderer renderer;
  Matrix world, wvp;
  FrameRate frameRate;
  uint32_t sceneStart = 0;
  char text[256] = "";
};

bool StartDemo(Demo& demo, std::string& error) {
  if (!LoadSceneData(demo.scene, error)) return false;
  if (!demo.window.Open(kWidth, kHeight, error)) return false;
  if (!demo.renderer.Create(demo.scene, kWidth, kHeight, error)) return false;
  // The camera as the scene load places it; the projection of video/display_device.cpp.
  const Matrix view = DemoCameraView(0.0f, 0.0f, 60.0f);
  const Matrix projection =
      PerspectiveFovLH(3.141592654f / 4.0f, float(kWidth) / float(kHeight), 1.0f, 10000.0f);
  demo.world = Identity();
  demo.wvp = Multiply(Multiply(demo.world, view), projection);
  demo.sceneStart = TickCount();
  return true;
}

// Seconds since the scene load, from an unsigned difference that survives the wrap.
float SceneSeconds(const Demo& demo) { return float(TickCount() - demo.sceneStart) / 1000.0f; }

void FormatText(Demo& demo) {
  std::snprintf(demo.text, sizeof demo.text, "FPS: %.2f", double(demo.frameRate.Tick(TickCount())));
}

void DrawFrame(Demo& demo, float ticks) {
  demo.renderer.DrawBackground();
  demo.renderer.DrawFlame(ticks, demo.wvp, demo.world);
  FormatText(demo);
  demo.renderer.DrawText(demo.text, kTextX, kTextY);
  demo.renderer.Present();
  demo.window.Swap();
}

// Waits until the GL has done all the work issued so far, polling gently as flame_bench does.
void FinishGL() {
  GLsync fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
  const timespec pause{0, 20000};
  while (glClientWaitSync(fence, GL_SYNC_FLUSH_COMMANDS_BIT, 0) == GL_TIMEOUT_EXPIRED)
    nanosleep(&pause, nullptr);
  glDeleteSync(fence);
}

// The frame with the GL finished after each part, as flame_bench's diagnostic pass.
void MeasureParts(Demo& demo, int frames) {
  ember::bench::FramePartsLog log(frames);
  for (int i = 0; i < frames; ++i) {
    ember::bench::FrameParts parts;
    FinishGL();
    double start = NowMs();
    demo.renderer.DrawBackground();
    FinishGL();
    double end = NowMs();
    parts.clearAndBackground = end - start;
    start = end;
    demo.renderer.DrawFlame(SceneSeconds(demo), demo.wvp, demo.world);
    FinishGL();
    end = NowMs();
    parts.flame = end - start;
    start = end;
    FormatText(demo);
    demo.renderer.DrawText(demo.text, kTextX, kTextY);
    FinishGL();
    end = NowMs();
    parts.text = end - start;
    start = end;
    demo.renderer.Present();
    demo.window.Swap();
    FinishGL();
    parts.present = NowMs() - start;
    log.Add(parts);
  }
  log.Print();
}

int MeasureFrames(Demo& demo, int frames) {
  for (int i = 0; i < kWarmUpFrames; ++i) DrawFrame(demo, SceneSeconds(demo));
  std::vector<double> times(size_t(frames), 0.0);
  for (int i = 0; i < frames; ++i) {
    const double start = NowMs();
    DrawFrame(demo, SceneSeconds(demo));
    times[size_t(i)] = NowMs() - start;
  }
  std::string error;
  if (!demo.renderer.CheckGLErrors("while drawing", error)) {
    std::fprintf(stderr, "reference_bench: %s\n", error.c_str());
    return 1;
  }

  std::printf("renderer: %s\n", demo.window.Renderer());
  ember::bench::PrintFrameTimes(times);
  MeasureParts(demo, frames / 5);
  return 0;
}

int WriteFrame(Demo& demo, const char* path, float seconds) {
  DrawFrame(demo, seconds);
  std::vector<uint8_t> bgra(size_t(kWidth) * kHeight * 4);
  demo.renderer.ReadFrame(bgra.data());
  std::string error;
  if (!ember::WriteBmp24(path, kWidth, kHeight, bgra.data(), kWidth * 4, error)) {
    std::fprintf(stderr, "reference_bench: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* framePath = nullptr;
  float frameSeconds = 1.0f;
  int frames = kDefaultFrames;
  if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "--write-frame") == 0) {
    framePath = argv[2];
    if (argc == 4) frameSeconds = float(std::atof(argv[3]));
  } else if (argc == 2 && argv[1][0] != '-') {
    frames = std::max(std::atoi(argv[1]), kMinFrames);
  } else if (argc != 1) {
    std::fprintf(stderr, "usage: reference_bench [frames] | --write-frame out.bmp [seconds]\n");
    return 2;
  }
  // Offscreen unless the environment names a video driver, as our bench runs.
  setenv("SDL_VIDEODRIVER", "offscreen", 0);

  Demo demo;
  std::string error;
  if (!StartDemo(demo, error)) {
    std::fprintf(stderr, "reference_bench: %s\n", error.c_str());
    return 1;
  }
  return framePath ? WriteFrame(demo, framePath, frameSeconds) : MeasureFrames(demo, frames);
}

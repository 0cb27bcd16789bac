// Loads the flame scene and renders demo frames offscreen, on whatever GL driver the machine
// gives (SDL's offscreen driver, EGL): scene load time, frame times, allocations per frame and
// peak memory. Run it from the staged program's directory (build/stage/bin).
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "app/app_state.h"
#include "app/intro_menu.h"
#include "app/main_loop.h"
#include "app/window_proc.h"
#include "runtime/host/scripted_host.h"
#include "scene/flame_scene.h"

namespace {

std::atomic<long> g_allocations{0};

double NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

// The scripted host with the real clock: nothing to answer, nothing on screen.
class BenchHost : public ember::host::ScriptedHost {
 public:
  uint32_t Milliseconds() override { return uint32_t(NowMs()); }
};

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  size_t i = size_t(p * double(values.size() - 1) + 0.5);
  return values[i];
}

}  // namespace

void* operator new(size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

int main(int argc, char** argv) {
  int frames = argc > 1 ? std::atoi(argv[1]) : 2000;
  if (frames < 1000) frames = 1000;
  BenchHost host;
  ember::host::Install(&host);
  host.AnswerMessageBoxes({1});

  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.lpszClassName = g_windowTitle;
  RegisterClassExA(&wc);
  g_instance = reinterpret_cast<HINSTANCE>(GetModuleHandleA(nullptr));
  g_mainWindow = CreateWindowExA(0, g_windowTitle, g_windowTitle, WS_CAPTION, 0, 0, 1024, 768,
                                 nullptr, nullptr, g_instance, nullptr);
  if (!g_mainWindow || InitVideo(g_mainWindow) < 0) {
    std::fprintf(stderr, "flame_bench: no device (run it from build/stage/bin)\n");
    return 1;
  }
  InitMenu();

  double loadStart = NowMs();
  LoadFlameScene();
  double loadMs = NowMs() - loadStart;

  // A few frames first, so that lazily created GL objects exist before measuring.
  for (int i = 0; i < 20; ++i) RenderFlameFrame();
  std::vector<double> times;
  times.reserve(size_t(frames));
  long allocationsBefore = g_allocations.load();
  for (int i = 0; i < frames; ++i) {
    double start = NowMs();
    g_frameStartTime = timeGetTime();
    RenderFlameFrame();
    g_frameDurationMs = timeGetTime() - g_frameStartTime;
    times.push_back(NowMs() - start);
  }
  long allocations = g_allocations.load() - allocationsBefore;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);

  double median = Percentile(times, 0.5);
  double total = 0;
  for (double t : times) total += t;
  std::printf("renderer: see the Direct3D9 line above\n");
  std::printf("scene load: %.1f ms\n", loadMs);
  std::printf("frames: %d\n", frames);
  std::printf("frame time: median %.3f ms, p5 %.3f ms, p95 %.3f ms, min %.3f ms, max %.3f ms\n",
              median, Percentile(times, 0.05), Percentile(times, 0.95), Percentile(times, 0.0),
              Percentile(times, 1.0));
  std::printf("frames per second: %.1f (median frame), %.1f (mean)\n", 1000.0 / median,
              1000.0 * frames / total);
  std::printf("heap allocations per demo frame: %.3f\n", double(allocations) / frames);
  std::printf("peak memory: %.1f MiB\n", double(usage.ru_maxrss) / 1024.0);
  std::fflush(stdout);
  // Leave as the program does on Escape.
  std::exit(0);
}

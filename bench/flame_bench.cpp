// The demo's benchmark, offscreen on whatever GL driver the machine gives (SDL's offscreen
// driver, EGL). Run from the staged program's directory (build/stage/bin):
//   flame_bench [frames]   the scene load, the frame times, the CPU time per frame and how much
//                          of it is our own code, the frame in parts, allocations and memory
//   flame_bench --startup  the time from the start to the first logo frame
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "app/app_state.h"
#include "app/intro_menu.h"
#include "app/main_loop.h"
#include "app/window_proc.h"
#include "bench/cpu_sampler.h"
#include "bench/frame_parts.h"
#include "bench/frame_stats.h"
#include "runtime/host/scripted_host.h"
#include "scene/flame_scene.h"

namespace {

using ember::bench::NowMs;

std::atomic<long> g_allocations{0};

// The scripted host with the real clock: nothing to answer, nothing on screen.
class BenchHost : public ember::host::ScriptedHost {
 public:
  uint32_t Milliseconds() override { return uint32_t(NowMs()); }
};

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

// How long ago the process started, to the kernel's clock tick; negative when unknown.
double ProcessAgeMs() {
  FILE* stat = std::fopen("/proc/self/stat", "r");
  if (!stat) return -1;
  char text[1024] = {};
  const size_t length = std::fread(text, 1, sizeof text - 1, stat);
  std::fclose(stat);
  text[length] = '\0';
  // The command name may hold spaces; the fields after its closing parenthesis do not.
  const char* field = std::strrchr(text, ')');
  unsigned long long startTicks = 0;
  if (!field || std::sscanf(field + 2,
                            "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d "
                            "%*d %*d %llu",
                            &startTicks) != 1)
    return -1;
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const double nowMs = double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
  return nowMs - double(startTicks) * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

// Runs the program from its start until its first frame, the logo, is presented, then closes it.
int MeasureStartup(double mainStart) {
  const double processAgeAtMain = ProcessAgeMs();
  BenchHost host;
  ember::host::Install(&host);
  host.AnswerMessageBoxes({1});
  double firstFrame = -1;
  host.SetPresentHook([&](int presented) {
    if (presented != 1) return;
    firstFrame = NowMs() - mainStart;
    host.RequestClose();
  });
  const int status = WinMain(reinterpret_cast<HINSTANCE>(GetModuleHandleA(nullptr)), nullptr,
                             nullptr, SW_SHOWNORMAL);
  if (firstFrame < 0) {
    std::fprintf(stderr, "flame_bench: the program ended (%d) before its first frame\n", status);
    return 1;
  }
  std::printf("start-up to the first logo frame: %.1f ms from main", firstFrame);
  if (processAgeAtMain >= 0)
    std::printf(" (%.0f ms from the process's start, to 10 ms)", firstFrame + processAgeAtMain);
  std::printf("\n");
  return 0;
}

bool StartDemo(BenchHost& host) {
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
  if (!g_mainWindow || InitVideo(g_mainWindow) < 0) return false;
  InitMenu();
  return true;
}

// One demo frame as the main loop times it.
void DemoFrame() {
  g_frameStartTime = timeGetTime();
  RenderFlameFrame();
  g_frameDurationMs = timeGetTime() - g_frameStartTime;
}

// Returns the main thread's CPU time per frame.
double MeasureFrames(int frames) {
  std::vector<double> times;
  times.reserve(size_t(frames));
  const long allocationsBefore = g_allocations.load();
  const double threadCpuBefore = ThreadCpuMs(), processCpuBefore = ProcessCpuMs();
  for (int i = 0; i < frames; ++i) {
    const double start = NowMs();
    DemoFrame();
    times.push_back(NowMs() - start);
  }
  const double threadCpu = ThreadCpuMs() - threadCpuBefore;
  const double processCpu = ProcessCpuMs() - processCpuBefore;
  const long allocations = g_allocations.load() - allocationsBefore;
  ember::bench::PrintFrameTimes(times);
  std::printf("CPU per frame: %.3f ms on the main thread, %.3f ms in all threads\n",
              threadCpu / frames, processCpu / frames);
  std::printf("heap allocations per demo frame: %.3f\n", double(allocations) / frames);
  return threadCpu / frames;
}

// A separate pass, so that the sampling does not weigh on the frame times above; the
// interruptions cost the thread time of their own, so the share is of the unsampled frames'.
void MeasureOwnCpu(int frames, double mainThreadCpuPerFrame) {
  ember::bench::CpuSampler sampler;
  if (!sampler.Start(100)) {
    std::printf("CPU in our code: no sampling timer on this system\n");
    return;
  }
  for (int i = 0; i < frames; ++i) DemoFrame();
  sampler.Stop();
  const double ownMs = double(sampler.OwnSamples()) * sampler.PeriodMs() / frames;
  std::printf(
      "CPU in our code (the runtime and the program) per frame: %.3f ms, %.0f%% of the main "
      "thread's (%ld samples in our code, one every %.2f ms)\n",
      ownMs, mainThreadCpuPerFrame > 0 ? 100.0 * ownMs / mainThreadCpuPerFrame : 0.0,
      sampler.OwnSamples(), sampler.PeriodMs());
}

void MeasureParts(int frames) {
  IDirect3DQuery9* event = nullptr;
  if (FAILED(g_device->CreateQuery(D3DQUERYTYPE_EVENT, &event))) {
    std::printf("frame in parts: the device has no event query\n");
    return;
  }
  ember::bench::FramePartsLog log(frames);
  for (int i = 0; i < frames; ++i) {
    ember::bench::FrameParts parts;
    ember::bench::RenderFrameInParts(event, parts);
    log.Add(parts);
  }
  event->Release();
  log.Print();
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
  const double mainStart = NowMs();
  if (argc > 1 && std::strcmp(argv[1], "--startup") == 0) return MeasureStartup(mainStart);
  int frames = argc > 1 ? std::atoi(argv[1]) : 1000;
  if (frames < 50) frames = 50;

  BenchHost host;
  if (!StartDemo(host)) {
    std::fprintf(stderr, "flame_bench: no device (run it from build/stage/bin)\n");
    return 1;
  }
  const double loadStart = NowMs();
  LoadFlameScene();
  std::printf("scene load: %.1f ms\n", NowMs() - loadStart);
  // A few frames first, so that lazily created GL objects exist before measuring.
  for (int i = 0; i < 20; ++i) DemoFrame();

  const double mainThreadCpu = MeasureFrames(frames);
  MeasureOwnCpu(frames / 3, mainThreadCpu);
  MeasureParts(frames / 5);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak memory: %.1f MiB\n", double(usage.ru_maxrss) / 1024.0);
  std::fflush(stdout);
  // Leave as the program does on Escape.
  std::exit(0);
}

// An hour of demo in virtual time: the whole program through the scripted host, the clock
// stepping a second a frame. Whatever a frame leaks, an hour of frames shows it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/app_state.h"
#include "runtime/d3d9/gl.h"
#include "scene/flame_scene.h"
#include "tests/support/program_run.h"

namespace {

using ember::test::TestEnvironment;

size_t ResidentBytes() {
  long pages = 0, resident = 0;
  FILE* statm = std::fopen("/proc/self/statm", "r");
  if (!statm) return 0;
  if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
  std::fclose(statm);
  return size_t(resident) * size_t(sysconf(_SC_PAGESIZE));
}

// GL names of each kind that name a live object. The names below the next free one are all
// that can be live; a name made and deleted to find it is not counted.
int CountLive(void (*make)(GLsizei, GLuint*), void (*remove)(GLsizei, const GLuint*),
              GLboolean (*isLive)(GLuint)) {
  GLuint next = 0;
  make(1, &next);
  remove(1, &next);
  int live = 0;
  for (GLuint name = 1; name < next; ++name) live += isLive(name) ? 1 : 0;
  return live;
}

int CountLiveGLObjects() {
  int live = CountLive(glGenTextures, glDeleteTextures, glIsTexture) +
             CountLive(glGenBuffers, glDeleteBuffers, glIsBuffer) +
             CountLive(glGenVertexArrays, glDeleteVertexArrays, glIsVertexArray) +
             CountLive(glGenFramebuffers, glDeleteFramebuffers, glIsFramebuffer) +
             CountLive(glGenRenderbuffers, glDeleteRenderbuffers, glIsRenderbuffer) +
             CountLive(glGenSamplers, glDeleteSamplers, glIsSampler) +
             CountLive(glGenQueries, glDeleteQueries, glIsQuery);
  // Programs and shaders share one name space.
  const GLuint next = glCreateProgram();
  glDeleteProgram(next);
  for (GLuint name = 1; name < next; ++name)
    live += (glIsProgram(name) || glIsShader(name)) ? 1 : 0;
  return live;
}

struct Sample {
  size_t resident = 0;
  int glObjects = 0;
};

TEST(Soak, AnHourOfDemoKeepsMemoryAndGLObjectsFlatAndItsClocksRight) {
  const int kMinute = 60, kHour = 3600;
  TestEnvironment env;
  env.host.AnswerMessageBoxes({1});
  env.host.SetStepPerPresent(1000);
  int demoFrames = 0;
  Sample afterAMinute, atTheEnd;
  std::string lastFpsText;
  float firstTicks = 0, lastTicks = 0, effectTicks = 0;
  uint32_t firstFrameTime = 0, lastFrameTime = 0;
  env.host.SetPresentHook([&](int) {
    if (!g_logoActive && !g_startChosen) env.host.PressKey(44);  // Space in the menu
    if (!g_introReleased) return;
    ++demoFrames;
    if (demoFrames == 1) {
      firstTicks = g_ticks;
      firstFrameTime = env.host.Milliseconds();
    }
    if (demoFrames == kMinute) afterAMinute = {ResidentBytes(), CountLiveGLObjects()};
    if (demoFrames < kHour) return;
    atTheEnd = {ResidentBytes(), CountLiveGLObjects()};
    lastFpsText = g_fpsText;
    lastTicks = g_ticks;
    lastFrameTime = env.host.Milliseconds();
    if (g_flameEffect) g_flameEffect->GetFloat("ticks", &effectTicks);
    env.host.RequestClose();
  });
  ember::test::ResetProgram();
  const int status = WinMain(reinterpret_cast<HINSTANCE>(GetModuleHandleA(nullptr)), nullptr,
                             nullptr, SW_SHOWNORMAL);
  ember::test::ReleaseInputDevices();

  EXPECT_EQ(status, 0);
  ASSERT_EQ(demoFrames, kHour);
  // One frame a second, for an hour: the flame's clock kept step with the program's to the
  // millisecond, and the effect was given it.
  EXPECT_EQ(lastFpsText, "FPS: 1.00");
  EXPECT_EQ(lastFrameTime - firstFrameTime, uint32_t(kHour - 1) * 1000);
  EXPECT_EQ(lastTicks - firstTicks, float(kHour - 1));
  EXPECT_EQ(effectTicks, lastTicks);
  // The allocator and the driver settle in the first minute; after it nothing may grow.
  const size_t kSlack = 2u << 20;
  EXPECT_LE(atTheEnd.resident, afterAMinute.resident + kSlack)
      << "resident memory grew from " << afterAMinute.resident << " to " << atTheEnd.resident
      << " bytes in 59 minutes";
  EXPECT_GT(afterAMinute.glObjects, 0);
  EXPECT_EQ(atTheEnd.glObjects, afterAMinute.glObjects);
  std::printf("soak: resident %zu -> %zu bytes, live GL objects %d -> %d\n", afterAMinute.resident,
              atTheEnd.resident, afterAMinute.glObjects, atTheEnd.glObjects);
}

}  // namespace

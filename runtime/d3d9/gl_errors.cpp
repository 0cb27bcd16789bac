#include "runtime/d3d9/gl_errors.h"

#include <atomic>
#include <cstdio>

#include "runtime/d3d9/gl.h"
#include "runtime/d3d9/gl_context.h"
#include "runtime/win32/windows.h"

namespace ember::d3d9 {

namespace {

std::atomic<unsigned long> g_errors{0};
bool g_watched = false;
// Enough to see what went wrong without flooding the log when it goes wrong every frame.
constexpr unsigned long kReported = 10;

void Report(const char* message) {
  if (++g_errors > kReported) return;
  char line[512];
  std::snprintf(line, sizeof line, "Direct3D9: GL error: %s\n", message);
  OutputDebugStringA(line);
}

void APIENTRY OnDebugMessage(GLenum source, GLenum type, GLuint id, GLenum severity, GLsizei length,
                             const GLchar* message, const void* user) {
  if (type == GL_DEBUG_TYPE_ERROR) Report(message);
}

bool OffersKhrDebug() {
  GLint major = 0, minor = 0;
  glGetIntegerv(GL_MAJOR_VERSION, &major);
  glGetIntegerv(GL_MINOR_VERSION, &minor);
  return major > 4 || (major == 4 && minor >= 3) || GLHasExtension("GL_KHR_debug");
}

}  // namespace

void WatchGLErrors() {
  g_watched = OffersKhrDebug();
  if (!g_watched) return;
  glEnable(GL_DEBUG_OUTPUT);
  // Errors only, reported on the thread that made the call, while the call is on the stack.
  glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
  glDebugMessageControl(GL_DONT_CARE, GL_DONT_CARE, GL_DONT_CARE, 0, nullptr, GL_FALSE);
  glDebugMessageControl(GL_DONT_CARE, GL_DEBUG_TYPE_ERROR, GL_DONT_CARE, 0, nullptr, GL_TRUE);
  glDebugMessageCallback(OnDebugMessage, nullptr);
}

void CheckGLErrors() {
  if (g_watched) return;
  for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%04X", unsigned(error));
    Report(text);
  }
}

unsigned long GLErrorCount() { return g_errors; }

}  // namespace ember::d3d9

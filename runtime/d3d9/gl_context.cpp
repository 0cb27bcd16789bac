#include "runtime/d3d9/gl_context.h"

#include <cstring>

#include "runtime/d3d9/gl.h"
#include "runtime/d3d9/gl_errors.h"

namespace ember::d3d9 {

namespace {
bool g_have = false;
host::GLDriver g_driver = host::GLDriver::System;
std::string g_description;
host::Host* g_host = nullptr;
}  // namespace

bool EnsureGLContext(host::GLDriver driver, std::string& description) {
  host::Host& h = host::Current();
  // A test may install a fresh host: a context of an earlier host is gone with it.
  if (g_have && g_host == &h && g_driver == driver) {
    description = g_description;
    return true;
  }
  g_have = false;
  if (!h.WindowOpen()) {
    description = "no window";
    return false;
  }
  if (!h.CreateGLContext(driver, g_description)) {
    description = g_description;
    return false;
  }
  WatchGLErrors();
  g_have = true;
  g_driver = driver;
  g_host = &h;
  description = g_description;
  return true;
}

bool GraphicsAvailable(std::string& why) {
  host::Host& h = host::Current();
  // The host has said why already.
  if (!h.VideoAvailable()) return false;
  if (!h.WindowOpen()) return true;
  std::string software;
  if (EnsureGLContext(host::GLDriver::System, why)) return true;
  if (EnsureGLContext(host::GLDriver::Software, software)) return true;
  why = "no OpenGL 3.3 core context: " + why;
  return false;
}

bool HaveGLContext() { return g_have && g_host == &host::Current(); }

void ReleaseGLContext() {
  if (HaveGLContext()) host::Current().DestroyGLContext();
  g_have = false;
  g_host = nullptr;
}

bool GLHasExtension(const char* name) {
  GLint count = 0;
  glGetIntegerv(GL_NUM_EXTENSIONS, &count);
  for (GLint i = 0; i < count; ++i) {
    const char* offered = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, GLuint(i)));
    if (offered && std::strcmp(offered, name) == 0) return true;
  }
  return false;
}

}  // namespace ember::d3d9

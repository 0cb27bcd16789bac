// The one GL context, on the host's window, that capability queries and the device share.
#pragma once

#include <string>

#include "runtime/host/host.h"

namespace ember::d3d9 {

// Makes sure a context of that driver exists and is current; replaces one of the other driver.
bool EnsureGLContext(host::GLDriver driver, std::string& description);
bool HaveGLContext();
// Whether Direct3D can exist at all: a display the window system can use and, once the window
// is open, an OpenGL 3.3 core context from one of the drivers (left current for the device).
// Otherwise `why` says what is missing, or stays empty when the host has told of the display.
bool GraphicsAvailable(std::string& why);
void ReleaseGLContext();
// Whether the current context offers the named extension ("GL_KHR_debug").
bool GLHasExtension(const char* name);

}  // namespace ember::d3d9

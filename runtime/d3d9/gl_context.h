// The one GL context, on the host's window, that capability queries and the device share.
#pragma once

#include <string>

#include "runtime/host/host.h"

namespace ember::d3d9 {

// Makes sure a context of that driver exists and is current; replaces one of the other driver.
bool EnsureGLContext(host::GLDriver driver, std::string& description);
bool HaveGLContext();
void ReleaseGLContext();

}  // namespace ember::d3d9

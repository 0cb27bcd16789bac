// GL errors, which no Direct3D call can report: they are a fault of this runtime. Where the
// context offers KHR_debug (GL 4.3 or the extension), a callback counts each one as the driver
// raises it, object creation included, and writes it to the debug output; elsewhere the device
// polls glGetError at each Present. Tests hold the count at zero.
#pragma once

namespace ember::d3d9 {

// Installs the callback on the current context where it is offered.
void WatchGLErrors();
// Polls glGetError where no callback watches; call once a frame.
void CheckGLErrors();
// GL errors seen by this process so far.
unsigned long GLErrorCount();

}  // namespace ember::d3d9

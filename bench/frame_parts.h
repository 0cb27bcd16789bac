// A diagnostic pass over the demo frame: the same calls as RenderFlameFrame, in the same
// order, with the device finished after each part, so that each part's time is its own and
// not spread over a later flush. Slower than a real frame; it says where the time goes.
#pragma once

#include "runtime/d3d9/d3d9.h"

namespace ember::bench {

struct FrameParts {
  double clearAndBackground = 0;  // the clear and the background picture's copy
  double flame = 0;               // the camera, the matrices and the flame's passes
  double text = 0;                // the frame-rate line
  double present = 0;
};

// Renders one demo frame in parts; `event` is an event query of the device.
void RenderFrameInParts(IDirect3DQuery9* event, FrameParts& parts);

}  // namespace ember::bench

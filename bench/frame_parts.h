// A diagnostic pass over the demo frame: the same calls as RenderFlameFrame, in the same
// order, with the device finished after each part, so that each part's time is its own and
// not spread over a later flush. Slower than a real frame; it says where the time goes.
#pragma once

#include "bench/frame_stats.h"
#include "runtime/d3d9/d3d9.h"

namespace ember::bench {

// Renders one demo frame in parts; `event` is an event query of the device.
void RenderFrameInParts(IDirect3DQuery9* event, FrameParts& parts);

}  // namespace ember::bench

// Vertex inputs meet vertex shaders at fixed GL attribute locations chosen by Direct3D usage,
// so a vertex declaration binds the same way whatever program draws with it. Programs bind
// their inputs with glBindAttribLocation to these locations before linking.
#pragma once

#include "runtime/win32/windows.h"

namespace ember::d3d9 {

// D3DDECLUSAGE values.
enum VertexUsage : BYTE {
  kUsagePosition = 0,
  kUsageBlendWeight = 1,
  kUsageBlendIndices = 2,
  kUsageNormal = 3,
  kUsagePointSize = 4,
  kUsageTexcoord = 5,
  kUsageTangent = 6,
  kUsageBinormal = 7,
  kUsageTessFactor = 8,
  kUsagePositionT = 9,
  kUsageColor = 10,
  kUsageFog = 11,
  kUsageDepth = 12,
  kUsageSample = 13,
};

constexpr int kMaxVertexInputLocations = 16;

// The GL location for a usage and usage index; -1 when the pair has no location.
inline int VertexInputLocation(BYTE usage, BYTE index) {
  switch (usage) {
    case kUsagePosition:
    case kUsagePositionT:
      return index == 0 ? 0 : -1;
    case kUsageNormal:
      return index == 0 ? 1 : -1;
    case kUsageTexcoord:
      return index < 8 ? 2 + index : -1;
    case kUsageTangent:
      return index == 0 ? 10 : -1;
    case kUsageBinormal:
      return index == 0 ? 11 : -1;
    case kUsageColor:
      return index < 2 ? 12 + index : -1;
    case kUsageBlendWeight:
      return index == 0 ? 14 : -1;
    case kUsageBlendIndices:
      return index == 0 ? 15 : -1;
    default:
      return -1;
  }
}

}  // namespace ember::d3d9

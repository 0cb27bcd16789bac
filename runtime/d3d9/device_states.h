// Direct3D's render, sampler and transform state as the program set it: a raw mirror with
// the documented defaults. A setter that changes nothing returns at once; a change marks its
// group dirty, and a draw flushes only the dirty groups.
#pragma once

#include "runtime/d3d9/d3d9types.h"

namespace ember::d3d9 {

enum StateGroup : unsigned {
  kGroupBlend = 1u << 0,
  kGroupDepth = 1u << 1,
  kGroupRaster = 1u << 2,
  kGroupAlphaTest = 1u << 3,
  kGroupStencil = 1u << 4,
  kGroupOther = 1u << 5,
};

class DeviceStates {
 public:
  static constexpr DWORD kRenderStateCount = 256;
  static constexpr DWORD kSamplerCount = 20;  // 16 pixel samplers, the displacement map, 3 vertex
  static constexpr DWORD kSamplerStateCount = 14;

  explicit DeviceStates(bool autoDepthStencil = true);

  static bool ValidRenderState(DWORD state) { return state > 0 && state < kRenderStateCount; }
  // Maps Direct3D's sampler numbers (0-15, D3DDMAPSAMPLER, D3DVERTEXTEXTURESAMPLER0-3) to a
  // slot; -1 when the number is not a sampler.
  static int SamplerSlot(DWORD sampler);
  static int TransformSlot(D3DTRANSFORMSTATETYPE state);

  // True when the value changed.
  bool SetRender(DWORD state, DWORD value);
  DWORD Render(DWORD state) const { return render_[state]; }
  bool SetSampler(int slot, DWORD type, DWORD value);
  DWORD Sampler(int slot, DWORD type) const { return sampler_[slot][type]; }
  unsigned SamplerDirtyMask() const { return samplerDirty_; }
  void ClearSamplerDirty(int slot) { samplerDirty_ &= ~(1u << slot); }

  unsigned DirtyGroups() const { return dirty_; }
  void ClearDirty(unsigned groups) { dirty_ &= ~groups; }
  // The runtime changed GL state behind the mirror's back (a clear, a present, a sprite).
  void MarkDirty(unsigned groups) { dirty_ |= groups; }
  void MarkAllDirty() {
    dirty_ = ~0u;
    samplerDirty_ = ~0u;
  }

  D3DMATRIX transforms[11];

 private:
  DWORD render_[kRenderStateCount];
  DWORD sampler_[kSamplerCount][kSamplerStateCount];
  unsigned dirty_ = ~0u;
  unsigned samplerDirty_ = ~0u;
};

}  // namespace ember::d3d9

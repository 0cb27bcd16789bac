// The GL side of an effect pass: its linked program, with the vertex inputs at the locations
// of their Direct3D usages and sampler i reading texture unit i, and one uniform buffer per
// stage, filled from a CPU shadow of the block when the parameters have moved.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/d3d9/device.h"
#include "runtime/d3d9/gl.h"
#include "runtime/d3dx9/effect_parameters.h"
#include "runtime/d3dx9/fx_compiler.h"

namespace ember::d3dx {

class PassProgram {
 public:
  // Uniform buffer binding points: each stage's block has its own.
  static constexpr GLuint kVertexBinding = 0;
  static constexpr GLuint kFragmentBinding = 1;

  PassProgram() = default;
  PassProgram(PassProgram&& other) noexcept;
  PassProgram& operator=(PassProgram&&) = delete;
  ~PassProgram();

  // Compiles and links the pass's GLSL for the device (its blocks are moved out of
  // `compiled`). False with the driver's message when GL refuses it.
  bool Build(d3d9::Device& device, FxCompiledPass& compiled, std::string& error);

  GLuint Program() const { return program_; }

  // Packs and uploads the blocks when the parameters changed since this program's last
  // upload; the number of buffers uploaded.
  unsigned Upload(const ParameterTable& parameters);
  // Binds the pass's buffers to their binding points, which every pass shares.
  void BindBlocks() const;

 private:
  struct Block {
    FxUniformBlock layout;
    GLuint buffer = 0;
    GLuint binding = 0;
    std::vector<uint8_t> shadow;
  };

  bool BuildBlock(FxUniformBlock& layout, GLuint binding, Block& block, std::string& error);

  d3d9::Device* device_ = nullptr;
  GLuint program_ = 0;
  Block blocks_[2];
  bool uploaded_ = false;
  uint64_t generation_ = 0;
};

}  // namespace ember::d3dx

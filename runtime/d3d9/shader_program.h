// A GL program the device builds for an effect pass from the pass compiler's GLSL and
// reflection: linked with the vertex inputs at the locations of their Direct3D usages and
// sampler i reading texture unit i, and one uniform buffer per stage, uploaded from a CPU shadow
// of the block that the effect fills when its parameters have moved.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/d3d9/gl.h"
#include "runtime/fx/pass_compiler.h"

namespace ember::d3d9 {

class Device;

class ShaderProgram {
 public:
  // Uniform buffer binding points: each stage's block has its own.
  static constexpr GLuint kVertexBinding = 0;
  static constexpr GLuint kFragmentBinding = 1;

  ShaderProgram() = default;
  ShaderProgram(ShaderProgram&& other) noexcept;
  ShaderProgram& operator=(ShaderProgram&&) = delete;
  ~ShaderProgram();

  // Compiles and links the pass's GLSL for the device (its blocks are moved out of
  // `compiled`). False with the driver's message when GL refuses it.
  bool Build(Device& device, FxCompiledPass& compiled, std::string& error);

  GLuint Program() const { return program_; }

  // Fills the blocks' shadows with pack(layout, shadow) and uploads them, when `generation`
  // (the parameters' count of changes) moved since this program's last upload; the number of
  // buffers uploaded.
  template <class Pack>
  unsigned Upload(uint64_t generation, Pack pack) {
    if (uploaded_ && generation_ == generation) return 0;
    uploaded_ = true;
    generation_ = generation;
    unsigned count = 0;
    for (Block& block : blocks_) {
      if (!block.buffer) continue;
      pack(block.layout, block.shadow.data());
      UploadBlock(block);
      ++count;
    }
    return count;
  }
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
  static void UploadBlock(const Block& block);

  Device* device_ = nullptr;
  GLuint program_ = 0;
  Block blocks_[2];
  bool uploaded_ = false;
  uint64_t generation_ = 0;
};

}  // namespace ember::d3d9

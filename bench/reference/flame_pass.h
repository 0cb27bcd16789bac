// The flame, drawn once a frame with the GLSL our effect compiler makes of Flame_OK.fx: the
// program linked here, its std140 blocks filled here, its textures and render states set as
// the effect's sampler_state blocks and pass ask.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench/reference/gl.h"
#include "bench/reference/matrices.h"
#include "bench/reference/scene_data.h"

namespace ember::reference {

class FlamePass {
 public:
  FlamePass() = default;
  FlamePass(const FlamePass&) = delete;
  FlamePass& operator=(const FlamePass&) = delete;
  ~FlamePass();

  // The program, the mesh's buffers, the textures and the constants of the scene load.
  bool Create(const SceneData& scene, std::string& error);

  // Draws into the bound framebuffer with the frame's time and matrices. Allocates nothing.
  void Draw(float ticks, const Matrix& wvp, const Matrix& world);

 private:
  static constexpr int kMaxUnits = 8;

  struct UniformBlock {
    FxUniformBlock layout;
    std::vector<uint8_t> shadow;
    GLuint buffer = 0;
    GLuint binding = 0;
    // The members the demo sets every frame; null where the block has none.
    const FxUniformMember* ticks = nullptr;
    const FxUniformMember* wvp = nullptr;
    const FxUniformMember* world = nullptr;
  };

  struct UnitTexture {
    GLenum target = 0;
    GLuint texture = 0;
  };

  struct RenderStates {
    bool blend = false;
    GLenum sourceFactor = GL_ONE, destinationFactor = GL_ZERO, blendEquation = GL_FUNC_ADD;
    bool depthTest = true, depthWrite = true;
    GLenum depthFunction = GL_LEQUAL;
    GLenum culledFace = 0;  // 0: no culling
  };

  bool CreateProgram(const FxCompiledPass& pass, std::string& error);
  void CreateMesh(const FlameMesh& mesh);
  bool CreateTextures(const SceneData& scene, std::string& error);
  bool CreateBlock(const FxEffect& effect, const FxUniformBlock& layout, GLuint binding,
                   UniformBlock& block);
  bool ReadRenderStates(const FxPass& pass, std::string& error);
  void ApplyRenderStates() const;

  GLuint program_ = 0;
  GLuint vertexArray_ = 0, vertexBuffer_ = 0, indexBuffer_ = 0;
  GLenum indexType_ = GL_UNSIGNED_SHORT;
  GLsizei indexCount_ = 0;
  GLuint noiseTexture_ = 0, flameTexture_ = 0;
  UnitTexture units_[kMaxUnits];
  int unitCount_ = 0;
  UniformBlock blocks_[2];
  RenderStates states_;
};

}  // namespace ember::reference

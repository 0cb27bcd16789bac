#include "bench/reference/flame_pass.h"

#include <cstring>

#include "bench/reference/gl_program.h"
#include "runtime/fx/states.h"

namespace ember::reference {

namespace {

// The values LoadFlameScene sets once (scene/flame_scene.cpp).
struct SceneConstant {
  const char* name;
  uint32_t count;
  float values[4];
};

const SceneConstant kSceneConstants[] = {
    {"noiseFreq", 1, {0.3f}},
    {"noiseStrength", 1, {0.5f}},
    {"timeScale", 1, {0.5f}},
    {"noiseScale", 3, {0.5f, 0.5f, 0.5f}},
    {"noiseAnim", 3, {0.4f, -1.9f, 0.8f}},
    {"flameColor", 4, {0.4f, 0.3f, 0.3f, 1.0f}},
    {"flameScale", 3, {0.25f, -0.18f, 0.22f}},
    {"flameTrans", 3, {0.0f, -0.1f, 0.0f}},
};

const SceneConstant* FindSceneConstant(const std::string& name) {
  for (const SceneConstant& constant : kSceneConstants)
    if (name == constant.name) return &constant;
  return nullptr;
}

// The textures LoadFlameScene hands to the effect, by the effect's parameter name.
const char* const kNoiseTextureName = "noiseTexture";
const char* const kFlameTextureName = "flameTexture";

GLint WrapMode(uint32_t address) {
  switch (address) {
    case d3d::TADDRESS_MIRROR:
    case d3d::TADDRESS_MIRRORONCE:
      return GL_MIRRORED_REPEAT;
    case d3d::TADDRESS_CLAMP:
      return GL_CLAMP_TO_EDGE;
    case d3d::TADDRESS_BORDER:
      return GL_CLAMP_TO_BORDER;
    default:
      return GL_REPEAT;
  }
}

bool Linear(uint32_t filter) {
  return filter == d3d::TEXF_LINEAR || filter == d3d::TEXF_ANISOTROPIC;
}

GLint MinFilter(uint32_t minFilter, uint32_t mipFilter) {
  const bool linear = Linear(minFilter);
  if (mipFilter == d3d::TEXF_NONE) return linear ? GL_LINEAR : GL_NEAREST;
  if (mipFilter == d3d::TEXF_POINT)
    return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
  return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
}

// A keyed A8R8G8B8 picture or volume as a texture with its full mip chain. A flat picture
// makes a volume one slice deep, as the volume loader takes it.
GLuint CreateTexture(GLenum target, const Image& image) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(target, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  if (target == GL_TEXTURE_3D)
    glTexImage3D(target, 0, GL_RGBA8, GLsizei(image.width), GLsizei(image.height),
                 GLsizei(image.depth), 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                 image.pixels.data());
  else
    glTexImage2D(target, 0, GL_RGBA8, GLsizei(image.width), GLsizei(image.height), 0, GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, image.pixels.data());
  glGenerateMipmap(target);
  glBindTexture(target, 0);
  return texture;
}

// The sampler_state block over Direct3D's defaults (wrap, point, no mip filter).
bool ApplySamplerStates(GLenum target, GLuint texture, const FxParameter& sampler,
                        std::string& error) {
  uint32_t address[3] = {d3d::TADDRESS_WRAP, d3d::TADDRESS_WRAP, d3d::TADDRESS_WRAP};
  uint32_t magFilter = d3d::TEXF_POINT, minFilter = d3d::TEXF_POINT, mipFilter = d3d::TEXF_NONE;
  for (const FxState& state : sampler.samplerStates) {
    switch (state.type) {
      case d3d::SAMP_ADDRESSU:
      case d3d::SAMP_ADDRESSV:
      case d3d::SAMP_ADDRESSW:
        address[state.type - d3d::SAMP_ADDRESSU] = state.value;
        break;
      case d3d::SAMP_MAGFILTER:
        magFilter = state.value;
        break;
      case d3d::SAMP_MINFILTER:
        minFilter = state.value;
        break;
      case d3d::SAMP_MIPFILTER:
        mipFilter = state.value;
        break;
      default:
        error = "the sampler state " + state.name + " of " + sampler.name + " is not mirrored here";
        return false;
    }
  }
  glBindTexture(target, texture);
  glTexParameteri(target, GL_TEXTURE_WRAP_S, WrapMode(address[0]));
  glTexParameteri(target, GL_TEXTURE_WRAP_T, WrapMode(address[1]));
  glTexParameteri(target, GL_TEXTURE_WRAP_R, WrapMode(address[2]));
  glTexParameteri(target, GL_TEXTURE_MAG_FILTER, Linear(magFilter) ? GL_LINEAR : GL_NEAREST);
  glTexParameteri(target, GL_TEXTURE_MIN_FILTER, MinFilter(minFilter, mipFilter));
  glBindTexture(target, 0);
  return true;
}

GLenum BlendFactor(uint32_t factor) {
  switch (factor) {
    case d3d::BLEND_ZERO:
      return GL_ZERO;
    case d3d::BLEND_SRCCOLOR:
      return GL_SRC_COLOR;
    case d3d::BLEND_INVSRCCOLOR:
      return GL_ONE_MINUS_SRC_COLOR;
    case d3d::BLEND_SRCALPHA:
      return GL_SRC_ALPHA;
    case d3d::BLEND_INVSRCALPHA:
      return GL_ONE_MINUS_SRC_ALPHA;
    case d3d::BLEND_DESTALPHA:
      return GL_DST_ALPHA;
    case d3d::BLEND_INVDESTALPHA:
      return GL_ONE_MINUS_DST_ALPHA;
    case d3d::BLEND_DESTCOLOR:
      return GL_DST_COLOR;
    case d3d::BLEND_INVDESTCOLOR:
      return GL_ONE_MINUS_DST_COLOR;
    case d3d::BLEND_ONE:
    default:
      return GL_ONE;
  }
}

GLenum BlendEquation(uint32_t operation) {
  switch (operation) {
    case d3d::BLENDOP_SUBTRACT:
      return GL_FUNC_SUBTRACT;
    case d3d::BLENDOP_REVSUBTRACT:
      return GL_FUNC_REVERSE_SUBTRACT;
    case d3d::BLENDOP_MIN:
      return GL_MIN;
    case d3d::BLENDOP_MAX:
      return GL_MAX;
    default:
      return GL_FUNC_ADD;
  }
}

GLenum CompareFunction(uint32_t function) {
  switch (function) {
    case d3d::CMP_NEVER:
      return GL_NEVER;
    case d3d::CMP_LESS:
      return GL_LESS;
    case d3d::CMP_EQUAL:
      return GL_EQUAL;
    case d3d::CMP_LESSEQUAL:
      return GL_LEQUAL;
    case d3d::CMP_GREATER:
      return GL_GREATER;
    case d3d::CMP_NOTEQUAL:
      return GL_NOTEQUAL;
    case d3d::CMP_GREATEREQUAL:
      return GL_GEQUAL;
    default:
      return GL_ALWAYS;
  }
}

}  // namespace

FlamePass::~FlamePass() {
  for (UniformBlock& block : blocks_)
    if (block.buffer) glDeleteBuffers(1, &block.buffer);
  if (noiseTexture_) glDeleteTextures(1, &noiseTexture_);
  if (flameTexture_) glDeleteTextures(1, &flameTexture_);
  if (indexBuffer_) glDeleteBuffers(1, &indexBuffer_);
  if (vertexBuffer_) glDeleteBuffers(1, &vertexBuffer_);
  if (vertexArray_) glDeleteVertexArrays(1, &vertexArray_);
  if (program_) glDeleteProgram(program_);
}

bool FlamePass::Create(const SceneData& scene, std::string& error) {
  if (!CreateProgram(scene.flamePass, error)) return false;
  CreateMesh(scene.flameMesh);
  if (!CreateTextures(scene, error)) return false;
  if (!CreateBlock(scene.flameEffect, scene.flamePass.vertexUniforms, 0, blocks_[0]) ||
      !CreateBlock(scene.flameEffect, scene.flamePass.fragmentUniforms, 1, blocks_[1])) {
    error = "a uniform block of the flame shader is larger than the driver allows";
    return false;
  }
  return ReadRenderStates(scene.flameEffect.techniques[0].passes[0], error);
}

bool FlamePass::CreateProgram(const FxCompiledPass& pass, std::string& error) {
  // Only positions are built here: every other input must be one the shader does not read.
  const FxVertexInput* position = nullptr;
  for (const FxVertexInput& input : pass.vertexInputs)
    if (input.usage == d3d::DECLUSAGE_POSITION && input.usageIndex == 0) position = &input;
  if (!position) {
    error = "the flame shader reads no POSITION";
    return false;
  }
  const AttributeLocation attributes[] = {{0, position->glslName.c_str()}};
  program_ = BuildProgram(pass.vertexGlsl.c_str(), pass.fragmentGlsl.c_str(), attributes, 1, error);
  if (!program_) return false;
  for (const FxVertexInput& input : pass.vertexInputs) {
    if (&input == position || glGetAttribLocation(program_, input.glslName.c_str()) < 0) continue;
    error = "the flame shader reads " + input.semantic + ", which this reference does not build";
    return false;
  }

  // GLSL 330 has no binding qualifier: sampler i reads unit i.
  glUseProgram(program_);
  for (size_t i = 0; i < pass.samplers.size(); ++i) {
    const GLint location = glGetUniformLocation(program_, pass.samplers[i].glslName.c_str());
    if (location >= 0) glUniform1i(location, GLint(i));
  }
  glUseProgram(0);
  return true;
}

void FlamePass::CreateMesh(const FlameMesh& mesh) {
  glGenVertexArrays(1, &vertexArray_);
  glBindVertexArray(vertexArray_);
  glGenBuffers(1, &vertexBuffer_);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(mesh.positions.size() * sizeof(float)),
               mesh.positions.data(), GL_STATIC_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 3 * sizeof(float), nullptr);

  // 16-bit indices where the vertices fit them, as the mesh load chooses.
  glGenBuffers(1, &indexBuffer_);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
  indexCount_ = GLsizei(mesh.indices.size());
  if (mesh.VertexCount() <= 0xFFFF) {
    std::vector<uint16_t> shortIndices(mesh.indices.begin(), mesh.indices.end());
    indexType_ = GL_UNSIGNED_SHORT;
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(shortIndices.size() * sizeof(uint16_t)),
                 shortIndices.data(), GL_STATIC_DRAW);
  } else {
    indexType_ = GL_UNSIGNED_INT;
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(mesh.indices.size() * sizeof(uint32_t)),
                 mesh.indices.data(), GL_STATIC_DRAW);
  }
  glBindVertexArray(0);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
}

bool FlamePass::CreateTextures(const SceneData& scene, std::string& error) {
  noiseTexture_ = CreateTexture(GL_TEXTURE_3D, scene.noiseVolume);
  flameTexture_ = CreateTexture(GL_TEXTURE_2D, scene.flameImage);
  const FxCompiledPass& pass = scene.flamePass;
  if (pass.samplers.size() > size_t(kMaxUnits)) {
    error = "the flame shader has more samplers than this reference binds";
    return false;
  }
  for (const FxSamplerBinding& binding : pass.samplers) {
    const FxParameter& sampler = scene.flameEffect.parameters[size_t(binding.parameter)];
    const std::string& textureName =
        sampler.samplerTextureIndex >= 0
            ? scene.flameEffect.parameters[size_t(sampler.samplerTextureIndex)].name
            : std::string();
    UnitTexture& unit = units_[unitCount_++];
    if (textureName == kNoiseTextureName) {
      unit = {GL_TEXTURE_3D, noiseTexture_};
    } else if (textureName == kFlameTextureName) {
      unit = {GL_TEXTURE_2D, flameTexture_};
    } else {
      error = "the flame shader's sampler " + sampler.name + " reads no texture the demo sets";
      return false;
    }
    if (!ApplySamplerStates(unit.target, unit.texture, sampler, error)) return false;
  }
  return true;
}

bool FlamePass::CreateBlock(const FxEffect& effect, const FxUniformBlock& layout, GLuint binding,
                            UniformBlock& block) {
  if (layout.glslName.empty()) return true;
  const GLuint index = glGetUniformBlockIndex(program_, layout.glslName.c_str());
  // The driver drops a block that nothing reads.
  if (index == GL_INVALID_INDEX) return true;
  GLint driverSize = 0, maxSize = 0;
  glGetActiveUniformBlockiv(program_, index, GL_UNIFORM_BLOCK_DATA_SIZE, &driverSize);
  glGetIntegerv(GL_MAX_UNIFORM_BLOCK_SIZE, &maxSize);
  const size_t size = size_t(driverSize) > layout.size ? size_t(driverSize) : layout.size;
  if (size > size_t(maxSize)) return false;
  glUniformBlockBinding(program_, index, binding);
  block.layout = layout;
  block.binding = binding;
  block.shadow.assign(size, 0);

  // The effect's own initial values, as the effect starts with them, then the scene load's.
  for (const FxUniformMember& member : block.layout.members) {
    if (member.parameter < 0 || member.offset + member.size > size) continue;
    const FxParameter& parameter = effect.parameters[size_t(member.parameter)];
    if (parameter.name == "ticks") block.ticks = &member;
    if (parameter.name == "wvp") block.wvp = &member;
    if (parameter.name == "world") block.world = &member;
    if (member.scalar != FxScalarKind::Float || member.isMatrix || member.arrayCount > 0) continue;
    const float* values = nullptr;
    size_t count = 0;
    if (const SceneConstant* constant = FindSceneConstant(parameter.name)) {
      values = constant->values;
      count = constant->count;
    } else if (!parameter.initialValue.empty()) {
      values = parameter.initialValue.data();
      count = parameter.initialValue.size();
    }
    if (count > member.columns) count = member.columns;
    if (values) std::memcpy(block.shadow.data() + member.offset, values, count * sizeof(float));
  }

  glGenBuffers(1, &block.buffer);
  glBindBuffer(GL_UNIFORM_BUFFER, block.buffer);
  glBufferData(GL_UNIFORM_BUFFER, GLsizeiptr(size), block.shadow.data(), GL_DYNAMIC_DRAW);
  glBindBuffer(GL_UNIFORM_BUFFER, 0);
  return true;
}

bool FlamePass::ReadRenderStates(const FxPass& pass, std::string& error) {
  // The device's state when the demo draws: Direct3D's defaults with the z buffer on (the
  // device has a depth-stencil) and culling off (video/display_device.cpp).
  for (const FxState& state : pass.states) {
    switch (state.type) {
      case d3d::RS_ALPHABLENDENABLE:
        states_.blend = state.value != 0;
        break;
      case d3d::RS_SRCBLEND:
        states_.sourceFactor = BlendFactor(state.value);
        break;
      case d3d::RS_DESTBLEND:
        states_.destinationFactor = BlendFactor(state.value);
        break;
      case d3d::RS_BLENDOP:
        states_.blendEquation = BlendEquation(state.value);
        break;
      case d3d::RS_ZENABLE:
        states_.depthTest = state.value != 0;
        break;
      case d3d::RS_ZWRITEENABLE:
        states_.depthWrite = state.value != 0;
        break;
      case d3d::RS_ZFUNC:
        states_.depthFunction = CompareFunction(state.value);
        break;
      case d3d::RS_CULLMODE:
        // The shader's y flip turns Direct3D's clockwise faces into GL's counter-clockwise ones.
        states_.culledFace = state.value == d3d::CULL_CCW  ? GL_BACK
                             : state.value == d3d::CULL_CW ? GL_FRONT
                                                           : 0;
        break;
      default:
        error = "the pass's render state " + state.name + " is not mirrored here";
        return false;
    }
  }
  return true;
}

void FlamePass::Draw(float ticks, const Matrix& wvp, const Matrix& world) {
  for (UniformBlock& block : blocks_) {
    if (!block.buffer) continue;
    uint8_t* shadow = block.shadow.data();
    if (block.ticks) std::memcpy(shadow + block.ticks->offset, &ticks, sizeof ticks);
    if (block.wvp) StoreMatrix(*block.wvp, wvp.m, shadow);
    if (block.world) StoreMatrix(*block.world, world.m, shadow);
    glBindBuffer(GL_UNIFORM_BUFFER, block.buffer);
    glBufferSubData(GL_UNIFORM_BUFFER, 0, GLsizeiptr(block.shadow.size()), shadow);
    glBindBufferBase(GL_UNIFORM_BUFFER, block.binding, block.buffer);
  }
  glUseProgram(program_);
  for (int i = 0; i < unitCount_; ++i) {
    glActiveTexture(GLenum(GL_TEXTURE0 + i));
    glBindTexture(units_[i].target, units_[i].texture);
  }
  ApplyRenderStates();
  glBindVertexArray(vertexArray_);
  glDrawElements(GL_TRIANGLES, indexCount_, indexType_, nullptr);
}

void FlamePass::ApplyRenderStates() const {
  if (states_.blend) {
    glEnable(GL_BLEND);
    glBlendFunc(states_.sourceFactor, states_.destinationFactor);
    glBlendEquation(states_.blendEquation);
  } else {
    glDisable(GL_BLEND);
  }
  if (states_.depthTest) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(states_.depthFunction);
  } else {
    glDisable(GL_DEPTH_TEST);
  }
  glDepthMask(states_.depthWrite ? GL_TRUE : GL_FALSE);
  if (states_.culledFace) {
    glEnable(GL_CULL_FACE);
    glCullFace(states_.culledFace);
  } else {
    glDisable(GL_CULL_FACE);
  }
}

}  // namespace ember::reference

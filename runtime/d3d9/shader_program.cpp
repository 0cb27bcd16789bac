#include "runtime/d3d9/shader_program.h"

#include <utility>

#include "runtime/d3d9/device.h"
#include "runtime/d3d9/vertex_input_locations.h"

namespace ember::d3d9 {

namespace {

std::string ShaderLog(GLuint shader) {
  GLint length = 0;
  glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
  std::string log(length > 0 ? size_t(length) : 0, '\0');
  if (length > 0) glGetShaderInfoLog(shader, length, nullptr, &log[0]);
  while (!log.empty() && (log.back() == '\0' || log.back() == '\n')) log.pop_back();
  return log;
}

std::string ProgramLog(GLuint program) {
  GLint length = 0;
  glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
  std::string log(length > 0 ? size_t(length) : 0, '\0');
  if (length > 0) glGetProgramInfoLog(program, length, nullptr, &log[0]);
  while (!log.empty() && (log.back() == '\0' || log.back() == '\n')) log.pop_back();
  return log;
}

GLuint CompileShader(GLenum stage, const std::string& source, std::string& error) {
  GLuint shader = glCreateShader(stage);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok) return shader;
  error = std::string(stage == GL_VERTEX_SHADER ? "vertex" : "fragment") +
          " shader refused by the GL driver: " + ShaderLog(shader);
  glDeleteShader(shader);
  return 0;
}

}  // namespace

ShaderProgram::ShaderProgram(ShaderProgram&& other) noexcept
    : device_(other.device_),
      program_(std::exchange(other.program_, 0)),
      uploaded_(other.uploaded_),
      generation_(other.generation_) {
  for (int i = 0; i < 2; ++i) {
    blocks_[i].layout = std::move(other.blocks_[i].layout);
    blocks_[i].buffer = std::exchange(other.blocks_[i].buffer, 0);
    blocks_[i].binding = other.blocks_[i].binding;
    blocks_[i].shadow = std::move(other.blocks_[i].shadow);
  }
}

ShaderProgram::~ShaderProgram() {
  for (Block& block : blocks_)
    if (block.buffer) glDeleteBuffers(1, &block.buffer);
  if (!program_) return;
  // Draws must not go on naming a program that is gone.
  if (device_->Program() == program_) device_->UseProgram(0, 0);
  glDeleteProgram(program_);
}

bool ShaderProgram::Build(Device& device, FxCompiledPass& compiled, std::string& error) {
  device_ = &device;
  GLuint vertex = CompileShader(GL_VERTEX_SHADER, compiled.vertexGlsl, error);
  GLuint fragment = vertex ? CompileShader(GL_FRAGMENT_SHADER, compiled.fragmentGlsl, error) : 0;
  if (!fragment) {
    if (vertex) glDeleteShader(vertex);
    return false;
  }
  program_ = glCreateProgram();
  glAttachShader(program_, vertex);
  glAttachShader(program_, fragment);
  for (const FxVertexInput& input : compiled.vertexInputs) {
    const int location = VertexInputLocation(BYTE(input.usage), BYTE(input.usageIndex));
    if (location < 0 || input.usage > 0xFF || input.usageIndex > 0xFF) {
      error = "the vertex input " + input.semantic + " has no vertex declaration usage to read";
      glDeleteShader(vertex);
      glDeleteShader(fragment);
      return false;
    }
    glBindAttribLocation(program_, GLuint(location), input.glslName.c_str());
  }
  glLinkProgram(program_);
  glDetachShader(program_, vertex);
  glDetachShader(program_, fragment);
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  GLint linked = GL_FALSE;
  glGetProgramiv(program_, GL_LINK_STATUS, &linked);
  if (!linked) {
    error = "the GL driver refused to link the pass: " + ProgramLog(program_);
    return false;
  }

  // GLSL 330 has no binding qualifier, so units are set on the program, which must be
  // current for that. It is made current through the device's cache, which must know.
  device.GL().UseProgram(program_);
  for (size_t i = 0; i < compiled.samplers.size(); ++i) {
    const GLint location = glGetUniformLocation(program_, compiled.samplers[i].glslName.c_str());
    if (location >= 0) glUniform1i(location, GLint(i));
  }

  return BuildBlock(compiled.vertexUniforms, kVertexBinding, blocks_[0], error) &&
         BuildBlock(compiled.fragmentUniforms, kFragmentBinding, blocks_[1], error);
}

bool ShaderProgram::BuildBlock(FxUniformBlock& layout, GLuint binding, Block& block,
                               std::string& error) {
  if (layout.glslName.empty()) return true;
  const GLuint index = glGetUniformBlockIndex(program_, layout.glslName.c_str());
  // The driver drops a block that nothing reads: there is nothing to upload.
  if (index == GL_INVALID_INDEX) return true;
  GLint driverSize = 0, maxSize = 0;
  glGetActiveUniformBlockiv(program_, index, GL_UNIFORM_BLOCK_DATA_SIZE, &driverSize);
  glGetIntegerv(GL_MAX_UNIFORM_BLOCK_SIZE, &maxSize);
  const size_t size = size_t(driverSize) > layout.size ? size_t(driverSize) : layout.size;
  if (size == 0 || size > size_t(maxSize)) {
    error = "the uniform block " + layout.glslName + " takes " + std::to_string(size) +
            " bytes, more than the driver's " + std::to_string(maxSize);
    return false;
  }
  glUniformBlockBinding(program_, index, binding);
  block.layout = std::move(layout);
  block.binding = binding;
  block.shadow.assign(size, 0);
  glGenBuffers(1, &block.buffer);
  glBindBuffer(GL_UNIFORM_BUFFER, block.buffer);
  glBufferData(GL_UNIFORM_BUFFER, GLsizeiptr(size), block.shadow.data(), GL_DYNAMIC_DRAW);
  return true;
}

void ShaderProgram::UploadBlock(const Block& block) {
  glBindBuffer(GL_UNIFORM_BUFFER, block.buffer);
  glBufferSubData(GL_UNIFORM_BUFFER, 0, GLsizeiptr(block.shadow.size()), block.shadow.data());
}

void ShaderProgram::BindBlocks() const {
  for (const Block& block : blocks_)
    if (block.buffer) glBindBufferBase(GL_UNIFORM_BUFFER, block.binding, block.buffer);
}

}  // namespace ember::d3d9

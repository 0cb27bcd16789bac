#include "runtime/d3d9/screen_quads.h"

#include <cstddef>
#include <cstdio>

#include "runtime/d3d9/device.h"
#include "runtime/win32/win32_internal.h"

namespace ember::d3d9 {

namespace {

void ReportFailure(const char* what, const char* log) {
  char line[1100];
  std::snprintf(line, sizeof line, "Direct3D9: %s: %s\n", what, log);
  OutputDebugStringA(line);
}

// Corners are render-target pixel positions on pixel edges; Direct3D's top row is GL row 0
// (gl_conventions.h), so y maps to clip space the way x does. An untransformed texel then
// covers exactly one pixel, as Direct3D 9 shows sprites.
const char* const kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec2 texCoord;
layout(location = 2) in vec4 color;
uniform vec4 viewport;  // x, y, 2 / width, 2 / height
out vec2 uv;
out vec4 tint;
void main() {
  gl_Position = vec4((position.xy - viewport.xy) * viewport.zw - 1.0, 0.0, 1.0);
  uv = texCoord;
  tint = color;
}
)";

const char* const kFragmentShader = R"(#version 330 core
uniform sampler2D image;
in vec2 uv;
in vec4 tint;
out vec4 fragColor;
void main() { fragColor = texture(image, uv) * tint; }
)";

GLuint Compile(GLenum kind, const char* source) {
  GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok) return shader;
  char log[1024] = "";
  glGetShaderInfoLog(shader, sizeof log, nullptr, log);
  ReportFailure("screen quad shader", log);
  glDeleteShader(shader);
  return 0;
}

GLuint Link(GLuint vertex, GLuint fragment) {
  GLuint program = glCreateProgram();
  glAttachShader(program, vertex);
  glAttachShader(program, fragment);
  glLinkProgram(program);
  glDetachShader(program, vertex);
  glDetachShader(program, fragment);
  GLint ok = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok) return program;
  char log[1024] = "";
  glGetProgramInfoLog(program, sizeof log, nullptr, log);
  ReportFailure("screen quad program", log);
  glDeleteProgram(program);
  return 0;
}

}  // namespace

bool ScreenQuads::Create() {
  if (program_) return true;
  GLuint vertex = Compile(GL_VERTEX_SHADER, kVertexShader);
  GLuint fragment = Compile(GL_FRAGMENT_SHADER, kFragmentShader);
  if (vertex && fragment) program_ = Link(vertex, fragment);
  if (vertex) glDeleteShader(vertex);
  if (fragment) glDeleteShader(fragment);
  if (!program_) return false;
  viewportLocation_ = glGetUniformLocation(program_, "viewport");
  // GL 3.3 has no binding qualifier: the sampler reads unit 0, Direct3D's stage 0.
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  glUseProgram(program_);
  glUniform1i(glGetUniformLocation(program_, "image"), 0);
  glUseProgram(GLuint(current));

  // Two triangles a quad over its corners 0 1 2 3 (top-left, top-right, bottom-left,
  // bottom-right); culling is off, so their winding does not matter.
  static_assert(kMaxQuads * 4 <= 65536, "indices are 16-bit");
  uint16_t indices[kMaxQuads * 6];
  for (int q = 0; q < kMaxQuads; ++q) {
    const uint16_t base = uint16_t(q * 4);
    const uint16_t quad[6] = {base,
                              uint16_t(base + 1),
                              uint16_t(base + 2),
                              uint16_t(base + 2),
                              uint16_t(base + 1),
                              uint16_t(base + 3)};
    for (int i = 0; i < 6; ++i) indices[q * 6 + i] = quad[i];
  }
  GLint vaoBefore = 0, bufferBefore = 0;
  glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vaoBefore);
  glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bufferBefore);
  glGenVertexArrays(1, &vao_);
  glBindVertexArray(vao_);
  glGenBuffers(1, &indexBuffer_);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof indices, indices, GL_STATIC_DRAW);
  glGenBuffers(1, &vertexBuffer_);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  glBufferData(GL_ARRAY_BUFFER, sizeof(ScreenVertex) * kMaxQuads * 4, nullptr, GL_DYNAMIC_DRAW);
  const GLsizei stride = sizeof(ScreenVertex);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride,
                        reinterpret_cast<const void*>(offsetof(ScreenVertex, x)));
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride,
                        reinterpret_cast<const void*>(offsetof(ScreenVertex, u)));
  // A D3DCOLOR's bytes are B, G, R, A: GL_BGRA reads them as a colour.
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                        reinterpret_cast<const void*>(offsetof(ScreenVertex, color)));
  glBindVertexArray(GLuint(vaoBefore));
  glBindBuffer(GL_ARRAY_BUFFER, GLuint(bufferBefore));
  return true;
}

void ScreenQuads::Destroy() {
  if (vertexBuffer_) glDeleteBuffers(1, &vertexBuffer_);
  if (indexBuffer_) glDeleteBuffers(1, &indexBuffer_);
  if (vao_) glDeleteVertexArrays(1, &vao_);
  if (program_) glDeleteProgram(program_);
  vertexBuffer_ = indexBuffer_ = vao_ = program_ = 0;
}

void ScreenQuads::Draw(Device& device, const ScreenVertex* vertices, int quads, bool alphaBlend) {
  if (quads <= 0) return;
  GLStateCache& gl = device.GL();
  device.BindBackBuffer();
  D3DVIEWPORT9 viewport{};
  device.GetViewport(&viewport);
  gl.UseProgram(program_);
  gl.BindVertexArray(vao_);
  glUniform4f(viewportLocation_, float(viewport.X), float(viewport.Y), 2.0f / float(viewport.Width),
              2.0f / float(viewport.Height));
  GLint bufferBefore = 0;
  glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bufferBefore);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(sizeof(ScreenVertex) * 4 * size_t(quads)),
                  vertices);
  glBindBuffer(GL_ARRAY_BUFFER, GLuint(bufferBefore));
  device.ApplyTextures(1u);

  gl.Blend(alphaBlend);
  gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  gl.BlendEquation(GL_FUNC_ADD, GL_FUNC_ADD);
  gl.ColorMask(0xF);
  gl.DepthTest(false);
  gl.Cull(0);
  gl.Scissor(false);
  glDisable(GL_STENCIL_TEST);
  // The mirrored render states come back at the next draw that uses them.
  device.States().MarkDirty(kGroupBlend | kGroupDepth | kGroupRaster | kGroupStencil);
  glDrawElements(GL_TRIANGLES, GLsizei(quads * 6), GL_UNSIGNED_SHORT, nullptr);
}

}  // namespace ember::d3d9

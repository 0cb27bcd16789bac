#include "bench/reference/text_overlay.h"

#include <cstdint>

#include "bench/reference/gl_program.h"

namespace ember::reference {

namespace {

// Corners in frame pixels on pixel edges, y down; the frame keeps its top row at GL row 0,
// so y maps to clip space as x does and each texel covers exactly one pixel.
const char* const kVertexShader = R"(#version 330 core
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 texCoord;
uniform vec2 pixelToClip;  // 2 / width, 2 / height
out vec2 uv;
void main() {
  gl_Position = vec4(position * pixelToClip - 1.0, 0.0, 1.0);
  uv = texCoord;
}
)";

const char* const kFragmentShader = R"(#version 330 core
uniform sampler2D coverage;
uniform vec4 color;
in vec2 uv;
out vec4 fragColor;
void main() { fragColor = vec4(color.rgb, color.a * texture(coverage, uv).r); }
)";

}  // namespace

TextOverlay::~TextOverlay() {
  if (atlasTexture_) glDeleteTextures(1, &atlasTexture_);
  if (indexBuffer_) glDeleteBuffers(1, &indexBuffer_);
  if (vertexBuffer_) glDeleteBuffers(1, &vertexBuffer_);
  if (vertexArray_) glDeleteVertexArrays(1, &vertexArray_);
  if (program_) glDeleteProgram(program_);
}

bool TextOverlay::Create(const GlyphAtlas& atlas, int frameWidth, int frameHeight,
                         std::string& error) {
  atlas_ = atlas;
  const AttributeLocation attributes[] = {{0, "position"}, {1, "texCoord"}};
  program_ = BuildProgram(kVertexShader, kFragmentShader, attributes, 2, error);
  if (!program_) return false;
  glUseProgram(program_);
  glUniform2f(glGetUniformLocation(program_, "pixelToClip"), 2.0f / float(frameWidth),
              2.0f / float(frameHeight));
  glUniform1i(glGetUniformLocation(program_, "coverage"), 0);
  glUniform4f(glGetUniformLocation(program_, "color"), 1.0f, 1.0f, 1.0f, 1.0f);
  glUseProgram(0);

  // Quads land on whole pixels at the atlas's own scale, so filtering never mixes texels.
  glGenTextures(1, &atlasTexture_);
  glBindTexture(GL_TEXTURE_2D, atlasTexture_);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, atlas_.width, atlas_.height, 0, GL_RED, GL_UNSIGNED_BYTE,
               atlas_.coverage.data());
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glBindTexture(GL_TEXTURE_2D, 0);

  // Two triangles a quad over its corners: top-left, top-right, bottom-left, bottom-right.
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
  glGenVertexArrays(1, &vertexArray_);
  glBindVertexArray(vertexArray_);
  glGenBuffers(1, &indexBuffer_);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof indices, indices, GL_STATIC_DRAW);
  glGenBuffers(1, &vertexBuffer_);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  glBufferData(GL_ARRAY_BUFFER, sizeof vertices_, nullptr, GL_DYNAMIC_DRAW);
  const GLsizei stride = 4 * sizeof(float);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, stride, nullptr);
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride,
                        reinterpret_cast<const void*>(2 * sizeof(float)));
  glBindVertexArray(0);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  return true;
}

void TextOverlay::Draw(const char* text, int x, int y) {
  int visible = 0;
  LayoutText(atlas_, text, -1, x, y, quads_, kMaxQuads, &visible);
  const int count = visible < kMaxQuads ? visible : kMaxQuads;
  if (count == 0) return;
  const float invW = 1.0f / float(atlas_.width), invH = 1.0f / float(atlas_.height);
  for (int i = 0; i < count; ++i) {
    const GlyphQuad& q = quads_[i];
    const float u0 = float(q.atlasX) * invW, v0 = float(q.atlasY) * invH;
    const float u1 = float(q.atlasX + (q.x1 - q.x0)) * invW;
    const float v1 = float(q.atlasY + (q.y1 - q.y0)) * invH;
    const float corners[16] = {float(q.x0), float(q.y0), u0, v0, float(q.x1), float(q.y0), u1, v0,
                               float(q.x0), float(q.y1), u0, v1, float(q.x1), float(q.y1), u1, v1};
    for (int c = 0; c < 16; ++c) vertices_[i * 16 + c] = corners[c];
  }
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(sizeof(float) * 16 * size_t(count)), vertices_);

  glUseProgram(program_);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, atlasTexture_);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glBlendEquation(GL_FUNC_ADD);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glBindVertexArray(vertexArray_);
  glDrawElements(GL_TRIANGLES, GLsizei(count * 6), GL_UNSIGNED_SHORT, nullptr);
}

}  // namespace ember::reference

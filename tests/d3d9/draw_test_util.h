// What the draw tests share: a device test with a tiny GL program of its own made current
// through Device::UseProgram, as an effect pass does, and coloured vertices for it.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/d3d9/gl.h"
#include "tests/support/device_test.h"

namespace ember::test {

// Clip-space position (Direct3D's: y up, z from 0 to 1) and a D3DCOLOR.
struct ColoredVertex {
  float x, y, z;
  uint32_t color;
};

const D3DVERTEXELEMENT9 kColoredElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    D3DDECL_END()};

// Passes the position through with the fix-ups gl_conventions.h asks of vertex shaders
// (negated y, z as 2z - w) and paints the vertex colour. The inputs are bound to the
// locations of POSITION0 (0) and COLOR0 (12) before linking.
inline GLuint MakeColorProgram() {
  const char* vertexSource = R"(#version 330 core
in vec3 position;
in vec4 color;
out vec4 tint;
void main() {
  gl_Position = vec4(position.x, -position.y, 2.0 * position.z - 1.0, 1.0);
  tint = color;
}
)";
  const char* fragmentSource = R"(#version 330 core
in vec4 tint;
out vec4 fragColor;
void main() { fragColor = tint; }
)";
  GLuint vertex = glCreateShader(GL_VERTEX_SHADER);
  glShaderSource(vertex, 1, &vertexSource, nullptr);
  glCompileShader(vertex);
  GLuint fragment = glCreateShader(GL_FRAGMENT_SHADER);
  glShaderSource(fragment, 1, &fragmentSource, nullptr);
  glCompileShader(fragment);
  GLuint program = glCreateProgram();
  glAttachShader(program, vertex);
  glAttachShader(program, fragment);
  glBindAttribLocation(program, 0, "position");
  glBindAttribLocation(program, 12, "color");
  glLinkProgram(program);
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  GLint linked = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  EXPECT_EQ(linked, GL_TRUE);
  return program;
}

class DrawTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    program_ = MakeColorProgram();
    Internal().UseProgram(program_, 0);
    ASSERT_EQ(device_->CreateVertexDeclaration(kColoredElements, &declaration_), D3D_OK);
  }

  void TearDown() override {
    Internal().UseProgram(0, 0);
    if (declaration_) declaration_->Release();
    glDeleteProgram(program_);
    DeviceTest::TearDown();
  }

  // A managed vertex buffer holding the vertices.
  IDirect3DVertexBuffer9* MakeVertices(const std::vector<ColoredVertex>& vertices) {
    IDirect3DVertexBuffer9* buffer = nullptr;
    const UINT bytes = UINT(vertices.size() * sizeof(ColoredVertex));
    EXPECT_EQ(device_->CreateVertexBuffer(bytes, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr), D3D_OK);
    if (!buffer) return nullptr;
    void* data = nullptr;
    EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, vertices.data(), bytes);
    EXPECT_EQ(buffer->Unlock(), D3D_OK);
    return buffer;
  }

  IDirect3DIndexBuffer9* MakeIndices(const std::vector<uint16_t>& indices) {
    IDirect3DIndexBuffer9* buffer = nullptr;
    const UINT bytes = UINT(indices.size() * 2);
    EXPECT_EQ(
        device_->CreateIndexBuffer(bytes, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &buffer, nullptr),
        D3D_OK);
    if (!buffer) return nullptr;
    void* data = nullptr;
    EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, indices.data(), bytes);
    EXPECT_EQ(buffer->Unlock(), D3D_OK);
    return buffer;
  }

  // Binds the declaration and the vertices as stream 0.
  void Bind(IDirect3DVertexBuffer9* vertices, IDirect3DIndexBuffer9* indices = nullptr) {
    ASSERT_EQ(device_->SetVertexDeclaration(declaration_), D3D_OK);
    ASSERT_EQ(device_->SetStreamSource(0, vertices, 0, sizeof(ColoredVertex)), D3D_OK);
    ASSERT_EQ(device_->SetIndices(indices), D3D_OK);
  }

  // The back buffer pixel under a clip-space point.
  static int PixelX(float x, int width) { return int((x + 1.0f) * 0.5f * float(width)); }
  static int PixelY(float y, int height) { return int((1.0f - y) * 0.5f * float(height)); }

  GLuint program_ = 0;
  IDirect3DVertexDeclaration9* declaration_ = nullptr;
};

}  // namespace ember::test

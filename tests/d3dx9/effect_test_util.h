// Helpers of the effect tests: effect files written on the fly, a volume texture over the
// device's texture core, and a draw of bare positions with the pass in progress.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/d3d9/texture_object.h"
#include "runtime/d3dx9/d3dx9effect.h"
#include "runtime/d3dx9/effect.h"
#include "tests/support/device_test.h"

namespace ember::test {

// The program's effect file, in the tree.
inline std::string FlameEffectPath() {
  return std::string(EMBER_SOURCE_DIR) + "/data/flame/Flame_OK.fx";
}

// A path as the Windows program writes it, with backslashes.
inline std::string WindowsPath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

inline std::string BufferText(ID3DXBuffer* buffer) {
  return buffer ? std::string(static_cast<const char*>(buffer->GetBufferPointer())) : std::string();
}

// A one-level managed L8 volume texture holding `texels` (x fastest, then y, then z).
class TestVolumeTexture : public d3d9::TextureObject<IDirect3DBaseTexture9> {
 public:
  static TestVolumeTexture* Create(d3d9::Device* device, UINT width, UINT height, UINT depth,
                                   const std::vector<uint8_t>& texels) {
    auto* volume = new TestVolumeTexture(device);
    if (FAILED(volume->core_.Init(true, width, height, depth, 1, 0, D3DFMT_L8, D3DPOOL_MANAGED))) {
      delete volume;
      return nullptr;
    }
    volume->core_.WriteLevel(0, texels.data(), width, size_t(width) * height);
    volume->TakeFirstReference();
    return volume;
  }
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_VOLUMETEXTURE; }

 private:
  explicit TestVolumeTexture(d3d9::Device* device) : TextureObject(device) {}
};

class EffectTest : public DeviceTest {
 protected:
  void TearDown() override {
    for (const std::string& path : written_) std::remove(path.c_str());
    DeviceTest::TearDown();
  }

  // Writes `text` to a scratch file; its path.
  std::string WriteEffect(const std::string& name, const std::string& text) {
    const std::string path = TempPath(name);
    EXPECT_TRUE(WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end())));
    written_.push_back(path);
    return path;
  }

  // Creates an effect as the program does; null, with the message in `errors`, on failure.
  ID3DXEffect* Load(const std::string& path, HRESULT* status = nullptr,
                    std::string* errors = nullptr) {
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* buffer = nullptr;
    const HRESULT result =
        D3DXCreateEffectFromFileA(device_, path.c_str(), nullptr, nullptr, D3DXSHADER_NO_PRESHADER,
                                  nullptr, &effect, &buffer);
    if (status) *status = result;
    if (errors) *errors = BufferText(buffer);
    if (buffer) buffer->Release();
    return effect;
  }

  static d3dx::Effect& Internal(ID3DXEffect* effect) { return *static_cast<d3dx::Effect*>(effect); }
  using DeviceTest::Internal;

  // Draws triangles of float3 positions with the program of the pass in progress, as the
  // device's draw path does: program, textures and samplers of its stages, and GL state set
  // through the device's cache (no blending or culling, depth tested when asked).
  void DrawPositions(ID3DXEffect* effect, const std::vector<float>& xyz, bool depthTest = false) {
    const d3dx::EffectPass* pass = Internal(effect).CurrentPass();
    ASSERT_NE(pass, nullptr);
    d3d9::Device& device = Internal();
    d3d9::GLStateCache& gl = device.GL();
    device.BindBackBuffer();
    gl.UseProgram(pass->program.Program());
    device.ApplyTextures(pass->stageMask);
    gl.Blend(false);
    gl.ColorMask(0xF);
    gl.Cull(0);
    gl.Scissor(false);
    gl.DepthTest(depthTest);
    gl.DepthFunc(GL_LESS);
    gl.DepthMask(false);
    GLuint vao = 0, buffer = 0;
    glGenVertexArrays(1, &vao);
    gl.BindVertexArray(vao);
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(xyz.size() * sizeof(float)), xyz.data(),
                 GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);  // POSITION's location
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 3 * sizeof(float), nullptr);
    glDrawArrays(GL_TRIANGLES, 0, GLsizei(xyz.size() / 3));
    gl.BindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDeleteBuffers(1, &buffer);
    glDeleteVertexArrays(1, &vao);
    // The device's own draws must set their state again.
    device.States().MarkAllDirty();
  }

  std::vector<std::string> written_;
};

}  // namespace ember::test

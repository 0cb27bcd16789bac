// What every texture kind shares: its levels, a GL texture object for the pools the GPU
// samples, and a copy of each level in memory for the pools that can be locked. A lock hands
// out that copy; the unlock uploads the locked region. S3TC textures are kept and uploaded as
// their 4x4 blocks: a lock covers whole blocks, and an unlock uploads the whole level.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/d3d9/d3d9types.h"
#include "runtime/d3d9/gl.h"

namespace ember::d3d9 {

class Device;
struct GLTextureFormat;

struct TextureBox {
  UINT left, top, front, right, bottom, back;
};

struct TextureLevel {
  UINT width, height, depth;
  UINT rows;  // of rowPitch bytes in a slice: the height, or the rows of 4x4 blocks
  size_t rowPitch, slicePitch;
  size_t offset;  // into the memory copy
};

class TextureCore {
 public:
  static constexpr UINT kMaxLevels = 15;  // a 16384 texel side has 15 levels
  static constexpr UINT kMaxSide = 16384;
  static constexpr uint64_t kMaxBytes = 512ull << 20;

  // Levels in a full chain down to 1x1x1.
  static UINT FullChainLength(UINT width, UINT height, UINT depth);

  explicit TextureCore(Device* device) : device_(device) {}
  ~TextureCore();
  TextureCore(const TextureCore&) = delete;
  TextureCore& operator=(const TextureCore&) = delete;

  // levels 0 means the full chain. Returns the status the device's Create call answers.
  HRESULT Init(bool volume, UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
               D3DFORMAT format, D3DPOOL pool);

  UINT LevelCount() const { return levelCount_; }
  const TextureLevel& Level(UINT level) const { return levels_[level]; }
  D3DFORMAT Format() const { return format_; }
  D3DPOOL Pool() const { return pool_; }
  DWORD Usage() const { return usage_; }
  GLenum Target() const { return target_; }
  // 0 for the system-memory and scratch pools, which the GPU never sees.
  GLuint Name() const { return name_; }
  bool Lockable() const { return !memory_.empty(); }

  // The box is within the level (null: all of it); bits point at its first texel.
  HRESULT Lock(UINT level, const TextureBox* box, DWORD flags, uint8_t** bits, size_t* rowPitch,
               size_t* slicePitch);
  HRESULT Unlock(UINT level);
  // Replaces a whole level, in any pool: the loaders fill textures this way.
  void WriteLevel(UINT level, const uint8_t* pixels, size_t rowPitch, size_t slicePitch);

 private:
  void CreateGLTexture();
  // Where the box's first texel (or block) lies in the memory copy.
  size_t OffsetOf(UINT level, const TextureBox& box) const;
  void Upload(UINT level, const TextureBox& box, const uint8_t* first, size_t rowPitch,
              size_t slicePitch);

  Device* device_;
  const GLTextureFormat* gl_ = nullptr;
  D3DFORMAT format_ = D3DFMT_UNKNOWN;
  D3DPOOL pool_ = D3DPOOL_MANAGED;
  DWORD usage_ = 0;
  GLenum target_ = GL_TEXTURE_2D;
  GLuint name_ = 0;
  UINT levelCount_ = 0;
  TextureLevel levels_[kMaxLevels] = {};
  TextureBox lockedBox_[kMaxLevels] = {};
  DWORD lockFlags_[kMaxLevels] = {};
  uint32_t lockedMask_ = 0;
  std::vector<uint8_t> memory_;
};

}  // namespace ember::d3d9

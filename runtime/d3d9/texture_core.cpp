#include "runtime/d3d9/texture_core.h"

#include <cstring>

#include "runtime/d3d9/device.h"
#include "runtime/d3d9/texture_format.h"

namespace ember::d3d9 {

namespace {

UINT Half(UINT side) { return side > 1 ? side / 2 : 1; }
UINT BlocksAcross(UINT side) { return (side + 3) / 4; }

// A lock of an S3TC level covers whole blocks: its edges on block edges or the level's edge.
bool OnBlocks(const TextureBox& box, const TextureLevel& level) {
  return box.left % 4 == 0 && box.top % 4 == 0 &&
         (box.right % 4 == 0 || box.right == level.width) &&
         (box.bottom % 4 == 0 || box.bottom == level.height);
}

bool BoxInside(const TextureBox& box, const TextureLevel& level) {
  return box.left < box.right && box.top < box.bottom && box.front < box.back &&
         box.right <= level.width && box.bottom <= level.height && box.back <= level.depth;
}

}  // namespace

UINT TextureCore::FullChainLength(UINT width, UINT height, UINT depth) {
  UINT largest = width > height ? width : height;
  if (depth > largest) largest = depth;
  UINT levels = 1;
  while (largest > 1) {
    largest /= 2;
    ++levels;
  }
  return levels;
}

HRESULT TextureCore::Init(bool volume, UINT width, UINT height, UINT depth, UINT levels,
                          DWORD usage, D3DFORMAT format, D3DPOOL pool) {
  gl_ = TextureFormatFor(format);
  if (!gl_ || (volume && gl_->blockBytes)) return D3DERR_INVALIDCALL;
  if (width == 0 || height == 0 || depth == 0 || width > kMaxSide || height > kMaxSide ||
      depth > kMaxSide || (!volume && depth != 1))
    return D3DERR_INVALIDCALL;
  if (pool > D3DPOOL_SCRATCH || (usage & ~DWORD(D3DUSAGE_DYNAMIC)) ||
      ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED))
    return D3DERR_INVALIDCALL;
  const UINT full = FullChainLength(width, height, depth);
  if (levels > full) return D3DERR_INVALIDCALL;
  levelCount_ = levels == 0 ? full : levels;
  format_ = format;
  pool_ = pool;
  usage_ = usage;
  target_ = volume ? GL_TEXTURE_3D : GL_TEXTURE_2D;

  uint64_t total = 0;
  UINT w = width, h = height, d = depth;
  for (UINT i = 0; i < levelCount_; ++i) {
    TextureLevel& level = levels_[i];
    level.width = w;
    level.height = h;
    level.depth = d;
    if (gl_->blockBytes) {
      level.rowPitch = size_t(BlocksAcross(w)) * gl_->blockBytes;
      level.rows = BlocksAcross(h);
    } else {
      level.rowPitch = size_t(w) * gl_->bytesPerPixel;
      level.rows = h;
    }
    level.slicePitch = level.rowPitch * level.rows;
    level.offset = size_t(total);
    total += uint64_t(level.slicePitch) * d;
    w = Half(w);
    h = Half(h);
    d = Half(d);
  }
  if (total > kMaxBytes) return D3DERR_OUTOFVIDEOMEMORY;

  // Direct3D locks the managed and memory pools, and dynamic textures in the default pool.
  const bool lockable = pool != D3DPOOL_DEFAULT || (usage & D3DUSAGE_DYNAMIC);
  if (lockable) memory_.assign(size_t(total), 0);
  if (pool == D3DPOOL_DEFAULT || pool == D3DPOOL_MANAGED) CreateGLTexture();
  return D3D_OK;
}

TextureCore::~TextureCore() {
  if (!name_) return;
  device_->Textures().Units().Forget(name_);
  glDeleteTextures(1, &name_);
}

void TextureCore::CreateGLTexture() {
  glGenTextures(1, &name_);
  device_->Textures().Units().BindForWork(target_, name_);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (UINT i = 0; i < levelCount_; ++i) {
    const TextureLevel& level = levels_[i];
    const void* data = memory_.empty() ? nullptr : memory_.data() + level.offset;
    if (gl_->blockBytes)
      glCompressedTexImage2D(target_, GLint(i), GLenum(gl_->internalFormat), GLsizei(level.width),
                             GLsizei(level.height), 0, GLsizei(level.slicePitch), data);
    else if (target_ == GL_TEXTURE_3D)
      glTexImage3D(target_, GLint(i), gl_->internalFormat, GLsizei(level.width),
                   GLsizei(level.height), GLsizei(level.depth), 0, gl_->format, gl_->type, data);
    else
      glTexImage2D(target_, GLint(i), gl_->internalFormat, GLsizei(level.width),
                   GLsizei(level.height), 0, gl_->format, gl_->type, data);
  }
  glTexParameteri(target_, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(target_, GL_TEXTURE_MAX_LEVEL, GLint(levelCount_ - 1));
  glTexParameteriv(target_, GL_TEXTURE_SWIZZLE_RGBA, gl_->swizzle);
}

HRESULT TextureCore::Lock(UINT level, const TextureBox* box, DWORD flags, uint8_t** bits,
                          size_t* rowPitch, size_t* slicePitch) {
  if (level >= levelCount_ || !bits || !Lockable() || (lockedMask_ & (1u << level)))
    return D3DERR_INVALIDCALL;
  const TextureLevel& info = levels_[level];
  TextureBox whole{0, 0, 0, info.width, info.height, info.depth};
  if (box && (!BoxInside(*box, info) || (gl_->blockBytes && !OnBlocks(*box, info))))
    return D3DERR_INVALIDCALL;
  const TextureBox& locked = box ? *box : whole;
  lockedBox_[level] = locked;
  lockFlags_[level] = flags;
  lockedMask_ |= 1u << level;
  *bits = memory_.data() + OffsetOf(level, locked);
  if (rowPitch) *rowPitch = info.rowPitch;
  if (slicePitch) *slicePitch = info.slicePitch;
  return D3D_OK;
}

HRESULT TextureCore::Unlock(UINT level) {
  if (level >= levelCount_ || !(lockedMask_ & (1u << level))) return D3DERR_INVALIDCALL;
  lockedMask_ &= ~(1u << level);
  if ((lockFlags_[level] & D3DLOCK_READONLY) || !name_) return D3D_OK;
  const TextureLevel& info = levels_[level];
  // The driver takes blocks only as a tightly packed region: the whole level, then.
  const TextureBox whole{0, 0, 0, info.width, info.height, info.depth};
  const TextureBox& box = gl_->blockBytes ? whole : lockedBox_[level];
  Upload(level, box, memory_.data() + OffsetOf(level, box), info.rowPitch, info.slicePitch);
  return D3D_OK;
}

size_t TextureCore::OffsetOf(UINT level, const TextureBox& box) const {
  const TextureLevel& info = levels_[level];
  const size_t across = gl_->blockBytes ? size_t(box.left / 4) * gl_->blockBytes
                                        : size_t(box.left) * gl_->bytesPerPixel;
  const size_t down = gl_->blockBytes ? box.top / 4 : box.top;
  return info.offset + box.front * info.slicePitch + down * info.rowPitch + across;
}

void TextureCore::WriteLevel(UINT level, const uint8_t* pixels, size_t rowPitch,
                             size_t slicePitch) {
  const TextureLevel& info = levels_[level];
  const TextureBox whole{0, 0, 0, info.width, info.height, info.depth};
  if (memory_.empty()) {
    if (name_) Upload(level, whole, pixels, rowPitch, slicePitch);
    return;
  }
  uint8_t* out = memory_.data() + info.offset;
  for (UINT z = 0; z < info.depth; ++z)
    for (UINT y = 0; y < info.rows; ++y)
      std::memcpy(out + z * info.slicePitch + y * info.rowPitch,
                  pixels + z * slicePitch + y * rowPitch, info.rowPitch);
  if (name_) Upload(level, whole, out, info.rowPitch, info.slicePitch);
}

void TextureCore::Upload(UINT level, const TextureBox& box, const uint8_t* first, size_t rowPitch,
                         size_t slicePitch) {
  device_->Textures().Units().BindForWork(target_, name_);
  if (gl_->blockBytes) {  // a whole level, tightly packed
    glCompressedTexSubImage2D(target_, GLint(level), 0, 0, GLsizei(box.right), GLsizei(box.bottom),
                              GLenum(gl_->internalFormat), GLsizei(slicePitch), first);
    return;
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(rowPitch / gl_->bytesPerPixel));
  glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, GLint(slicePitch / rowPitch));
  const GLsizei w = GLsizei(box.right - box.left), h = GLsizei(box.bottom - box.top);
  if (target_ == GL_TEXTURE_3D)
    glTexSubImage3D(target_, GLint(level), GLint(box.left), GLint(box.top), GLint(box.front), w, h,
                    GLsizei(box.back - box.front), gl_->format, gl_->type, first);
  else
    glTexSubImage2D(target_, GLint(level), GLint(box.left), GLint(box.top), w, h, gl_->format,
                    gl_->type, first);
  // Other uploads in the runtime assume tightly packed rows.
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, 0);
}

}  // namespace ember::d3d9

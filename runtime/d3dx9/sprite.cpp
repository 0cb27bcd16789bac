// ID3DXSprite over the device's screen quads. Draw transforms a quad's corners on the CPU into a
// batch of fixed size; a change of texture, a full batch, Flush and End draw the batch.
#include "runtime/d3d9/device.h"
#include "runtime/d3d9/device_child.h"
#include "runtime/d3dx9/d3dx9sprite.h"
#include "runtime/d3dx9/picture.h"

namespace ember::d3dx {

namespace {

// The stage 0 sampler states a sprite sets: D3DX filters sprites linearly and clamps them.
struct SamplerSetting {
  D3DSAMPLERSTATETYPE type;
  DWORD value;
};
constexpr SamplerSetting kSpriteSampler[] = {{D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP},
                                             {D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP},
                                             {D3DSAMP_MAGFILTER, D3DTEXF_LINEAR},
                                             {D3DSAMP_MINFILTER, D3DTEXF_LINEAR},
                                             {D3DSAMP_MIPFILTER, D3DTEXF_LINEAR},
                                             {D3DSAMP_MAXMIPLEVEL, 0},
                                             {D3DSAMP_MIPMAPLODBIAS, 0}};
constexpr int kSamplerStateCount = sizeof kSpriteSampler / sizeof kSpriteSampler[0];

// What this runtime draws: screen-space sprites in the order given.
constexpr DWORD kSupportedFlags = D3DXSPRITE_DONOTSAVESTATE | D3DXSPRITE_ALPHABLEND |
                                  D3DXSPRITE_SORT_TEXTURE | D3DXSPRITE_DO_NOT_ADDREF_TEXTURE;
constexpr DWORD kKnownFlags = 0x1FF;

constexpr int kMaxQuads = d3d9::ScreenQuads::kMaxQuads;

class Sprite : public d3d9::DeviceChild<ID3DXSprite> {
 public:
  explicit Sprite(d3d9::Device* device) : DeviceChild(device) {
    TakeFirstReference();
    D3DXMatrixIdentity(&transform_);
  }
  ~Sprite() override {
    if (begun_) RestoreState();
  }

  HRESULT GetTransform(D3DXMATRIX* transform) override {
    if (!transform) return D3DERR_INVALIDCALL;
    *transform = transform_;
    return D3D_OK;
  }

  HRESULT SetTransform(const D3DXMATRIX* transform) override {
    if (!transform) return D3DERR_INVALIDCALL;
    transform_ = *transform;
    return D3D_OK;
  }

  HRESULT Begin(DWORD flags) override {
    if (begun_ || (flags & ~kKnownFlags)) return D3DERR_INVALIDCALL;
    if (flags & ~kSupportedFlags) return E_NOTIMPL;
    flags_ = flags;
    SaveState();
    for (int i = 0; i < kSamplerStateCount; ++i)
      OwnerDevice()->SetSamplerState(0, kSpriteSampler[i].type, kSpriteSampler[i].value);
    begun_ = true;
    return D3D_OK;
  }

  HRESULT Draw(IDirect3DTexture9* texture, const RECT* srcRect, const D3DXVECTOR3* center,
               const D3DXVECTOR3* position, D3DCOLOR color) override {
    D3DSURFACE_DESC desc{};
    if (!begun_ || !texture || FAILED(texture->GetLevelDesc(0, &desc))) return D3DERR_INVALIDCALL;
    if (texture != texture_) {
      DrawBatch();
      if (FAILED(OwnerDevice()->SetTexture(0, texture))) return D3DERR_INVALIDCALL;
      texture_ = texture;
    }
    if (quads_ == kMaxQuads) DrawBatch();

    const RECT r = srcRect ? *srcRect : RECT{0, 0, LONG(desc.Width), LONG(desc.Height)};
    const D3DXVECTOR3 c = center ? *center : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 p = position ? *position : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    const float w = float(r.right - r.left), h = float(r.bottom - r.top);
    const float texW = float(desc.Width), texH = float(desc.Height);
    d3d9::ScreenVertex* v = batch_ + quads_ * 4;
    for (int corner = 0; corner < 4; ++corner) {
      const float cx = (corner & 1) ? w : 0.0f, cy = (corner & 2) ? h : 0.0f;
      Place(v[corner], cx - c.x + p.x, cy - c.y + p.y, p.z - c.z);
      v[corner].u = (float(r.left) + cx) / texW;
      v[corner].v = (float(r.top) + cy) / texH;
      v[corner].color = color;
    }
    ++quads_;
    return D3D_OK;
  }

  HRESULT Flush() override {
    if (!begun_) return D3DERR_INVALIDCALL;
    DrawBatch();
    return D3D_OK;
  }

  HRESULT End() override {
    if (!begun_) return D3DERR_INVALIDCALL;
    DrawBatch();
    RestoreState();
    begun_ = false;
    return D3D_OK;
  }

  // Nothing of a sprite lives in memory a lost device would take away.
  HRESULT OnLostDevice() override { return D3D_OK; }
  HRESULT OnResetDevice() override { return D3D_OK; }

 private:
  // Row vector times the sprite transform.
  void Place(d3d9::ScreenVertex& out, float x, float y, float z) const {
    const D3DXMATRIX& m = transform_;
    float tx = x * m._11 + y * m._21 + z * m._31 + m._41;
    float ty = x * m._12 + y * m._22 + z * m._32 + m._42;
    float tz = x * m._13 + y * m._23 + z * m._33 + m._43;
    const float tw = x * m._14 + y * m._24 + z * m._34 + m._44;
    if (tw != 0.0f && tw != 1.0f) {
      tx /= tw;
      ty /= tw;
      tz /= tw;
    }
    out.x = tx;
    out.y = ty;
    out.z = tz;
  }

  void DrawBatch() {
    OwnerDevice()->DrawScreenQuads(batch_, quads_, (flags_ & D3DXSPRITE_ALPHABLEND) != 0);
    quads_ = 0;
  }

  void SaveState() {
    if (flags_ & D3DXSPRITE_DONOTSAVESTATE) return;
    OwnerDevice()->GetTexture(0, &savedTexture_);
    for (int i = 0; i < kSamplerStateCount; ++i)
      OwnerDevice()->GetSamplerState(0, kSpriteSampler[i].type, &savedSampler_[i]);
  }

  void RestoreState() {
    texture_ = nullptr;
    quads_ = 0;
    if (flags_ & D3DXSPRITE_DONOTSAVESTATE) return;
    OwnerDevice()->SetTexture(0, savedTexture_);
    if (savedTexture_) savedTexture_->Release();
    savedTexture_ = nullptr;
    for (int i = 0; i < kSamplerStateCount; ++i)
      OwnerDevice()->SetSamplerState(0, kSpriteSampler[i].type, savedSampler_[i]);
  }

  D3DXMATRIX transform_;
  DWORD flags_ = 0;
  bool begun_ = false;
  IDirect3DTexture9* texture_ = nullptr;  // the batch's; stage 0 holds it meanwhile
  int quads_ = 0;
  d3d9::ScreenVertex batch_[kMaxQuads * 4];
  IDirect3DBaseTexture9* savedTexture_ = nullptr;
  DWORD savedSampler_[kSamplerStateCount] = {};
};

}  // namespace

}  // namespace ember::d3dx

HRESULT WINAPI D3DXCreateSprite(IDirect3DDevice9* device, ID3DXSprite** sprite) {
  if (!device || !sprite) return D3DERR_INVALIDCALL;
  *sprite = nullptr;
  auto* ours = dynamic_cast<ember::d3d9::Device*>(device);
  if (!ours) return D3DERR_INVALIDCALL;
  if (!ours->PrepareScreenQuads()) return E_FAIL;
  auto* created = new ember::d3dx::Sprite(ours);
  *sprite = created;
  return D3D_OK;
}

// ID3DXFont: the face found by name, its glyphs in one atlas texture, DrawTextA's quads drawn
// through the device's screen quads.
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/d3d9/device.h"
#include "runtime/d3d9/device_child.h"
#include "runtime/d3dx9/d3dx9font.h"
#include "runtime/glyphs/atlas.h"
#include "runtime/glyphs/font_finder.h"
#include "runtime/glyphs/text_layout.h"

namespace ember::d3dx {

namespace {

class Font : public d3d9::DeviceChild<ID3DXFont> {
 public:
  explicit Font(d3d9::Device* device) : DeviceChild(device) { TakeFirstReference(); }
  ~Font() override {
    if (atlasTexture_) atlasTexture_->Release();
  }

  HRESULT Init(INT height, UINT weight, BOOL italic, LPCSTR faceName) {
    std::string path, family, error;
    int faceIndex = 0;
    if (!FindFontFile(faceName, int(weight), italic != FALSE, path, faceIndex, family, error) ||
        !BuildGlyphAtlas(path, faceIndex, height, int(weight), atlas_, error)) {
      Report(error);
      return D3DERR_NOTAVAILABLE;
    }
    if (!OwnerDevice()->PrepareScreenQuads()) return D3DERR_NOTAVAILABLE;
    return UploadAtlas();
  }

  INT DrawTextA(ID3DXSprite*, LPCSTR text, INT count, LPRECT rect, DWORD format,
                D3DCOLOR color) override {
    if (!text || !rect) return 0;
    // Left and top alignment without clipping is what is laid out; other formats draw the
    // same way.
    int quadCount = 0;
    int height =
        LayoutText(atlas_, text, count, rect->left, rect->top, quads_, kMaxQuads, &quadCount);
    if (format & DT_CALCRECT) return height;
    int drawn = quadCount < kMaxQuads ? quadCount : kMaxQuads;
    Draw(drawn, color);
    return height;
  }

  HRESULT OnLostDevice() override { return D3D_OK; }
  HRESULT OnResetDevice() override { return D3D_OK; }

 private:
  static constexpr int kMaxQuads = 512;

  void Report(const std::string& error) {
    std::string line = "D3DXCreateFont: " + error + "\n";
    OutputDebugStringA(line.c_str());
  }

  HRESULT UploadAtlas() {
    // White glyphs with the coverage as alpha, so the vertex colour tints them.
    HRESULT hr =
        OwnerDevice()->CreateTexture(UINT(atlas_.width), UINT(atlas_.height), 1, 0, D3DFMT_A8R8G8B8,
                                     D3DPOOL_MANAGED, &atlasTexture_, nullptr);
    if (FAILED(hr)) return hr;
    D3DLOCKED_RECT locked{};
    hr = atlasTexture_->LockRect(0, &locked, nullptr, 0);
    if (FAILED(hr)) return hr;
    for (int y = 0; y < atlas_.height; ++y) {
      uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) +
                                                  size_t(y) * size_t(locked.Pitch));
      const uint8_t* coverage = atlas_.coverage.data() + size_t(y) * size_t(atlas_.width);
      for (int x = 0; x < atlas_.width; ++x) row[x] = (uint32_t(coverage[x]) << 24) | 0x00FFFFFFu;
    }
    return atlasTexture_->UnlockRect(0);
  }

  void Draw(int quadCount, D3DCOLOR color) {
    if (quadCount == 0) return;
    const float invW = 1.0f / float(atlas_.width), invH = 1.0f / float(atlas_.height);
    for (int i = 0; i < quadCount; ++i) {
      const GlyphQuad& q = quads_[i];
      float u0 = float(q.atlasX) * invW, v0 = float(q.atlasY) * invH;
      float u1 = float(q.atlasX + (q.x1 - q.x0)) * invW;
      float v1 = float(q.atlasY + (q.y1 - q.y0)) * invH;
      d3d9::ScreenVertex* v = vertices_ + i * 4;
      v[0] = d3d9::ScreenVertex{float(q.x0), float(q.y0), 0.0f, u0, v0, color};
      v[1] = d3d9::ScreenVertex{float(q.x1), float(q.y0), 0.0f, u1, v0, color};
      v[2] = d3d9::ScreenVertex{float(q.x0), float(q.y1), 0.0f, u0, v1, color};
      v[3] = d3d9::ScreenVertex{float(q.x1), float(q.y1), 0.0f, u1, v1, color};
    }
    d3d9::Device& device = *OwnerDevice();
    IDirect3DBaseTexture9* saved = nullptr;
    device.GetTexture(0, &saved);
    device.SetTexture(0, atlasTexture_);
    for (int first = 0; first < quadCount; first += d3d9::ScreenQuads::kMaxQuads) {
      int n = quadCount - first < d3d9::ScreenQuads::kMaxQuads ? quadCount - first
                                                               : d3d9::ScreenQuads::kMaxQuads;
      device.DrawScreenQuads(vertices_ + first * 4, n, true);
    }
    device.SetTexture(0, saved);
    if (saved) saved->Release();
  }

  GlyphAtlas atlas_;
  IDirect3DTexture9* atlasTexture_ = nullptr;
  GlyphQuad quads_[kMaxQuads];
  d3d9::ScreenVertex vertices_[kMaxQuads * 4];
};

}  // namespace

}  // namespace ember::d3dx

HRESULT WINAPI D3DXCreateFontA(IDirect3DDevice9* device, INT height, UINT, UINT weight, UINT,
                               BOOL italic, DWORD, DWORD, DWORD, DWORD, LPCSTR faceName,
                               ID3DXFont** font) {
  if (!device || !font) return D3DERR_INVALIDCALL;
  *font = nullptr;
  auto* ours = dynamic_cast<ember::d3d9::Device*>(device);
  if (!ours) return D3DERR_INVALIDCALL;
  auto* created = new ember::d3dx::Font(ours);
  HRESULT hr = created->Init(height, weight, italic, faceName);
  if (FAILED(hr)) {
    created->Release();
    return hr;
  }
  *font = created;
  return D3D_OK;
}

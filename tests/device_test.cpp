#include <gtest/gtest.h>

#include "runtime/d3d9/gl_state_cache.h"
#include "tests/support/device_fixture.h"

namespace {

using ember::test::DeviceFixture;

TEST(Device, ClearedBackBufferReadsBackWithTheTopLeftOrigin) {
  DeviceFixture f;
  ASSERT_EQ(f.createStatus, D3D_OK);
  ASSERT_EQ(f.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0),
            D3D_OK);
  D3DRECT topLeft{0, 0, 10, 5};
  ASSERT_EQ(f.device->Clear(1, &topLeft, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
  EXPECT_EQ(f.BackBufferPixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(f.BackBufferPixel(9, 4), 0xFFFF0000u);
  EXPECT_EQ(f.BackBufferPixel(10, 0), 0xFF0000FFu);
  EXPECT_EQ(f.BackBufferPixel(0, 5), 0xFF0000FFu);
  EXPECT_EQ(f.BackBufferPixel(1023, 767), 0xFF0000FFu);
}

TEST(Device, PresentKeepsTheBackBufferAndAdvancesTheFrame) {
  DeviceFixture f;
  ASSERT_EQ(f.createStatus, D3D_OK);
  f.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0);
  int before = f.env.host.PresentCount();
  EXPECT_EQ(f.device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_EQ(f.env.host.PresentCount(), before + 1);
  EXPECT_EQ(f.BackBufferPixel(500, 400), 0xFF102030u);  // the copy swap effect
}

TEST(Device, SceneBracketsAndArgumentsAreChecked) {
  DeviceFixture f;
  ASSERT_EQ(f.createStatus, D3D_OK);
  EXPECT_EQ(f.device->EndScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(f.device->BeginScene(), D3D_OK);
  EXPECT_EQ(f.device->BeginScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(f.device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(f.device->EndScene(), D3D_OK);
  EXPECT_EQ(f.device->Clear(0, nullptr, 0, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(f.device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(f.device->SetRenderState(D3DRENDERSTATETYPE(0), 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(f.device->SetSamplerState(16, D3DSAMP_MINFILTER, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(f.device->SetTransform(D3DTRANSFORMSTATETYPE(1), nullptr), D3DERR_INVALIDCALL);
  IDirect3DSurface9* s = nullptr;
  EXPECT_EQ(f.device->GetBackBuffer(1, 0, D3DBACKBUFFER_TYPE_MONO, &s), D3DERR_INVALIDCALL);
}

TEST(Device, StatesAndTransformsReadBackWhatWasSet) {
  DeviceFixture f;
  ASSERT_EQ(f.createStatus, D3D_OK);
  DWORD v = 0;
  f.device->GetRenderState(D3DRS_CULLMODE, &v);
  EXPECT_EQ(v, DWORD(D3DCULL_CCW));  // the documented default
  f.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  f.device->GetRenderState(D3DRS_CULLMODE, &v);
  EXPECT_EQ(v, DWORD(D3DCULL_NONE));
  f.device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
  f.device->GetSamplerState(0, D3DSAMP_MIPFILTER, &v);
  EXPECT_EQ(v, DWORD(D3DTEXF_LINEAR));
  D3DMATRIX m{}, back{};
  m._11 = 2.0f;
  m._43 = 7.0f;
  f.device->SetTransform(D3DTS_PROJECTION, &m);
  f.device->GetTransform(D3DTS_PROJECTION, &back);
  EXPECT_EQ(back._11, 2.0f);
  EXPECT_EQ(back._43, 7.0f);
  f.device->GetTransform(D3DTS_WORLD, &back);
  EXPECT_EQ(back._11, 1.0f);  // identity until set
}

TEST(Device, CapabilitiesAreThoseOfAGL33CoreContext) {
  DeviceFixture f;
  ASSERT_EQ(f.createStatus, D3D_OK);
  D3DCAPS9 caps{};
  ASSERT_EQ(f.d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
  EXPECT_TRUE(caps.StencilCaps & D3DSTENCILCAPS_TWOSIDED);
  EXPECT_EQ(caps.PixelShaderVersion, D3DPS_VERSION(3, 0));
  EXPECT_GE(caps.MaxTextureWidth, 2048u);
  D3DDEVICE_CREATION_PARAMETERS cp{};
  f.device->GetCreationParameters(&cp);
  EXPECT_EQ(cp.DeviceType, D3DDEVTYPE_HAL);
  EXPECT_EQ(cp.hFocusWindow, f.window);
  EXPECT_NE(f.env.DebugText().find("Direct3D9: HAL device, video driver"), std::string::npos);
  // The scripted host gives no screen pixels: the line says how screenshots are made instead.
  EXPECT_NE(f.env.DebugText().find(", screenshots composed from our own frames"),
            std::string::npos);
}

TEST(Device, ReferencesKeepTheDeviceAliveUntilTheLastRelease) {
  DeviceFixture f;
  ASSERT_EQ(f.createStatus, D3D_OK);
  IDirect3DSurface9* back = nullptr;
  ASSERT_EQ(f.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  IDirect3D9* d3d = nullptr;
  ASSERT_EQ(f.device->GetDirect3D(&d3d), D3D_OK);
  EXPECT_EQ(d3d, f.d3d);
  EXPECT_EQ(d3d->Release(), 2u);       // the fixture's and the device's
  EXPECT_EQ(f.device->Release(), 1u);  // the back buffer still holds it
  D3DSURFACE_DESC desc{};
  EXPECT_EQ(back->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Width, 1024u);
  EXPECT_EQ(back->Release(), 0u);
  f.device = nullptr;
}

TEST(Device, CreationRefusesBadParameters) {
  DeviceFixture f;
  D3DPRESENT_PARAMETERS pp{};
  pp.Windowed = TRUE;
  pp.SwapEffect = D3DSWAPEFFECT_COPY;
  IDirect3DDevice9* d = nullptr;
  EXPECT_EQ(f.d3d->CreateDevice(0, D3DDEVTYPE_HAL, f.window, 0, &pp, &d), D3DERR_INVALIDCALL);
  EXPECT_EQ(
      f.d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &d),
      D3DERR_INVALIDCALL);
  EXPECT_EQ(d, nullptr);
  EXPECT_EQ(Direct3DCreate9(31), nullptr);
}

TEST(GLStateCache, RepeatedSettersMakeNoGLCall) {
  DeviceFixture f;
  ASSERT_EQ(f.createStatus, D3D_OK);
  ember::d3d9::GLStateCache cache;
  cache.Blend(true);
  cache.BlendFunc(GL_ONE, GL_ONE, GL_ONE, GL_ONE);
  unsigned long calls = cache.CallCount();
  cache.Blend(true);
  cache.BlendFunc(GL_ONE, GL_ONE, GL_ONE, GL_ONE);
  EXPECT_EQ(cache.CallCount(), calls);
  cache.Blend(false);
  EXPECT_EQ(cache.CallCount(), calls + 1);
  cache.Reset();
  cache.Blend(false);
  EXPECT_EQ(cache.CallCount(), 1u);
}

}  // namespace

#include <gtest/gtest.h>

#include "runtime/d3d9/gl_state_cache.h"
#include "tests/support/device_test.h"

namespace {

using ember::test::DeviceTest;

TEST_F(DeviceTest, ClearedBackBufferReadsBackWithTheTopLeftOrigin) {
  ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0),
            D3D_OK);
  D3DRECT topLeft{0, 0, 10, 5};
  ASSERT_EQ(device_->Clear(1, &topLeft, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
  EXPECT_EQ(BackBufferPixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(BackBufferPixel(9, 4), 0xFFFF0000u);
  EXPECT_EQ(BackBufferPixel(10, 0), 0xFF0000FFu);
  EXPECT_EQ(BackBufferPixel(0, 5), 0xFF0000FFu);
  EXPECT_EQ(BackBufferPixel(1023, 767), 0xFF0000FFu);
}

TEST_F(DeviceTest, PresentKeepsTheBackBufferAndAdvancesTheFrame) {
  Start(1024, 768, D3DSWAPEFFECT_COPY);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0);
  int before = host_.PresentCount();
  EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_EQ(host_.PresentCount(), before + 1);
  EXPECT_EQ(BackBufferPixel(500, 400), 0xFF102030u);  // the copy swap effect
}

TEST_F(DeviceTest, TheWindowUnderneathTakesTheClientSizeSoPresentsAreOneToOne) {
  int w = 0, h = 0;
  host_.DrawableSize(w, h);
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 768);
  // Moved and resized as the program sizes its window: the drawable follows the client area.
  MoveWindow(window_, 20, 30, 816, 639, TRUE);
  const ember::host::Rect client = host_.ClientRect();
  host_.DrawableSize(w, h);
  EXPECT_EQ(w, client.w);
  EXPECT_EQ(h, client.h);
  EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(DeviceTest, SceneBracketsAndArgumentsAreChecked) {
  EXPECT_EQ(device_->EndScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->BeginScene(), D3D_OK);
  EXPECT_EQ(device_->BeginScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->EndScene(), D3D_OK);
  EXPECT_EQ(device_->Clear(0, nullptr, 0, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetRenderState(D3DRENDERSTATETYPE(0), 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetSamplerState(16, D3DSAMP_MINFILTER, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetTransform(D3DTRANSFORMSTATETYPE(1), nullptr), D3DERR_INVALIDCALL);
  IDirect3DSurface9* s = nullptr;
  EXPECT_EQ(device_->GetBackBuffer(1, 0, D3DBACKBUFFER_TYPE_MONO, &s), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, StatesAndTransformsReadBackWhatWasSet) {
  DWORD v = 0;
  device_->GetRenderState(D3DRS_CULLMODE, &v);
  EXPECT_EQ(v, DWORD(D3DCULL_CCW));  // the documented default
  device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device_->GetRenderState(D3DRS_CULLMODE, &v);
  EXPECT_EQ(v, DWORD(D3DCULL_NONE));
  device_->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
  device_->GetSamplerState(0, D3DSAMP_MIPFILTER, &v);
  EXPECT_EQ(v, DWORD(D3DTEXF_LINEAR));
  D3DMATRIX m{}, back{};
  m._11 = 2.0f;
  m._43 = 7.0f;
  device_->SetTransform(D3DTS_PROJECTION, &m);
  device_->GetTransform(D3DTS_PROJECTION, &back);
  EXPECT_EQ(back._11, 2.0f);
  EXPECT_EQ(back._43, 7.0f);
  device_->GetTransform(D3DTS_WORLD, &back);
  EXPECT_EQ(back._11, 1.0f);  // identity until set
}

TEST_F(DeviceTest, CapabilitiesAreThoseOfAGL33CoreContext) {
  CaptureDebugOutput();
  Start(1024, 768);
  D3DCAPS9 caps{};
  ASSERT_EQ(d3d_->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
  EXPECT_TRUE(caps.StencilCaps & D3DSTENCILCAPS_TWOSIDED);
  EXPECT_EQ(caps.PixelShaderVersion, D3DPS_VERSION(3, 0));
  EXPECT_GE(caps.MaxTextureWidth, 2048u);
  D3DDEVICE_CREATION_PARAMETERS cp{};
  device_->GetCreationParameters(&cp);
  EXPECT_EQ(cp.DeviceType, D3DDEVTYPE_HAL);
  EXPECT_EQ(cp.hFocusWindow, window_);
  EXPECT_NE(DebugText().find("Direct3D9: HAL device, video driver"), std::string::npos);
  // The scripted host gives no screen pixels: the line says how screenshots are made instead.
  EXPECT_NE(DebugText().find(", screenshots composed from our own frames"), std::string::npos);
}

TEST_F(DeviceTest, ReferencesKeepTheDeviceAliveUntilTheLastRelease) {
  IDirect3DSurface9* back = nullptr;
  ASSERT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  IDirect3D9* d3d = nullptr;
  ASSERT_EQ(device_->GetDirect3D(&d3d), D3D_OK);
  EXPECT_EQ(d3d, d3d_);
  EXPECT_EQ(d3d->Release(), 2u);      // the fixture's and the device's
  EXPECT_EQ(device_->Release(), 1u);  // the back buffer still holds it
  D3DSURFACE_DESC desc{};
  EXPECT_EQ(back->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Width, 1024u);
  EXPECT_EQ(back->Release(), 0u);
  device_ = nullptr;
}

TEST_F(DeviceTest, AnEventQueryTellsWhenTheWorkBeforeItIsDone) {
  EXPECT_EQ(device_->CreateQuery(D3DQUERYTYPE_EVENT, nullptr), D3D_OK);
  EXPECT_EQ(device_->CreateQuery(D3DQUERYTYPE_OCCLUSION, nullptr), D3DERR_NOTAVAILABLE);
  IDirect3DQuery9* timestamp = nullptr;
  EXPECT_EQ(device_->CreateQuery(D3DQUERYTYPE_TIMESTAMP, &timestamp), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(timestamp, nullptr);

  IDirect3DQuery9* query = nullptr;
  ASSERT_EQ(device_->CreateQuery(D3DQUERYTYPE_EVENT, &query), D3D_OK);
  EXPECT_EQ(query->GetType(), D3DQUERYTYPE_EVENT);
  EXPECT_EQ(query->GetDataSize(), sizeof(BOOL));
  BOOL done = FALSE;
  EXPECT_EQ(query->GetData(&done, sizeof done, 0), S_OK);  // never issued: nothing to wait for
  EXPECT_EQ(query->Issue(D3DISSUE_BEGIN), D3DERR_INVALIDCALL);
  EXPECT_EQ(query->GetData(nullptr, sizeof done, 0), D3DERR_INVALIDCALL);

  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF405060, 1.0f, 0);
  ASSERT_EQ(query->Issue(D3DISSUE_END), D3D_OK);
  done = FALSE;
  HRESULT status = S_FALSE;
  // With the flush the result must come; a generous bound keeps a broken fence from hanging.
  for (int polls = 0; polls < 10000000 && status == S_FALSE; ++polls)
    status = query->GetData(&done, sizeof done, D3DGETDATA_FLUSH);
  EXPECT_EQ(status, S_OK);
  EXPECT_EQ(done, TRUE);
  EXPECT_EQ(query->GetData(nullptr, 0, 0), S_OK);  // polling without data

  IDirect3DDevice9* owner = nullptr;
  ASSERT_EQ(query->GetDevice(&owner), D3D_OK);
  EXPECT_EQ(owner, device_);
  owner->Release();
  EXPECT_EQ(query->Release(), 0u);
}

TEST_F(DeviceTest, CreationRefusesBadParameters) {
  D3DPRESENT_PARAMETERS pp{};
  pp.Windowed = TRUE;
  pp.SwapEffect = D3DSWAPEFFECT_COPY;
  IDirect3DDevice9* d = nullptr;
  EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, window_, 0, &pp, &d), D3DERR_INVALIDCALL);
  EXPECT_EQ(
      d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &d),
      D3DERR_INVALIDCALL);
  EXPECT_EQ(d, nullptr);
  EXPECT_EQ(Direct3DCreate9(31), nullptr);
}

TEST_F(DeviceTest, GLStateCacheRepeatedSettersMakeNoGLCall) {
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

namespace {

// The watch that fails every device test on a GL error sees one and says what it was.
TEST_F(DeviceTest, AGLErrorIsCountedAndWritten) {
  CaptureDebugOutput();
  Start(1024, 768);
  const unsigned long before = ember::d3d9::GLErrorCount();
  glEnable(GLenum(0xFFFF));
  // A context without KHR_debug shows the error at the next Present.
  EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_EQ(ember::d3d9::GLErrorCount(), before + 1);
  EXPECT_NE(DebugText().find("Direct3D9: GL error: "), std::string::npos) << DebugText();
  glErrorsAtStart_ = ember::d3d9::GLErrorCount();  // this one was made on purpose
}

}  // namespace

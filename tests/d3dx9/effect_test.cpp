// The effect runtime: creation and its messages, parameters by name and handle, techniques,
// and what Begin, BeginPass and End do to the device's states.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "runtime/win32/win32_internal.h"
#include "tests/d3dx9/effect_test_util.h"
#include "tests/support/allocation_counter.h"

namespace ember::test {
namespace {

// The program's parameter values.
const float kNoiseScale[3] = {0.5f, 0.5f, 0.5f};
const float kNoiseAnim[3] = {0.4f, -1.9f, 0.8f};
const float kFlameColor[4] = {0.4f, 0.3f, 0.3f, 1.0f};
const float kFlameScale[3] = {0.25f, -0.18f, 0.22f};
const float kFlameTrans[3] = {0.0f, -0.1f, 0.0f};

class FlameEffectTest : public EffectTest {
 protected:
  void SetUp() override {
    EffectTest::SetUp();
    HRESULT status = E_FAIL;
    std::string errors;
    effect_ = Load(WindowsPath(FlameEffectPath()), &status, &errors);
    ASSERT_EQ(status, D3D_OK) << errors;
    ASSERT_NE(effect_, nullptr);
  }
  void TearDown() override {
    if (effect_) {
      EXPECT_EQ(effect_->Release(), 0u);
    }
    EffectTest::TearDown();
  }

  void ExpectFloats(const char* name, const float* expected, UINT count) {
    float got[4] = {};
    ASSERT_EQ(effect_->GetValue(name, got, count * 4), D3D_OK) << name;
    for (UINT i = 0; i < count; ++i) EXPECT_EQ(got[i], expected[i]) << name << "[" << i << "]";
  }

  ID3DXEffect* effect_ = nullptr;
};

TEST_F(FlameEffectTest, StartsWithTheFilesInitialValues) {
  float value = 0.0f;
  ASSERT_EQ(effect_->GetFloat("noiseFreq", &value), D3D_OK);
  EXPECT_EQ(value, 0.3f);
  ExpectFloats("noiseAnim", kNoiseAnim, 3);
  ExpectFloats("flameColor", kFlameColor, 4);
  // No initializer: zero.
  ASSERT_EQ(effect_->GetFloat("ticks", &value), D3D_OK);
  EXPECT_EQ(value, 0.0f);
}

TEST_F(FlameEffectTest, TakesTheThirteenProgramParametersByName) {
  // Other values first, so that reading back the program's tells a set from the initializer.
  const float zeros[4] = {};
  for (const char* name : {"noiseScale", "noiseAnim", "flameScale", "flameTrans"})
    ASSERT_EQ(effect_->SetValue(name, zeros, 12), D3D_OK) << name;
  ASSERT_EQ(effect_->SetValue("flameColor", zeros, 16), D3D_OK);
  ExpectFloats("noiseAnim", zeros, 3);

  EXPECT_EQ(effect_->SetFloat("noiseFreq", 0.3f), D3D_OK);
  EXPECT_EQ(effect_->SetFloat("noiseStrength", 0.5f), D3D_OK);
  EXPECT_EQ(effect_->SetFloat("timeScale", 0.5f), D3D_OK);
  EXPECT_EQ(effect_->SetValue("noiseScale", kNoiseScale, 12), D3D_OK);
  EXPECT_EQ(effect_->SetValue("noiseAnim", kNoiseAnim, 12), D3D_OK);
  EXPECT_EQ(effect_->SetValue("flameColor", kFlameColor, 16), D3D_OK);
  EXPECT_EQ(effect_->SetValue("flameScale", kFlameScale, 12), D3D_OK);
  EXPECT_EQ(effect_->SetValue("flameTrans", kFlameTrans, 12), D3D_OK);
  TestVolumeTexture* noise =
      TestVolumeTexture::Create(&Internal(), 2, 2, 2, std::vector<uint8_t>(8, 0x80));
  ASSERT_NE(noise, nullptr);
  IDirect3DTexture9* flame = MakeTexture(2, 2, std::vector<uint32_t>(4, 0xFFFF8000u));
  ASSERT_NE(flame, nullptr);
  EXPECT_EQ(effect_->SetTexture("noiseTexture", noise), D3D_OK);
  EXPECT_EQ(effect_->SetTexture("flameTexture", flame), D3D_OK);
  D3DXMATRIX wvp, world;
  D3DXMatrixPerspectiveFovLH(&wvp, D3DX_PI / 4, 4.0f / 3.0f, 1.0f, 1000.0f);
  D3DXMatrixTranslation(&world, 1.0f, 2.0f, 3.0f);
  EXPECT_EQ(effect_->SetFloat("ticks", 1234.5f), D3D_OK);
  EXPECT_EQ(effect_->SetMatrix("wvp", &wvp), D3D_OK);
  EXPECT_EQ(effect_->SetMatrix("world", &world), D3D_OK);

  const float noiseFreq[1] = {0.3f}, half[1] = {0.5f}, ticks[1] = {1234.5f};
  ExpectFloats("noiseFreq", noiseFreq, 1);
  ExpectFloats("noiseStrength", half, 1);
  ExpectFloats("timeScale", half, 1);
  ExpectFloats("noiseScale", kNoiseScale, 3);
  ExpectFloats("noiseAnim", kNoiseAnim, 3);
  ExpectFloats("flameColor", kFlameColor, 4);
  ExpectFloats("flameScale", kFlameScale, 3);
  ExpectFloats("flameTrans", kFlameTrans, 3);
  ExpectFloats("ticks", ticks, 1);
  D3DXMATRIX got;
  ASSERT_EQ(effect_->GetMatrix("wvp", &got), D3D_OK);
  EXPECT_EQ(std::memcmp(&got, &wvp, sizeof got), 0);
  ASSERT_EQ(effect_->GetMatrix("world", &got), D3D_OK);
  EXPECT_EQ(std::memcmp(&got, &world, sizeof got), 0);
  IDirect3DBaseTexture9* texture = nullptr;
  ASSERT_EQ(effect_->GetTexture("noiseTexture", &texture), D3D_OK);
  EXPECT_EQ(texture, static_cast<IDirect3DBaseTexture9*>(noise));
  texture->Release();
  ASSERT_EQ(effect_->GetTexture("flameTexture", &texture), D3D_OK);
  EXPECT_EQ(texture, static_cast<IDirect3DBaseTexture9*>(flame));
  texture->Release();

  // The effect holds a reference to each texture, and lets go of it for another or for null.
  EXPECT_EQ(flame->AddRef(), 3u);
  flame->Release();
  EXPECT_EQ(effect_->SetTexture("flameTexture", nullptr), D3D_OK);
  EXPECT_EQ(flame->Release(), 0u);
  EXPECT_EQ(noise->Release(), 1u);
}

TEST_F(FlameEffectTest, UnknownNamesWrongKindsAndWrongSizesAreInvalidCalls) {
  float value = 0.0f;
  float four[4] = {1, 2, 3, 4};
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  EXPECT_EQ(effect_->SetFloat("noisefreq", 1.0f), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->GetFloat("nothing", &value), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->SetValue("nothing", four, 4), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->SetMatrix("nothing", &m), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->SetTexture("nothing", nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->SetFloat(nullptr, 1.0f), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->GetParameterByName(nullptr, "nothing"), nullptr);

  // Bigger than the parameter: refused, and the value stays.
  EXPECT_EQ(effect_->SetValue("noiseScale", four, 16), D3DERR_INVALIDCALL);
  ExpectFloats("noiseScale", kNoiseScale, 3);
  EXPECT_EQ(effect_->SetValue("noiseFreq", four, 8), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->GetValue("flameColor", four, 12), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->SetValue("noiseScale", nullptr, 12), D3DERR_INVALIDCALL);

  // The wrong kind of parameter for the call.
  EXPECT_EQ(effect_->SetMatrix("noiseFreq", &m), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->SetTexture("noiseFreq", nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->SetFloat("noiseTexture", 1.0f), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->SetFloat("noiseSampler", 1.0f), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->SetValue("flameTexture", four, 4), D3DERR_INVALIDCALL);
  // A technique is no parameter.
  EXPECT_EQ(effect_->SetFloat(effect_->GetTechniqueByName("Flame"), 1.0f), D3DERR_INVALIDCALL);
}

TEST_F(FlameEffectTest, SmallerValuesAndScalarsSetTheFirstComponents) {
  const float two[2] = {7.0f, 8.0f};
  ASSERT_EQ(effect_->SetValue("noiseAnim", two, 8), D3D_OK);
  const float partly[3] = {7.0f, 8.0f, 0.8f};
  ExpectFloats("noiseAnim", partly, 3);
  // SetFloat on a float3 sets its first component.
  ASSERT_EQ(effect_->SetFloat("noiseScale", 2.0f), D3D_OK);
  const float first[3] = {2.0f, 0.5f, 0.5f};
  ExpectFloats("noiseScale", first, 3);
  float value = 0.0f;
  ASSERT_EQ(effect_->GetFloat("flameColor", &value), D3D_OK);
  EXPECT_EQ(value, 0.4f);

  const D3DXVECTOR4 v(1.0f, 2.0f, 3.0f, 4.0f);
  ASSERT_EQ(effect_->SetVector("flameScale", &v), D3D_OK);
  const float xyz[3] = {1.0f, 2.0f, 3.0f};
  ExpectFloats("flameScale", xyz, 3);
  D3DXVECTOR4 got(9, 9, 9, 9);
  ASSERT_EQ(effect_->GetVector("flameScale", &got), D3D_OK);
  EXPECT_EQ(got.w, 0.0f);
  EXPECT_EQ(got.z, 3.0f);
  ASSERT_EQ(effect_->SetVector("ticks", &v), D3D_OK);
  ASSERT_EQ(effect_->GetFloat("ticks", &value), D3D_OK);
  EXPECT_EQ(value, 1.0f);

  // Int and bool calls convert to the parameter's float.
  ASSERT_EQ(effect_->SetInt("timeScale", 3), D3D_OK);
  ASSERT_EQ(effect_->GetFloat("timeScale", &value), D3D_OK);
  EXPECT_EQ(value, 3.0f);
  ASSERT_EQ(effect_->SetBool("timeScale", TRUE), D3D_OK);
  int integer = 0;
  ASSERT_EQ(effect_->GetInt("timeScale", &integer), D3D_OK);
  EXPECT_EQ(integer, 1);
}

TEST_F(FlameEffectTest, HandlesAndNamesAddressTheSameParameter) {
  D3DXHANDLE handle = effect_->GetParameterByName(nullptr, "ticks");
  ASSERT_NE(handle, nullptr);
  EXPECT_NE(handle, effect_->GetParameterByName(nullptr, "wvp"));
  // A handle is no copy of the name.
  EXPECT_NE(std::string(handle), "ticks");
  ASSERT_EQ(effect_->SetFloat(handle, 42.0f), D3D_OK);
  float value = 0.0f;
  ASSERT_EQ(effect_->GetFloat("ticks", &value), D3D_OK);
  EXPECT_EQ(value, 42.0f);
  ASSERT_EQ(effect_->SetFloat("ticks", 43.0f), D3D_OK);
  ASSERT_EQ(effect_->GetFloat(handle, &value), D3D_OK);
  EXPECT_EQ(value, 43.0f);
}

TEST_F(FlameEffectTest, TheOnlyTechniqueIsFoundAndSet) {
  D3DXHANDLE technique = nullptr;
  ASSERT_EQ(effect_->FindNextValidTechnique(nullptr, &technique), D3D_OK);
  ASSERT_NE(technique, nullptr);
  EXPECT_EQ(technique, effect_->GetTechniqueByName("Flame"));
  EXPECT_EQ(effect_->ValidateTechnique(technique), D3D_OK);
  EXPECT_EQ(effect_->SetTechnique(technique), D3D_OK);
  EXPECT_EQ(effect_->GetCurrentTechnique(), technique);
  D3DXHANDLE after = technique;
  EXPECT_EQ(effect_->FindNextValidTechnique(technique, &after), D3D_OK);
  EXPECT_EQ(after, nullptr);
  UINT passes = 0;
  ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
  EXPECT_EQ(passes, 1u);
  EXPECT_EQ(effect_->End(), D3D_OK);
  EXPECT_EQ(effect_->GetDevice(nullptr), D3DERR_INVALIDCALL);
  IDirect3DDevice9* device = nullptr;
  ASSERT_EQ(effect_->GetDevice(&device), D3D_OK);
  EXPECT_EQ(device, device_);
  device->Release();
}

TEST_F(FlameEffectTest, PassSetsItsStatesOnTheDeviceAndEndPutsThemBack) {
  ASSERT_EQ(device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW), D3D_OK);
  ASSERT_EQ(device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), D3D_OK);
  ASSERT_EQ(device_->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR), D3D_OK);
  IDirect3DTexture9* before = MakeTexture(1, 1, {0xFF000000u});
  IDirect3DTexture9* flame = MakeTexture(1, 1, {0xFFFFFFFFu});
  ASSERT_EQ(device_->SetTexture(1, before), D3D_OK);
  ASSERT_EQ(effect_->SetTexture("flameTexture", flame), D3D_OK);

  auto render = [&](D3DRENDERSTATETYPE state) {
    DWORD value = 0xDEAD;
    EXPECT_EQ(device_->GetRenderState(state, &value), D3D_OK);
    return value;
  };
  auto sampler = [&](DWORD stage, D3DSAMPLERSTATETYPE type) {
    DWORD value = 0xDEAD;
    EXPECT_EQ(device_->GetSamplerState(stage, type, &value), D3D_OK);
    return value;
  };
  auto stageTexture = [&](DWORD stage) {
    IDirect3DBaseTexture9* texture = nullptr;
    EXPECT_EQ(device_->GetTexture(stage, &texture), D3D_OK);
    if (texture) texture->Release();
    return texture;
  };

  UINT passes = 0;
  ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(effect_->BeginPass(0), D3D_OK);
  EXPECT_EQ(render(D3DRS_ALPHABLENDENABLE), DWORD(TRUE));
  EXPECT_EQ(render(D3DRS_SRCBLEND), DWORD(D3DBLEND_ONE));
  EXPECT_EQ(render(D3DRS_DESTBLEND), DWORD(D3DBLEND_INVSRCALPHA));
  EXPECT_EQ(render(D3DRS_ZWRITEENABLE), DWORD(FALSE));
  EXPECT_EQ(render(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
  // The pixel shader reads noiseSampler first (stage 0), then flameSampler (stage 1).
  EXPECT_EQ(sampler(0, D3DSAMP_MINFILTER), DWORD(D3DTEXF_LINEAR));
  EXPECT_EQ(sampler(0, D3DSAMP_ADDRESSW), DWORD(D3DTADDRESS_WRAP));
  EXPECT_EQ(sampler(1, D3DSAMP_ADDRESSU), DWORD(D3DTADDRESS_CLAMP));
  EXPECT_EQ(sampler(1, D3DSAMP_MAGFILTER), DWORD(D3DTEXF_LINEAR));
  EXPECT_EQ(sampler(1, D3DSAMP_MIPFILTER), DWORD(D3DTEXF_NONE));
  EXPECT_EQ(stageTexture(1), static_cast<IDirect3DBaseTexture9*>(flame));
  EXPECT_EQ(stageTexture(0), nullptr);  // noiseTexture was never set
  ASSERT_EQ(effect_->EndPass(), D3D_OK);
  ASSERT_EQ(effect_->End(), D3D_OK);

  EXPECT_EQ(render(D3DRS_ALPHABLENDENABLE), DWORD(FALSE));
  EXPECT_EQ(render(D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
  EXPECT_EQ(render(D3DRS_DESTBLEND), DWORD(D3DBLEND_ZERO));
  EXPECT_EQ(render(D3DRS_ZWRITEENABLE), DWORD(TRUE));
  EXPECT_EQ(render(D3DRS_CULLMODE), DWORD(D3DCULL_CW));
  EXPECT_EQ(sampler(1, D3DSAMP_ADDRESSU), DWORD(D3DTADDRESS_MIRROR));
  EXPECT_EQ(sampler(0, D3DSAMP_MINFILTER), DWORD(D3DTEXF_POINT));
  EXPECT_EQ(stageTexture(1), static_cast<IDirect3DBaseTexture9*>(before));

  // Without saving, the pass's states stay.
  ASSERT_EQ(effect_->Begin(&passes, D3DXFX_DONOTSAVESTATE), D3D_OK);
  ASSERT_EQ(effect_->BeginPass(0), D3D_OK);
  ASSERT_EQ(effect_->EndPass(), D3D_OK);
  ASSERT_EQ(effect_->End(), D3D_OK);
  EXPECT_EQ(render(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
  EXPECT_EQ(stageTexture(1), static_cast<IDirect3DBaseTexture9*>(flame));

  ASSERT_EQ(device_->SetTexture(1, nullptr), D3D_OK);
  effect_->SetTexture("flameTexture", nullptr);
  EXPECT_EQ(flame->Release(), 0u);
  EXPECT_EQ(before->Release(), 0u);
}

TEST_F(FlameEffectTest, PassCallsOutOfOrderAreInvalidCalls) {
  EXPECT_EQ(effect_->BeginPass(0), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->EndPass(), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->End(), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->CommitChanges(), D3DERR_INVALIDCALL);
  UINT passes = 0;
  ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
  EXPECT_EQ(effect_->Begin(&passes, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->SetTechnique("Flame"), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->BeginPass(1), D3DERR_INVALIDCALL);
  ASSERT_EQ(effect_->BeginPass(0), D3D_OK);
  EXPECT_EQ(effect_->BeginPass(0), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->CommitChanges(), D3D_OK);
  EXPECT_EQ(effect_->EndPass(), D3D_OK);
  EXPECT_EQ(effect_->EndPass(), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->End(), D3D_OK);
}

TEST_F(FlameEffectTest, UniformsUploadOnlyWhenAValueChanged) {
  d3dx::Effect& effect = Internal(effect_);
  UINT passes = 0;
  auto pass = [&]() {
    const unsigned long before = effect.UniformUploads();
    EXPECT_EQ(effect_->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(effect_->BeginPass(0), D3D_OK);
    EXPECT_EQ(effect_->EndPass(), D3D_OK);
    EXPECT_EQ(effect_->End(), D3D_OK);
    return effect.UniformUploads() - before;
  };
  // Both stages read parameters: one block each.
  EXPECT_EQ(pass(), 2u);
  EXPECT_EQ(pass(), 0u);
  ASSERT_EQ(effect_->SetFloat("ticks", 1.0f), D3D_OK);
  EXPECT_EQ(pass(), 2u);
  // The same value again changes nothing.
  ASSERT_EQ(effect_->SetFloat("ticks", 1.0f), D3D_OK);
  const float scale[3] = {0.5f, 0.5f, 0.5f};
  ASSERT_EQ(effect_->SetValue("noiseScale", scale, 12), D3D_OK);
  EXPECT_EQ(pass(), 0u);
  // Textures are no uniforms.
  ASSERT_EQ(effect_->SetTexture("flameTexture", nullptr), D3D_OK);
  EXPECT_EQ(pass(), 0u);
  D3DXMATRIX m;
  D3DXMatrixScaling(&m, 2.0f, 2.0f, 2.0f);
  ASSERT_EQ(effect_->SetMatrix("wvp", &m), D3D_OK);
  ASSERT_EQ(effect_->SetMatrix("world", &m), D3D_OK);
  EXPECT_EQ(pass(), 2u);

  // Inside a pass, a change reaches the buffers at CommitChanges.
  ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(effect_->BeginPass(0), D3D_OK);
  const unsigned long before = effect.UniformUploads();
  ASSERT_EQ(effect_->SetFloat("ticks", 2.0f), D3D_OK);
  EXPECT_EQ(effect.UniformUploads(), before);
  ASSERT_EQ(effect_->CommitChanges(), D3D_OK);
  EXPECT_EQ(effect.UniformUploads(), before + 2);
  ASSERT_EQ(effect_->CommitChanges(), D3D_OK);
  EXPECT_EQ(effect.UniformUploads(), before + 2);
  ASSERT_EQ(effect_->EndPass(), D3D_OK);
  ASSERT_EQ(effect_->End(), D3D_OK);
}

TEST_F(FlameEffectTest, FramesAllocateNothing) {
  D3DXMATRIX wvp, world;
  D3DXMatrixPerspectiveFovLH(&wvp, D3DX_PI / 4, 4.0f / 3.0f, 1.0f, 1000.0f);
  D3DXMatrixIdentity(&world);
  IDirect3DTexture9* flame = MakeTexture(1, 1, {0xFFFFFFFFu});
  ASSERT_EQ(effect_->SetTexture("flameTexture", flame), D3D_OK);
  auto frame = [&](int i) {
    effect_->SetFloat("ticks", float(i) * 0.016f);
    wvp._41 = float(i);
    effect_->SetMatrix("wvp", &wvp);
    effect_->SetMatrix("world", &world);
    UINT passes = 0;
    if (FAILED(effect_->Begin(&passes, 0))) return;
    for (UINT p = 0; p < passes; ++p) {
      effect_->BeginPass(p);
      effect_->EndPass();
    }
    effect_->End();
  };
  frame(0);
  const unsigned long uploads = Internal(effect_).UniformUploads();
  {
    AllocationCounter counter;
    for (int i = 1; i <= 100; ++i) frame(i);
    EXPECT_EQ(counter.Count(), 0u);
  }
  EXPECT_EQ(Internal(effect_).UniformUploads(), uploads + 200);
  effect_->SetTexture("flameTexture", nullptr);
  flame->Release();
}

// Two techniques, the second of two passes.
const char* const kTwoTechniques =
    "float4 tint = {1, 0, 0, 1};\n"
    "float4 MainVS(float3 p : POSITION) : POSITION { return float4(p, 1); }\n"
    "float4 MainPS() : COLOR0 { return tint; }\n"
    "technique First { pass A { ZEnable = false;\n"
    "    VertexShader = compile vs_3_0 MainVS(); PixelShader = compile ps_3_0 MainPS(); } }\n"
    "technique Second {\n"
    "  pass A { FogEnable = true; CullMode = CW;\n"
    "    VertexShader = compile vs_3_0 MainVS(); PixelShader = compile ps_3_0 MainPS(); }\n"
    "  pass B { CullMode = None; StencilEnable = true;\n"
    "    VertexShader = compile vs_3_0 MainVS(); PixelShader = compile ps_3_0 MainPS(); }\n"
    "}\n";

void CollectDebugOutput(const char* text, void* context) {
  *static_cast<std::string*>(context) += text;
}

TEST_F(EffectTest, TechniquesAreFoundInOrderAndEachGivesItsPassCount) {
  std::string debug;
  win32::SetDebugOutputSink(CollectDebugOutput, &debug);
  const std::string path = WriteEffect("techniques.fx", kTwoTechniques);
  std::string errors;
  ID3DXEffect* effect = Load(path, nullptr, &errors);
  ASSERT_NE(effect, nullptr) << errors;

  D3DXHANDLE first = nullptr, second = nullptr, none = first;
  ASSERT_EQ(effect->FindNextValidTechnique(nullptr, &first), D3D_OK);
  ASSERT_EQ(effect->FindNextValidTechnique(first, &second), D3D_OK);
  ASSERT_EQ(effect->FindNextValidTechnique(second, &none), D3D_OK);
  EXPECT_EQ(first, effect->GetTechniqueByName("First"));
  EXPECT_EQ(second, effect->GetTechniqueByName("Second"));
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(effect->GetTechniqueByName("Third"), nullptr);
  EXPECT_EQ(effect->FindNextValidTechnique(nullptr, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetTechnique("Third"), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetTechnique(effect->GetParameterByName(nullptr, "tint")), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->GetCurrentTechnique(), first);

  UINT passes = 0;
  ASSERT_EQ(effect->SetTechnique(second), D3D_OK);
  ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
  EXPECT_EQ(passes, 2u);
  DWORD cull = 0, stencil = 0;
  ASSERT_EQ(effect->BeginPass(0), D3D_OK);
  device_->GetRenderState(D3DRS_CULLMODE, &cull);
  EXPECT_EQ(cull, DWORD(D3DCULL_CW));
  ASSERT_EQ(effect->EndPass(), D3D_OK);
  ASSERT_EQ(effect->BeginPass(1), D3D_OK);
  device_->GetRenderState(D3DRS_CULLMODE, &cull);
  device_->GetRenderState(D3DRS_STENCILENABLE, &stencil);
  EXPECT_EQ(cull, DWORD(D3DCULL_NONE));
  EXPECT_EQ(stencil, DWORD(TRUE));
  ASSERT_EQ(effect->EndPass(), D3D_OK);
  ASSERT_EQ(effect->End(), D3D_OK);
  // End restores what either pass changed.
  device_->GetRenderState(D3DRS_CULLMODE, &cull);
  device_->GetRenderState(D3DRS_STENCILENABLE, &stencil);
  EXPECT_EQ(cull, DWORD(D3DCULL_CCW));
  EXPECT_EQ(stencil, DWORD(FALSE));

  ASSERT_EQ(effect->SetTechnique("First"), D3D_OK);
  ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
  EXPECT_EQ(passes, 1u);
  ASSERT_EQ(effect->End(), D3D_OK);

  // The state this runtime does not know is reported once, when the effect is made.
  const std::string report = std::string("D3DX: ") + path +
                             "(7,12): the pass state 'FogEnable' is not supported; skipped\n";
  EXPECT_EQ(debug, report);
  win32::SetDebugOutputSink(nullptr, nullptr);
  EXPECT_EQ(effect->Release(), 0u);
}

// A fixed-function technique first, a Direct3D 10 one, then one that runs.
const char* const kMixedTechniques =
    "float4 MainVS(float3 p : POSITION) : POSITION { return float4(p, 1); }\n"
    "float4 MainPS() : COLOR0 { return float4(1, 1, 1, 1); }\n"
    "technique Fixed { pass P0 { Lighting = true; } }\n"
    "technique10 Newer { pass P0 { SetVertexShader(CompileShader(vs_4_0, MainVS())); } }\n"
    "technique Shaded { pass P0 {\n"
    "    VertexShader = compile vs_3_0 MainVS(); PixelShader = compile ps_3_0 MainPS(); } }\n";

TEST_F(EffectTest, TechniquesThatCannotRunAreSkippedAndTheOthersRun) {
  std::string debug;
  win32::SetDebugOutputSink(CollectDebugOutput, &debug);
  const std::string path = WriteEffect("mixed.fx", kMixedTechniques);
  std::string errors;
  ID3DXEffect* effect = Load(path, nullptr, &errors);
  win32::SetDebugOutputSink(nullptr, nullptr);
  ASSERT_NE(effect, nullptr) << errors;

  const D3DXHANDLE fixed = effect->GetTechniqueByName("Fixed");
  const D3DXHANDLE shaded = effect->GetTechniqueByName("Shaded");
  ASSERT_NE(fixed, nullptr);
  ASSERT_NE(shaded, nullptr);
  EXPECT_EQ(effect->GetTechniqueByName("Newer"), nullptr);  // Direct3D 10's, left out
  D3DXHANDLE found = nullptr;
  ASSERT_EQ(effect->FindNextValidTechnique(nullptr, &found), D3D_OK);
  EXPECT_EQ(found, shaded);
  EXPECT_EQ(effect->GetCurrentTechnique(), shaded);
  EXPECT_EQ(effect->ValidateTechnique(fixed), E_FAIL);
  EXPECT_EQ(effect->ValidateTechnique(shaded), D3D_OK);
  UINT passes = 0;
  ASSERT_EQ(effect->SetTechnique(fixed), D3D_OK);
  EXPECT_EQ(effect->Begin(&passes, 0), D3DERR_INVALIDCALL);
  ASSERT_EQ(effect->SetTechnique(shaded), D3D_OK);
  ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
  EXPECT_EQ(passes, 1u);
  ASSERT_EQ(effect->End(), D3D_OK);
  // The reason is said once, naming the technique and the pass.
  EXPECT_NE(debug.find("D3DX: technique 'Fixed' cannot run and is skipped: "), std::string::npos)
      << debug;
  EXPECT_NE(debug.find("pass 'P0' needs a vertex and a pixel shader"), std::string::npos) << debug;
  EXPECT_EQ(effect->Release(), 0u);

  // With no technique that can run, the effect is not made, and the reason is the message.
  const std::string onlyFixed =
      WriteEffect("fixed.fx", "technique Fixed { pass P0 { Lighting = true; } }\n");
  HRESULT status = S_OK;
  EXPECT_EQ(Load(onlyFixed, &status, &errors), nullptr);
  EXPECT_TRUE(FAILED(status));
  EXPECT_NE(errors.find("fixed-function passes are not supported"), std::string::npos) << errors;
}

TEST_F(EffectTest, StatesReadFromParametersFollowTheirValues) {
  const std::string path =
      WriteEffect("following.fx",
                  "int alphaRef = 32;\n"
                  "float bias = 0.5;\n"
                  "int filter = 1;\n"
                  "texture image;\n"
                  "sampler2D s = sampler_state { Texture = <image>; MinFilter = <filter>; };\n"
                  "float4 MainVS(float3 p : POSITION) : POSITION { return float4(p, 1); }\n"
                  "float4 MainPS() : COLOR0 { return tex2D(s, float2(0.5, 0.5)); }\n"
                  "VertexShader shared = compile vs_3_0 MainVS();\n"
                  "technique T { pass P {\n"
                  "  AlphaRef = <alphaRef>; DepthBias = (bias); AlphaTestEnable = 1 < 2;\n"
                  "  VertexShader = (shared); PixelShader = compile ps_3_0 MainPS(); } }\n");
  std::string errors;
  ID3DXEffect* effect = Load(path, nullptr, &errors);
  ASSERT_NE(effect, nullptr) << errors;
  auto renderState = [this](D3DRENDERSTATETYPE type) {
    DWORD value = 0;
    device_->GetRenderState(type, &value);
    return value;
  };
  auto asFloat = [](DWORD bits) {
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  };
  UINT passes = 0;
  ASSERT_EQ(effect->SetInt("alphaRef", 64), D3D_OK);
  ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(effect->BeginPass(0), D3D_OK);
  EXPECT_EQ(renderState(D3DRS_ALPHAREF), 64u);
  EXPECT_EQ(asFloat(renderState(D3DRS_DEPTHBIAS)), 0.5f);
  EXPECT_EQ(renderState(D3DRS_ALPHATESTENABLE), 1u);
  DWORD minFilter = 0;
  device_->GetSamplerState(0, D3DSAMP_MINFILTER, &minFilter);
  EXPECT_EQ(minFilter, DWORD(D3DTEXF_POINT));
  // Inside the pass a change reaches the device at CommitChanges, as D3DX does it.
  ASSERT_EQ(effect->SetInt("alphaRef", 100), D3D_OK);
  ASSERT_EQ(effect->SetFloat("bias", 0.25f), D3D_OK);
  ASSERT_EQ(effect->SetInt("filter", D3DTEXF_LINEAR), D3D_OK);
  EXPECT_EQ(renderState(D3DRS_ALPHAREF), 64u);
  ASSERT_EQ(effect->CommitChanges(), D3D_OK);
  EXPECT_EQ(renderState(D3DRS_ALPHAREF), 100u);
  EXPECT_EQ(asFloat(renderState(D3DRS_DEPTHBIAS)), 0.25f);
  device_->GetSamplerState(0, D3DSAMP_MINFILTER, &minFilter);
  EXPECT_EQ(minFilter, DWORD(D3DTEXF_LINEAR));
  ASSERT_EQ(effect->EndPass(), D3D_OK);
  ASSERT_EQ(effect->End(), D3D_OK);
  EXPECT_EQ(renderState(D3DRS_ALPHAREF), 0u);  // End puts the device's own value back
  EXPECT_EQ(effect->Release(), 0u);
}

TEST_F(EffectTest, BothShadersPickedByParametersMakeTheTechniqueInvalid) {
  std::string debug;
  win32::SetDebugOutputSink(CollectDebugOutput, &debug);
  const std::string path = WriteEffect(
      "picked.fx",
      "int bones;\n"
      "float4 MainVS(float3 p : POSITION, uniform int n) : POSITION { return float4(p, n); }\n"
      "float4 MainPS(uniform float v) : COLOR0 { return v; }\n"
      "VertexShader skinned[2] = { compile vs_3_0 MainVS(1), compile vs_3_0 MainVS(2) };\n"
      "PixelShader tints[2] = { compile ps_3_0 MainPS(0), compile ps_3_0 MainPS(1) };\n"
      "technique Both { pass P {\n"
      "  VertexShader = (skinned[bones]); PixelShader = (tints[bones]); } }\n"
      "technique One { pass P {\n"
      "  VertexShader = (skinned[bones]); PixelShader = (tints[1]); } }\n");
  std::string errors;
  ID3DXEffect* effect = Load(path, nullptr, &errors);
  win32::SetDebugOutputSink(nullptr, nullptr);
  ASSERT_NE(effect, nullptr) << errors;
  EXPECT_EQ(effect->ValidateTechnique(effect->GetTechniqueByName("Both")), E_FAIL);
  EXPECT_EQ(effect->GetCurrentTechnique(), effect->GetTechniqueByName("One"));
  EXPECT_NE(debug.find("pass 'P': both shaders are picked by parameters, which is not supported"),
            std::string::npos)
      << debug;
  EXPECT_EQ(effect->Release(), 0u);
}

TEST_F(EffectTest, ThePreprocessorRunsFirstWithDefinesAndIncludes) {
  // The array size comes from a macro of an included file, the pixel shader from a macro the
  // caller defines, and only one of two alternative techniques is there.
  const std::string included = WriteEffect("shared.fxh", "#define LIGHTS 3\n");
  const std::string name = included.substr(included.find_last_of('/') + 1);
  const std::string path = WriteEffect(
      "preprocessed.fx",
      "#include \"" + name +
          "\"\n"
          "float4 lights[LIGHTS];\n"
          "float4 MainVS(float3 p : POSITION) : POSITION { return float4(p, 1); }\n"
          "float4 MainPS() : COLOR0 { return lights[LIGHTS - 1] * BRIGHTNESS; }\n"
          "#ifdef SIMPLE\n"
          "technique Simple { pass P {\n"
          "#else\n"
          "technique Full { pass P {\n"
          "#endif\n"
          "  VertexShader = compile vs_3_0 MainVS(); PixelShader = compile ps_3_0 MainPS(); } }\n");
  const D3DXMACRO defines[] = {{"BRIGHTNESS", "0.5"}, {"SIMPLE", ""}, {nullptr, nullptr}};
  ID3DXEffect* effect = nullptr;
  ID3DXBuffer* errors = nullptr;
  ASSERT_EQ(D3DXCreateEffectFromFileA(device_, path.c_str(), defines, nullptr, 0, nullptr, &effect,
                                      &errors),
            D3D_OK)
      << BufferText(errors);
  EXPECT_NE(effect->GetTechniqueByName("Simple"), nullptr);
  EXPECT_EQ(effect->GetTechniqueByName("Full"), nullptr);
  // Three float4 elements take 48 bytes; a fourth is past the array.
  const float values[16] = {};
  EXPECT_EQ(effect->SetValue("lights", values, 48), D3D_OK);
  EXPECT_EQ(effect->SetValue("lights", values, 64), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->Release(), 0u);

  // Without the caller's macro the shader does not compile, and a missing include says so.
  HRESULT status = S_OK;
  std::string message;
  EXPECT_EQ(Load(path, &status, &message), nullptr);
  EXPECT_NE(message.find("BRIGHTNESS"), std::string::npos) << message;
  // A nested #include is read from beside the file that names it.
  const std::string folder = TempPath("includes");
  ASSERT_TRUE(mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST);
  const std::string inner = folder + "/inner.fxh", outer = folder + "/outer.fxh";
  ASSERT_TRUE(WriteBytes(inner, {'#', 'd', 'e', 'f', 'i', 'n', 'e', ' ', 'B', ' ', '2', '\n'}));
  const std::string outerText = "#include \"inner.fxh\"\n";
  ASSERT_TRUE(WriteBytes(outer, std::vector<uint8_t>(outerText.begin(), outerText.end())));
  const std::string nested = WriteEffect(
      "nested.fx", "#include \"" + folder.substr(folder.find_last_of('/') + 1) +
                       "/outer.fxh\"\n"
                       "float4 MainVS(float3 p : POSITION) : POSITION { return float4(p, B); }\n"
                       "float4 MainPS() : COLOR0 { return 1; }\n"
                       "technique T { pass P { VertexShader = compile vs_3_0 MainVS();\n"
                       "  PixelShader = compile ps_3_0 MainPS(); } }\n");
  ID3DXEffect* withNested = Load(nested, &status, &message);
  std::remove(inner.c_str());
  std::remove(outer.c_str());
  rmdir(folder.c_str());
  ASSERT_NE(withNested, nullptr) << message;
  EXPECT_EQ(withNested->Release(), 0u);
  const std::string broken = WriteEffect("broken_include.fx", "#include \"nowhere.fxh\"\n");
  EXPECT_EQ(Load(broken, &status, &message), nullptr);
  EXPECT_NE(message.find("cannot #include \"nowhere.fxh\""), std::string::npos) << message;
}

TEST_F(EffectTest, ASyntaxErrorNamesTheFileAndTheLine) {
  const std::string path = WriteEffect("broken.fx",
                                       "float4 tint;\n"
                                       "float4 MainVS(float3 p : POSITION) : POSITION\n"
                                       "{\n"
                                       "    return float4(p, 1);\n"
                                       "}\n"
                                       "float4 MainPS() : COLOR0 {\n"
                                       "    return tint * ;\n"
                                       "}\n"
                                       "technique T { pass P {\n"
                                       "    VertexShader = compile vs_3_0 MainVS();\n"
                                       "    PixelShader = compile ps_3_0 MainPS(); } }\n");
  HRESULT status = D3D_OK;
  std::string errors;
  ID3DXEffect* effect = reinterpret_cast<ID3DXEffect*>(this);
  ID3DXBuffer* buffer = nullptr;
  status = D3DXCreateEffectFromFileA(device_, path.c_str(), nullptr, nullptr, 0, nullptr, &effect,
                                     &buffer);
  EXPECT_EQ(status, E_FAIL);
  EXPECT_EQ(effect, nullptr);
  ASSERT_NE(buffer, nullptr);
  errors = BufferText(buffer);
  EXPECT_EQ(buffer->GetBufferSize(), errors.size() + 1);
  buffer->Release();
  EXPECT_EQ(errors.rfind(path + "(7,", 0), 0u) << errors;
  EXPECT_NE(errors.find("> 7 |     return tint * ;\n"), std::string::npos) << errors;
}

TEST_F(EffectTest, AFrameworkErrorShowsTheLinesAroundIt) {
  const std::string path =
      WriteEffect("pass.fx",
                  "float4 MainVS(float3 p : POSITION) : POSITION { return float4(p, 1); }\n"
                  "float4 MainPS() : COLOR0 { return 1; }\n"
                  "technique T {\n"
                  "  pass P { CullMode = ;\n"
                  "    VertexShader = compile vs_3_0 MainVS(); }\n"
                  "}\n");
  HRESULT status = D3D_OK;
  std::string errors;
  EXPECT_EQ(Load(path, &status, &errors), nullptr);
  EXPECT_EQ(status, E_FAIL);
  EXPECT_EQ(errors.rfind(path + "(4,23): error: ", 0), 0u) << errors;
  EXPECT_NE(errors.find("> 4 |   pass P { CullMode = ;\n"), std::string::npos) << errors;
}

TEST_F(EffectTest, AMissingFileFailsWithAMessage) {
  const std::string path = TempPath("missing.fx");
  HRESULT status = D3D_OK;
  std::string errors;
  EXPECT_EQ(Load(WindowsPath(path), &status, &errors), nullptr);
  EXPECT_EQ(status, D3DXERR_INVALIDDATA);
  EXPECT_EQ(errors, WindowsPath(path) + ": cannot read the file");

  // No error buffer asked for: the status alone.
  ID3DXEffect* effect = nullptr;
  EXPECT_EQ(D3DXCreateEffectFromFileA(device_, path.c_str(), nullptr, nullptr, 0, nullptr, &effect,
                                      nullptr),
            D3DXERR_INVALIDDATA);
  EXPECT_EQ(effect, nullptr);
  EXPECT_EQ(
      D3DXCreateEffectFromFileA(device_, nullptr, nullptr, nullptr, 0, nullptr, &effect, nullptr),
      D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateEffectFromFileA(nullptr, path.c_str(), nullptr, nullptr, 0, nullptr, &effect,
                                      nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateEffectFromFileA(device_, path.c_str(), nullptr, nullptr, 0, nullptr, nullptr,
                                      nullptr),
            D3DERR_INVALIDCALL);
}

TEST_F(EffectTest, ATooLargeFileIsRefusedBeforeParsing) {
  const std::string path = WriteEffect("large.fx", std::string((4u << 20) + 1, ' '));
  HRESULT status = D3D_OK;
  std::string errors;
  EXPECT_EQ(Load(path, &status, &errors), nullptr);
  EXPECT_EQ(status, D3DXERR_INVALIDDATA);
  EXPECT_EQ(errors, path + ": the file is larger than 4194304 bytes");
}

TEST_F(EffectTest, EffectsHoldTheirDeviceUntilReleased) {
  ID3DXEffect* effect = Load(FlameEffectPath());
  ASSERT_NE(effect, nullptr);
  EXPECT_EQ(device_->AddRef(), 3u);  // the test's, the effect's and this one
  device_->Release();

  // A pass makes its program the device's; End puts back the one before (none), so no later
  // draw runs the effect's program, and none runs once the effect is gone.
  UINT passes = 0;
  ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(effect->BeginPass(0), D3D_OK);
  const GLuint program = Internal(effect).CurrentPass()->program.Program();
  EXPECT_NE(program, 0u);
  EXPECT_EQ(Internal().Program(), program);
  EXPECT_EQ(Internal().ProgramSamplers(), 3u);  // noiseSampler and flameSampler
  ASSERT_EQ(effect->EndPass(), D3D_OK);
  EXPECT_EQ(Internal().Program(), program);
  ASSERT_EQ(effect->End(), D3D_OK);
  EXPECT_EQ(Internal().Program(), 0u);
  EXPECT_EQ(Internal().ProgramSamplers(), 0u);
  ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(effect->BeginPass(0), D3D_OK);
  EXPECT_EQ(effect->Release(), 0u);  // released mid-pass
  EXPECT_EQ(Internal().Program(), 0u);
  EXPECT_EQ(device_->AddRef(), 2u);
  device_->Release();
}

TEST(BufferTest, BuffersAreZeroFilledAndSized) {
  ID3DXBuffer* buffer = nullptr;
  ASSERT_EQ(D3DXCreateBuffer(6, &buffer), D3D_OK);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(buffer->GetBufferSize(), 6u);
  const char zeros[6] = {};
  EXPECT_EQ(std::memcmp(buffer->GetBufferPointer(), zeros, 6), 0);
  EXPECT_EQ(buffer->Release(), 0u);
  EXPECT_EQ(D3DXCreateBuffer(6, nullptr), D3DERR_INVALIDCALL);
}

}  // namespace
}  // namespace ember::test

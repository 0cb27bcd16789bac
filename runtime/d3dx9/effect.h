// ID3DXEffect over a parsed effect: a parameter table, and for each technique its passes,
// each a GL program with the device states it sets. Names resolve against the tables without
// allocating; a Set copies bytes into the parameter's shadow, and a pass uploads its uniform
// blocks only when a value changed since its last upload.
#pragma once

#include <string>
#include <vector>

#include "runtime/d3d9/device.h"
#include "runtime/d3d9/device_child.h"
#include "runtime/d3d9/shader_program.h"
#include "runtime/d3dx9/d3dx9effect.h"
#include "runtime/d3dx9/effect_parameters.h"
#include "runtime/fx/model.h"

namespace ember::d3dx {

// A state's value, or the numeric parameter it is read from at each pass (`<name>`).
struct PassStateSource {
  int parameter = -1;
  bool isFloat = false;
};

struct PassRenderState {
  D3DRENDERSTATETYPE type;
  DWORD value;
  PassStateSource source;
};

struct PassSamplerState {
  DWORD stage;
  D3DSAMPLERSTATETYPE type;
  DWORD value;
  PassStateSource source;
};

// A stage whose texture comes from a texture parameter.
struct PassTexture {
  DWORD stage;
  int parameter;
};

struct EffectPass {
  d3d9::ShaderProgram program;
  std::vector<PassRenderState> renderStates;
  std::vector<PassSamplerState> samplerStates;
  std::vector<PassTexture> textures;
  unsigned stageMask = 0;  // bit i: the program samples stage i
  // A pass whose shader an int parameter picks from a shader array (`(shaders[bones])`): one
  // built pass for each element, used in its place; the parameter's value chooses.
  int selector = -1;
  std::vector<EffectPass> choices;
};

struct EffectTechnique {
  std::vector<EffectPass> passes;
  // Why a pass could not be built; empty for a technique that can run.
  std::string failure;
  // What Begin saves and End restores: every state any pass sets, with room for its value.
  std::vector<PassRenderState> savedRender;
  std::vector<PassSamplerState> savedSamplers;
  unsigned savedTextureMask = 0;
};

class Effect : public d3d9::DeviceChild<ID3DXEffect> {
 public:
  // Compiles and links every pass of every technique. A technique with a pass that cannot be
  // built is kept but not valid, and said so on the debug output; when no technique is valid,
  // null with the first one's message.
  static Effect* Create(d3d9::Device* device, FxEffect&& parsed, const char* fileName,
                        std::string& error);

  D3DXHANDLE GetParameterByName(D3DXHANDLE parent, LPCSTR name) override;
  HRESULT SetValue(D3DXHANDLE parameter, LPCVOID data, UINT bytes) override;
  HRESULT GetValue(D3DXHANDLE parameter, LPVOID data, UINT bytes) override;
  HRESULT SetBool(D3DXHANDLE parameter, BOOL value) override;
  HRESULT GetBool(D3DXHANDLE parameter, BOOL* value) override;
  HRESULT SetInt(D3DXHANDLE parameter, int value) override;
  HRESULT GetInt(D3DXHANDLE parameter, int* value) override;
  HRESULT SetFloat(D3DXHANDLE parameter, FLOAT value) override;
  HRESULT GetFloat(D3DXHANDLE parameter, FLOAT* value) override;
  HRESULT SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) override;
  HRESULT GetVector(D3DXHANDLE parameter, D3DXVECTOR4* vector) override;
  HRESULT SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) override;
  HRESULT GetMatrix(D3DXHANDLE parameter, D3DXMATRIX* matrix) override;
  HRESULT SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) override;
  HRESULT GetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9** texture) override;

  D3DXHANDLE GetTechniqueByName(LPCSTR name) override;
  HRESULT ValidateTechnique(D3DXHANDLE technique) override;
  HRESULT FindNextValidTechnique(D3DXHANDLE technique, D3DXHANDLE* next) override;
  HRESULT SetTechnique(D3DXHANDLE technique) override;
  D3DXHANDLE GetCurrentTechnique() override;

  HRESULT Begin(UINT* passes, DWORD flags) override;
  HRESULT BeginPass(UINT pass) override;
  HRESULT CommitChanges() override;
  HRESULT EndPass() override;
  HRESULT End() override;

  // GL objects outlive a lost device here: there is nothing to drop or rebuild.
  HRESULT OnLostDevice() override { return D3D_OK; }
  HRESULT OnResetDevice() override { return D3D_OK; }

  // For the runtime and its tests: the pass in progress (null outside one), and how many
  // uniform buffers the effect has uploaded.
  const EffectPass* CurrentPass() const;
  unsigned long UniformUploads() const { return uploads_; }

 private:
  Effect(d3d9::Device* device, FxEffect&& parsed);
  ~Effect() override;

  bool Build(const char* fileName, std::string& error);
  bool BuildPass(size_t technique, size_t pass, const char* fileName, std::string& error);
  bool BuildProgram(size_t technique, size_t pass, const FxShaderCall& vertexShader,
                    const FxShaderCall& pixelShader, EffectPass& built, const char* fileName,
                    std::string& error);
  void CollectSavedStates(EffectTechnique& technique);
  void ReportInvalidTechnique(const FxTechnique& technique, const std::string& why) const;
  void ReportUnsupported(const FxState& state, const char* fileName, const char* what) const;

  // A handle or a name to an index; -1 when it names nothing of that kind.
  int ParameterIndex(D3DXHANDLE handle) const;
  int TechniqueIndex(D3DXHANDLE handle) const;
  D3DXHANDLE ParameterHandle(int index) const { return handles_.data() + index; }
  D3DXHANDLE TechniqueHandle(int index) const {
    return handles_.data() + parameters_.Count() + index;
  }
  // The numeric parameter a Set or Get addresses, or -1.
  int NumericParameter(D3DXHANDLE handle) const;

  // The pass as built for the parameters' values now: itself, or the choice its selector picks.
  EffectPass& Chosen(EffectPass& pass);
  void ApplyPass(EffectPass& pass);
  // Sets the pass's states; with `followingOnly`, only those read from parameters.
  void ApplyStates(const EffectPass& pass, bool followingOnly);
  DWORD StateValue(DWORD value, const PassStateSource& source) const;
  void ApplyTextures(const EffectPass& pass);
  // Packs and uploads the pass's blocks when the parameters moved; the buffers uploaded.
  unsigned UploadParameters(EffectPass& pass);
  void SaveStates();
  void RestoreStates();

  FxEffect parsed_;
  ParameterTable parameters_;
  std::vector<EffectTechnique> techniques_;
  // Handles are addresses inside this table (parameters, then techniques), so a handle is told
  // from a name by where it points.
  std::vector<char> handles_;
  int technique_ = -1;
  bool begun_ = false;
  int pass_ = -1;
  EffectPass* current_ = nullptr;  // what BeginPass applied: the pass or one of its choices
  DWORD beginFlags_ = 0;
  IDirect3DBaseTexture9* savedTextures_[16] = {};
  // The device's program before Begin: End puts it back, so no later draw runs ours.
  unsigned savedProgram_ = 0;
  unsigned savedProgramSamplers_ = 0;
  unsigned long uploads_ = 0;
};

}  // namespace ember::d3dx

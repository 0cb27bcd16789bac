// ID3DXEffect: effect files (HLSL with techniques, passes and their states) compiled for the
// device, their parameters set by name or handle, drawn pass by pass. Constants carry D3DX's
// documented values.
#pragma once

#include "runtime/d3d9/d3d9.h"
#include "runtime/d3dx9/d3dx9buffer.h"
#include "runtime/d3dx9/d3dx9math.h"

#ifndef D3DXERR_INVALIDDATA
#define D3DXERR_INVALIDDATA ((HRESULT)0x88760B59L)
#endif

// Compiler flags. The effect compiler takes them all and changes nothing for them.
#define D3DXSHADER_DEBUG (1 << 0)
#define D3DXSHADER_SKIPVALIDATION (1 << 1)
#define D3DXSHADER_SKIPOPTIMIZATION (1 << 2)
#define D3DXSHADER_PACKMATRIX_ROWMAJOR (1 << 3)
#define D3DXSHADER_PACKMATRIX_COLUMNMAJOR (1 << 4)
#define D3DXSHADER_PARTIALPRECISION (1 << 5)
#define D3DXSHADER_NO_PRESHADER (1 << 8)
#define D3DXSHADER_AVOID_FLOW_CONTROL (1 << 9)
#define D3DXSHADER_PREFER_FLOW_CONTROL (1 << 10)
#define D3DXFX_NOT_CLONEABLE (1 << 11)
#define D3DXSHADER_ENABLE_BACKWARDS_COMPATIBILITY (1 << 12)
#define D3DXSHADER_IEEE_STRICTNESS (1 << 13)
#define D3DXSHADER_OPTIMIZATION_LEVEL0 (1 << 14)
#define D3DXSHADER_OPTIMIZATION_LEVEL1 0
#define D3DXSHADER_OPTIMIZATION_LEVEL2 ((1 << 14) | (1 << 15))
#define D3DXSHADER_OPTIMIZATION_LEVEL3 (1 << 15)
#define D3DXFX_LARGEADDRESSAWARE (1 << 17)

// ID3DXEffect::Begin flags.
#define D3DXFX_DONOTSAVESTATE (1 << 0)
#define D3DXFX_DONOTSAVESHADERSTATE (1 << 1)
#define D3DXFX_DONOTSAVESAMPLERSTATE (1 << 2)

// A parameter or technique: its name, or a handle an effect gave out.
typedef const char* D3DXHANDLE;

struct D3DXMACRO {
  LPCSTR Name;
  LPCSTR Definition;
};

enum D3DXINCLUDE_TYPE : DWORD { D3DXINC_LOCAL = 0, D3DXINC_SYSTEM = 1 };

struct ID3DXInclude {
  virtual HRESULT Open(D3DXINCLUDE_TYPE includeType, LPCSTR fileName, LPCVOID parentData,
                       LPCVOID* data, UINT* bytes) = 0;
  virtual HRESULT Close(LPCVOID data) = 0;

 protected:
  ~ID3DXInclude() = default;
};

struct ID3DXEffectPool : IUnknown {};

struct ID3DXEffect : IUnknown {
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;

  // A parameter by name among the top-level ones (parent null); null when there is none.
  virtual D3DXHANDLE GetParameterByName(D3DXHANDLE parent, LPCSTR name) = 0;
  virtual HRESULT SetValue(D3DXHANDLE parameter, LPCVOID data, UINT bytes) = 0;
  virtual HRESULT GetValue(D3DXHANDLE parameter, LPVOID data, UINT bytes) = 0;
  virtual HRESULT SetBool(D3DXHANDLE parameter, BOOL value) = 0;
  virtual HRESULT GetBool(D3DXHANDLE parameter, BOOL* value) = 0;
  virtual HRESULT SetInt(D3DXHANDLE parameter, int value) = 0;
  virtual HRESULT GetInt(D3DXHANDLE parameter, int* value) = 0;
  virtual HRESULT SetFloat(D3DXHANDLE parameter, FLOAT value) = 0;
  virtual HRESULT GetFloat(D3DXHANDLE parameter, FLOAT* value) = 0;
  virtual HRESULT SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) = 0;
  virtual HRESULT GetVector(D3DXHANDLE parameter, D3DXVECTOR4* vector) = 0;
  virtual HRESULT SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) = 0;
  virtual HRESULT GetMatrix(D3DXHANDLE parameter, D3DXMATRIX* matrix) = 0;
  virtual HRESULT SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) = 0;
  virtual HRESULT GetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9** texture) = 0;

  virtual D3DXHANDLE GetTechniqueByName(LPCSTR name) = 0;
  virtual HRESULT ValidateTechnique(D3DXHANDLE technique) = 0;
  // The first valid technique after `technique` (null: from the first); *next is null when
  // none is left.
  virtual HRESULT FindNextValidTechnique(D3DXHANDLE technique, D3DXHANDLE* next) = 0;
  virtual HRESULT SetTechnique(D3DXHANDLE technique) = 0;
  virtual D3DXHANDLE GetCurrentTechnique() = 0;

  virtual HRESULT Begin(UINT* passes, DWORD flags) = 0;
  virtual HRESULT BeginPass(UINT pass) = 0;
  virtual HRESULT CommitChanges() = 0;
  virtual HRESULT EndPass() = 0;
  virtual HRESULT End() = 0;

  virtual HRESULT OnLostDevice() = 0;
  virtual HRESULT OnResetDevice() = 0;
};

typedef ID3DXEffect* LPD3DXEFFECT;
typedef ID3DXEffectPool* LPD3DXEFFECTPOOL;
typedef ID3DXInclude* LPD3DXINCLUDE;

// Reads and compiles an effect file. On failure *effect is null and, when a message is given,
// *compilationErrors holds it: "file(line,col): error: ..." with the source lines around it.
HRESULT WINAPI D3DXCreateEffectFromFileA(IDirect3DDevice9* device, LPCSTR srcFile,
                                         const D3DXMACRO* defines, ID3DXInclude* include,
                                         DWORD flags, ID3DXEffectPool* pool, ID3DXEffect** effect,
                                         ID3DXBuffer** compilationErrors);

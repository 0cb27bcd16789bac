// The effect's parameters: lookups by name or handle, and the typed Set and Get calls, which
// convert between the call's type and the parameter's as D3DX does.
#include "runtime/d3dx9/effect.h"

#include <cstdint>
#include <cstring>

namespace ember::d3dx {

int Effect::ParameterIndex(D3DXHANDLE handle) const {
  if (!handle) return -1;
  const uintptr_t at = uintptr_t(handle), first = uintptr_t(handles_.data());
  if (!handles_.empty() && at >= first && at < first + handles_.size()) {
    const size_t index = at - first;
    return index < size_t(parameters_.Count()) ? int(index) : -1;
  }
  return parameters_.Find(handle);
}

int Effect::NumericParameter(D3DXHANDLE handle) const {
  const int index = ParameterIndex(handle);
  if (index < 0 || parameters_.Kind(index) != ParameterKind::Numeric) return -1;
  return index;
}

D3DXHANDLE Effect::GetParameterByName(D3DXHANDLE parent, LPCSTR name) {
  // Structure members are not kept: only top-level parameters have names to find.
  if (parent || !name) return nullptr;
  const int index = parameters_.Find(name);
  return index < 0 ? nullptr : ParameterHandle(index);
}

HRESULT Effect::SetValue(D3DXHANDLE parameter, LPCVOID data, UINT bytes) {
  const int index = NumericParameter(parameter);
  if (index < 0 || !data || bytes > size_t(parameters_.Slots(index)) * 4) return D3DERR_INVALIDCALL;
  parameters_.Write(index, data, bytes);
  return D3D_OK;
}

HRESULT Effect::GetValue(D3DXHANDLE parameter, LPVOID data, UINT bytes) {
  const int index = NumericParameter(parameter);
  const size_t size = index < 0 ? 0 : size_t(parameters_.Slots(index)) * 4;
  if (index < 0 || !data || bytes < size) return D3DERR_INVALIDCALL;
  parameters_.Read(index, data, size);
  return D3D_OK;
}

HRESULT Effect::SetBool(D3DXHANDLE parameter, BOOL value) {
  const int index = NumericParameter(parameter);
  if (index < 0) return D3DERR_INVALIDCALL;
  const uint32_t slot = parameters_.SlotFromInt(index, value != FALSE ? 1 : 0);
  parameters_.Write(index, &slot, sizeof slot);
  return D3D_OK;
}

HRESULT Effect::GetBool(D3DXHANDLE parameter, BOOL* value) {
  const int index = NumericParameter(parameter);
  if (index < 0 || !value) return D3DERR_INVALIDCALL;
  *value = parameters_.FloatAt(index, 0) != 0.0f ? TRUE : FALSE;
  return D3D_OK;
}

HRESULT Effect::SetInt(D3DXHANDLE parameter, int value) {
  const int index = NumericParameter(parameter);
  if (index < 0) return D3DERR_INVALIDCALL;
  const uint32_t slot = parameters_.SlotFromInt(index, value);
  parameters_.Write(index, &slot, sizeof slot);
  return D3D_OK;
}

HRESULT Effect::GetInt(D3DXHANDLE parameter, int* value) {
  const int index = NumericParameter(parameter);
  if (index < 0 || !value) return D3DERR_INVALIDCALL;
  *value = parameters_.IntAt(index, 0);
  return D3D_OK;
}

// A float given for a vector or matrix sets its first component, as D3DX does.
HRESULT Effect::SetFloat(D3DXHANDLE parameter, FLOAT value) {
  const int index = NumericParameter(parameter);
  if (index < 0) return D3DERR_INVALIDCALL;
  const uint32_t slot = parameters_.SlotFromFloat(index, value);
  parameters_.Write(index, &slot, sizeof slot);
  return D3D_OK;
}

HRESULT Effect::GetFloat(D3DXHANDLE parameter, FLOAT* value) {
  const int index = NumericParameter(parameter);
  if (index < 0 || !value) return D3DERR_INVALIDCALL;
  *value = parameters_.FloatAt(index, 0);
  return D3D_OK;
}

// A vector sets as many components as the parameter's first element has, four at most.
HRESULT Effect::SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) {
  const int index = NumericParameter(parameter);
  if (index < 0 || !vector || parameters_.Info(index).cls == FxClass::Matrix)
    return D3DERR_INVALIDCALL;
  const float components[4] = {vector->x, vector->y, vector->z, vector->w};
  uint32_t count = parameters_.SlotsPerElement(index);
  if (count > 4) count = 4;
  uint32_t slots[4];
  for (uint32_t i = 0; i < count; ++i) slots[i] = parameters_.SlotFromFloat(index, components[i]);
  parameters_.Write(index, slots, count * sizeof(uint32_t));
  return D3D_OK;
}

HRESULT Effect::GetVector(D3DXHANDLE parameter, D3DXVECTOR4* vector) {
  const int index = NumericParameter(parameter);
  if (index < 0 || !vector || parameters_.Info(index).cls == FxClass::Matrix)
    return D3DERR_INVALIDCALL;
  float components[4] = {};
  uint32_t count = parameters_.SlotsPerElement(index);
  if (count > 4) count = 4;
  for (uint32_t i = 0; i < count; ++i) components[i] = parameters_.FloatAt(index, i);
  *vector = D3DXVECTOR4(components[0], components[1], components[2], components[3]);
  return D3D_OK;
}

// A matrix parameter of R rows and C columns takes the top-left R x C part; of an array,
// the first element.
HRESULT Effect::SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) {
  const int index = NumericParameter(parameter);
  if (index < 0 || !matrix) return D3DERR_INVALIDCALL;
  const FxParameter& info = parameters_.Info(index);
  if (info.cls != FxClass::Matrix || info.rows > 4 || info.columns > 4) return D3DERR_INVALIDCALL;
  uint32_t slots[16];
  for (uint32_t r = 0; r < info.rows; ++r)
    for (uint32_t c = 0; c < info.columns; ++c)
      slots[r * info.columns + c] = parameters_.SlotFromFloat(index, matrix->m[r][c]);
  parameters_.Write(index, slots, size_t(info.rows) * info.columns * sizeof(uint32_t));
  return D3D_OK;
}

HRESULT Effect::GetMatrix(D3DXHANDLE parameter, D3DXMATRIX* matrix) {
  const int index = NumericParameter(parameter);
  if (index < 0 || !matrix) return D3DERR_INVALIDCALL;
  const FxParameter& info = parameters_.Info(index);
  if (info.cls != FxClass::Matrix || info.rows > 4 || info.columns > 4) return D3DERR_INVALIDCALL;
  std::memset(matrix->m, 0, sizeof matrix->m);
  for (uint32_t r = 0; r < info.rows; ++r)
    for (uint32_t c = 0; c < info.columns; ++c)
      matrix->m[r][c] = parameters_.FloatAt(index, r * info.columns + c);
  return D3D_OK;
}

HRESULT Effect::SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) {
  const int index = ParameterIndex(parameter);
  if (index < 0 || parameters_.Kind(index) != ParameterKind::Texture) return D3DERR_INVALIDCALL;
  parameters_.SetTexture(index, texture);
  return D3D_OK;
}

HRESULT Effect::GetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9** texture) {
  const int index = ParameterIndex(parameter);
  if (index < 0 || !texture || parameters_.Kind(index) != ParameterKind::Texture)
    return D3DERR_INVALIDCALL;
  *texture = parameters_.Texture(index);
  if (*texture) (*texture)->AddRef();
  return D3D_OK;
}

}  // namespace ember::d3dx

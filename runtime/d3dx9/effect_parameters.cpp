#include "runtime/d3dx9/effect_parameters.h"

#include <cstring>

namespace ember::d3dx {

namespace {

ParameterKind KindOf(FxType type) {
  switch (type) {
    case FxType::Float:
    case FxType::Int:
    case FxType::Bool:
      return ParameterKind::Numeric;
    case FxType::String:
      return ParameterKind::String;
    case FxType::Texture:
    case FxType::Texture1D:
    case FxType::Texture2D:
    case FxType::Texture3D:
    case FxType::TextureCube:
      return ParameterKind::Texture;
    default:
      return ParameterKind::Sampler;
  }
}

uint32_t FloatBits(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

float BitsFloat(uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Float to int as C converts it, with the ends of the range held rather than overflowing.
int Truncate(float value) {
  if (!(value > -2147483648.0f)) return value != value ? 0 : INT32_MIN;
  if (value >= 2147483648.0f) return INT32_MAX;
  return int(value);
}

}  // namespace

ParameterTable::~ParameterTable() { ReleaseTextures(); }

void ParameterTable::ReleaseTextures() {
  for (Entry& entry : entries_) {
    if (entry.texture) entry.texture->Release();
    entry.texture = nullptr;
  }
}

bool ParameterTable::Init(const std::vector<FxParameter>& parameters) {
  size_t total = 0;
  entries_.clear();
  entries_.reserve(parameters.size());
  for (const FxParameter& parameter : parameters) {
    const ParameterKind kind = KindOf(parameter.type);
    size_t count = 0;
    if (kind == ParameterKind::Numeric)
      count = size_t(parameter.rows) * parameter.columns *
              (parameter.arraySize > 0 ? parameter.arraySize : 1);
    if (count > kMaxSlots || total + count > kMaxSlots) return false;
    entries_.push_back(Entry{&parameter, kind, uint32_t(total), uint32_t(count), nullptr});
    total += count;
  }
  values_.assign(total, 0);
  for (int i = 0; i < Count(); ++i) {
    const Entry& entry = entries_[size_t(i)];
    const std::vector<float>& initial = entry.info->initialValue;
    for (uint32_t slot = 0; slot < entry.count && slot < initial.size(); ++slot)
      values_[entry.first + slot] = SlotFromFloat(i, initial[slot]);
  }
  return true;
}

int ParameterTable::Find(const char* name) const {
  if (!name) return -1;
  for (size_t i = 0; i < entries_.size(); ++i)
    if (std::strcmp(entries_[i].info->name.c_str(), name) == 0) return int(i);
  return -1;
}

uint32_t ParameterTable::SlotsPerElement(int index) const {
  return entries_[index].info->rows * entries_[index].info->columns;
}

void ParameterTable::Write(int index, const void* data, size_t bytes) {
  uint32_t* to = values_.data() + entries_[index].first;
  if (bytes == 0 || std::memcmp(to, data, bytes) == 0) return;
  std::memcpy(to, data, bytes);
  ++generation_;
}

void ParameterTable::Read(int index, void* data, size_t bytes) const {
  std::memcpy(data, values_.data() + entries_[index].first, bytes);
}

float ParameterTable::FloatAt(int index, uint32_t slot) const {
  const uint32_t value = values_[entries_[index].first + slot];
  switch (entries_[index].info->type) {
    case FxType::Float:
      return BitsFloat(value);
    case FxType::Int:
      return float(int32_t(value));
    default:
      return value != 0 ? 1.0f : 0.0f;
  }
}

int ParameterTable::IntAt(int index, uint32_t slot) const {
  const uint32_t value = values_[entries_[index].first + slot];
  switch (entries_[index].info->type) {
    case FxType::Float:
      return Truncate(BitsFloat(value));
    case FxType::Int:
      return int32_t(value);
    default:
      return value != 0 ? 1 : 0;
  }
}

uint32_t ParameterTable::SlotFromFloat(int index, float value) const {
  switch (entries_[index].info->type) {
    case FxType::Float:
      return FloatBits(value);
    case FxType::Int:
      return uint32_t(Truncate(value));
    default:
      return value != 0.0f ? 1u : 0u;
  }
}

uint32_t ParameterTable::SlotFromInt(int index, int value) const {
  switch (entries_[index].info->type) {
    case FxType::Float:
      return FloatBits(float(value));
    case FxType::Int:
      return uint32_t(value);
    default:
      return value != 0 ? 1u : 0u;
  }
}

void ParameterTable::SetTexture(int index, IDirect3DBaseTexture9* texture) {
  IDirect3DBaseTexture9*& held = entries_[index].texture;
  if (held == texture) return;
  if (texture) texture->AddRef();
  if (held) held->Release();
  held = texture;
}

void ParameterTable::Pack(const FxUniformBlock& block, uint8_t* shadow) const {
  for (const FxUniformMember& member : block.members) {
    if (member.parameter < 0 || member.parameter >= Count()) continue;
    if (member.scalar == FxScalarKind::Other || member.offset > block.size ||
        member.size > block.size - member.offset)
      continue;
    if (entries_[size_t(member.parameter)].kind != ParameterKind::Numeric) continue;
    PackMember(member, shadow);
  }
}

void ParameterTable::PackMember(const FxUniformMember& member, uint8_t* shadow) const {
  const int index = member.parameter;
  const FxParameter& info = *entries_[size_t(index)].info;
  const uint32_t perElement = SlotsPerElement(index);
  const uint32_t sourceElements = info.arraySize > 0 ? info.arraySize : 1;
  uint32_t elements = member.arrayCount > 0 ? member.arrayCount : 1;
  if (elements > sourceElements) elements = sourceElements;

  for (uint32_t e = 0; e < elements; ++e) {
    const uint32_t first = e * perElement;
    if (member.isMatrix) {
      if (member.scalar != FxScalarKind::Float || info.rows > 4 || info.columns > 4) return;
      float m[16] = {};
      for (uint32_t r = 0; r < info.rows; ++r)
        for (uint32_t c = 0; c < info.columns; ++c)
          m[4 * r + c] = FloatAt(index, first + r * info.columns + c);
      StoreMatrix(member, m, shadow, e);
      continue;
    }
    uint8_t* at = shadow + member.offset + size_t(e) * member.arrayStride;
    const uint32_t components = member.columns < perElement ? member.columns : perElement;
    for (uint32_t c = 0; c < components; ++c) {
      uint32_t value;
      if (member.scalar == FxScalarKind::Float)
        value = FloatBits(FloatAt(index, first + c));
      else if (member.scalar == FxScalarKind::UInt && info.type == FxType::Bool)
        value = IntAt(index, first + c) != 0 ? 1u : 0u;
      else
        value = uint32_t(IntAt(index, first + c));
      std::memcpy(at + 4 * c, &value, sizeof value);
    }
  }
}

}  // namespace ember::d3dx

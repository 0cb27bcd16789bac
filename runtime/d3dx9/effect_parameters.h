// The values of an effect's parameters as D3DX keeps them: a numeric parameter's components
// in 4-byte slots (floats, ints or BOOLs after its type), row after row and array element
// after array element; a texture parameter's texture, with a reference held. Packing writes
// the values into a uniform block at the places its reflection gives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/d3d9/d3d9.h"
#include "runtime/fx/model.h"
#include "runtime/fx/pass_compiler.h"

namespace ember::d3dx {

enum class ParameterKind { Numeric, Texture, Sampler, String };

class ParameterTable {
 public:
  ParameterTable() = default;
  ~ParameterTable();
  ParameterTable(const ParameterTable&) = delete;
  ParameterTable& operator=(const ParameterTable&) = delete;

  // Takes the declarations and their initial values; `parameters` must outlive the table.
  // False when the values would take more than kMaxSlots slots.
  bool Init(const std::vector<FxParameter>& parameters);

  static constexpr size_t kMaxSlots = size_t(1) << 22;

  int Count() const { return int(entries_.size()); }
  // The parameter called `name`, or -1. Compares against the table; allocates nothing.
  int Find(const char* name) const;
  const FxParameter& Info(int index) const { return *entries_[index].info; }
  ParameterKind Kind(int index) const { return entries_[index].kind; }

  // Numeric parameters: their slots in all, and the components of one array element.
  uint32_t Slots(int index) const { return entries_[index].count; }
  uint32_t SlotsPerElement(int index) const;
  // Copies `bytes` bytes from the first slot on; the generation moves when a byte changed.
  void Write(int index, const void* data, size_t bytes);
  void Read(int index, void* data, size_t bytes) const;
  // A component read as a float or an int, and a float or int made into the parameter's type.
  float FloatAt(int index, uint32_t slot) const;
  int IntAt(int index, uint32_t slot) const;
  uint32_t SlotFromFloat(int index, float value) const;
  uint32_t SlotFromInt(int index, int value) const;

  IDirect3DBaseTexture9* Texture(int index) const { return entries_[index].texture; }
  void SetTexture(int index, IDirect3DBaseTexture9* texture);
  // Lets go of every texture (the table's owner does it before it lets go of the device).
  void ReleaseTextures();

  // Moves whenever a numeric value changes.
  uint64_t Generation() const { return generation_; }

  // Writes the members of `block` that belong to parameters into `shadow`, which holds at
  // least block.size bytes.
  void Pack(const FxUniformBlock& block, uint8_t* shadow) const;

 private:
  struct Entry {
    const FxParameter* info;
    ParameterKind kind;
    uint32_t first;  // into values_
    uint32_t count;
    IDirect3DBaseTexture9* texture;
  };

  void PackMember(const FxUniformMember& member, uint8_t* shadow) const;

  std::vector<Entry> entries_;
  std::vector<uint32_t> values_;
  uint64_t generation_ = 0;
};

}  // namespace ember::d3dx

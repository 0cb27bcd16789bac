// Compiles an effect pass's two shaders from HLSL to GLSL 330 core
// (glslang's HLSL front end in Direct3D 9 mode, then SPIRV-Cross), with what
// the GL side needs to drive them: the uniform block layout of each stage,
// the sampler uniforms and the vertex attributes by semantic.
//
// Conventions of the generated vertex shaders: clip-space depth is moved from
// Direct3D's 0..1 to GL's -1..1 and clip-space y is negated, so that drawing
// into a framebuffer read top row first gives Direct3D's top-left origin. The
// y flip mirrors the picture, which turns clockwise triangles on screen into
// counter-clockwise ones for GL's culling.
//
// Matrix packing. An HLSL matrix M of R rows and C columns (float4x3: R=4,
// C=3) reaches SPIR-V transposed: glslang makes it a matrix G of R columns,
// each a C-component vector, so G = M^T, and it turns the row-vector product
// mul(v, M) into G * v, which is the same numbers. The member's SPIR-V
// decoration says how G lies in the block:
//   RowMajor (HLSL column_major, the default packing): row c of G, which is
//     column c of M, starts at offset + c * matrixStride, element r at 4 * r
//     after it:   M[r][c] -> offset + c * matrixStride + 4 * r.
//   ColMajor (HLSL row_major): column r of G, which is row r of M, starts at
//     offset + r * matrixStride:   M[r][c] -> offset + r * matrixStride + 4 * c.
// A D3DXMATRIX stores M[r][c] at m[4 * r + c], for row vectors
// (mul(position, wvp) is position * wvp). StoreMatrix below puts it in place:
// for the default packing that is the transpose, as D3DX's own SetMatrix does
// for column-major constants. Of a bigger D3DXMATRIX only the member's R x C
// top-left part is stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/fx/model.h"

namespace ember {

enum class FxScalarKind {
  Float,
  Int,
  UInt,   // HLSL bool arrives as a 32-bit unsigned 0 or 1
  Other,  // struct members and the like; the effect cannot set them
};

struct FxUniformMember {
  std::string glslName;  // the member's name in the GLSL block
  int parameter = -1;    // index into FxEffect::parameters; -1 when no parameter matches
  FxScalarKind scalar = FxScalarKind::Float;
  uint32_t offset = 0;  // bytes from the start of the block
  uint32_t size = 0;    // bytes the member spans, array elements included
  uint32_t rows = 1;    // as the HLSL declares it: float4x3 -> 4, 3; float3 -> 1, 3
  uint32_t columns = 1;
  uint32_t arrayCount = 0;   // 0 when not an array
  uint32_t arrayStride = 0;  // bytes between array elements (std140: a multiple of 16)
  bool isMatrix = false;
  uint32_t matrixStride =
      0;  // bytes between the rows (RowMajor) or columns (ColMajor) of SPIR-V's matrix
  bool spirvRowMajor = false;
};

// A stage's non-sampler parameters, as one std140 uniform block. Bind it with
// glGetUniformBlockIndex(glslName) and upload a shadow of `size` bytes.
// glslang puts every global parameter in the block, read or not, so when both
// stages have one they agree on every member and offset.
struct FxUniformBlock {
  std::string glslName;  // empty when the stage reads no parameter
  uint32_t size = 0;
  std::vector<FxUniformMember> members;
};

// GLSL 330 has no binding qualifier: after linking, set the unit with
// glUniform1i(glGetUniformLocation(program, glslName), unit).
struct FxSamplerBinding {
  std::string glslName;  // "maps[1]" for an element of a sampler array
  int parameter = -1;    // the effect's sampler parameter
  int element = -1;      // the element of a sampler array; -1 for a plain sampler
  bool vertexStage = false;
  bool fragmentStage = false;
};

// Bind each before linking with glBindAttribLocation(program, location,
// glslName), the location chosen for the vertex declaration element of the
// same usage and usage index.
struct FxVertexInput {
  std::string glslName;
  std::string semantic;  // as the HLSL writes it: "TEXCOORD0"
  uint32_t usage = 0;    // D3DDECLUSAGE
  uint32_t usageIndex = 0;
};

struct FxCompiledPass {
  std::string vertexGlsl;
  std::string fragmentGlsl;
  FxUniformBlock vertexUniforms;
  FxUniformBlock fragmentUniforms;
  std::vector<FxSamplerBinding> samplers;
  std::vector<FxVertexInput> vertexInputs;
};

// Compiles pass `passIndex` of technique `techniqueIndex`. On failure returns
// false with `error` as the effect compiler shows it:
// "Flame_OK.fx(42,9): error: 'foo' : unknown variable", the offending line
// and its neighbours after it. Not thread-safe: compile from one thread.
bool CompilePass(const FxEffect& effect, size_t techniqueIndex, size_t passIndex,
                 const char* fileName, FxCompiledPass& out, std::string& error);
// The same pass with the given shaders in place of its own: one of the shaders a parameter
// picks from a shader array.
bool CompilePassWith(const FxEffect& effect, size_t techniqueIndex, size_t passIndex,
                     const FxShaderCall& vertexShader, const FxShaderCall& pixelShader,
                     const char* fileName, FxCompiledPass& out, std::string& error);

// Writes the D3DXMATRIX `m` into the block shadow for a matrix member, array
// element `element`, following the member's reflected layout (see above).
// Does nothing for a member that is no matrix or an element past the array.
void StoreMatrix(const FxUniformMember& member, const float m[16], uint8_t* blockShadow,
                 uint32_t element = 0);

}  // namespace ember

// Flexible vertex format codes: their vertex size, and their translation to and from vertex
// declarations. A code's elements come in the documented order (position, blend weights,
// normal, point size, diffuse, specular, texture coordinates), packed from offset 0 of stream 0.
#pragma once

#include "runtime/d3d9/d3d9.h"

namespace ember::d3d9 {

// Reserved bits clear, a known position type, at most 8 texture coordinates, last-beta flags
// only with blend weights.
bool IsValidFvf(DWORD fvf);

// Bytes per vertex; the sizes of the parts the code names, whatever else it holds.
UINT FvfVertexSize(DWORD fvf);

// The equivalent element list, end marker included; false for an invalid code.
bool DeclarationFromFvf(DWORD fvf, D3DVERTEXELEMENT9 (&elements)[MAXD3DDECLLENGTH + 1]);

// The code of a declaration laid out as a code would be; 0 when no code describes it (other
// usages, other types, gaps, other streams, or blend weights, which we do not express).
DWORD FvfFromDeclaration(const D3DVERTEXELEMENT9* elements);

}  // namespace ember::d3d9

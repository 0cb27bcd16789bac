#include "runtime/d3d9/fvf.h"

#include "runtime/d3d9/vertex_declaration.h"

namespace ember::d3d9 {

namespace {

constexpr DWORD kLastBetaFlags = D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR;

UINT TexCount(DWORD fvf) { return (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT; }

// Floats in texture coordinate set i.
UINT TexCoordFloats(DWORD fvf, UINT i) {
  switch ((fvf >> (16 + 2 * i)) & 3) {
    case D3DFVF_TEXTUREFORMAT1:
      return 1;
    case D3DFVF_TEXTUREFORMAT3:
      return 3;
    case D3DFVF_TEXTUREFORMAT4:
      return 4;
    default:
      return 2;
  }
}

// Blend weights with XYZB1 to XYZB5 (0x6 to 0xE in steps of 2); 0 otherwise.
UINT BetaCount(DWORD position) {
  return position >= D3DFVF_XYZB1 && position <= D3DFVF_XYZB5 ? (position - D3DFVF_XYZRHW) / 2 : 0;
}

// XYZ and XYZB1 to XYZB5: three floats of position, then the blend weights.
bool IsXyzFamily(DWORD position) { return position == D3DFVF_XYZ || BetaCount(position) > 0; }

BYTE FloatType(UINT floats) { return BYTE(D3DDECLTYPE_FLOAT1 + (floats - 1)); }

// Appends elements to a list, tracking the packed offset.
struct ElementWriter {
  D3DVERTEXELEMENT9* elements;
  UINT count = 0;
  WORD offset = 0;

  void Add(BYTE type, BYTE usage, BYTE index) {
    elements[count++] = D3DVERTEXELEMENT9{0, offset, type, D3DDECLMETHOD_DEFAULT, usage, index};
    offset = WORD(offset + DeclTypeSize(type));
  }
};

// Matches elements against the packed layout, one expected element at a time.
struct ElementReader {
  const D3DVERTEXELEMENT9* elements;
  UINT next = 0;
  UINT offset = 0;

  bool Take(BYTE type, BYTE usage, BYTE index) {
    const D3DVERTEXELEMENT9& e = elements[next];
    if (IsDeclEnd(e) || e.Stream != 0 || e.Offset != offset || e.Type != type ||
        e.Method != D3DDECLMETHOD_DEFAULT || e.Usage != usage || e.UsageIndex != index)
      return false;
    ++next;
    offset += DeclTypeSize(type);
    return true;
  }
  bool Done() const { return IsDeclEnd(elements[next]); }
};

}  // namespace

bool IsValidFvf(DWORD fvf) {
  if (fvf & (D3DFVF_RESERVED0 | 0x2000)) return false;
  const DWORD position = fvf & D3DFVF_POSITION_MASK;
  const bool knownPosition = position == 0 || position == D3DFVF_XYZRHW ||
                             position == D3DFVF_XYZW || IsXyzFamily(position);
  if (!knownPosition || TexCount(fvf) > 8) return false;
  const DWORD lastBeta = fvf & kLastBetaFlags;
  if (lastBeta == kLastBetaFlags) return false;
  return lastBeta == 0 || BetaCount(position) > 0;
}

UINT FvfVertexSize(DWORD fvf) {
  UINT size = 0;
  const DWORD position = fvf & D3DFVF_POSITION_MASK;
  if (position == D3DFVF_XYZRHW || position == D3DFVF_XYZW)
    size += 16;
  else if (IsXyzFamily(position))
    size += 12 + 4 * BetaCount(position);
  if (fvf & D3DFVF_NORMAL) size += 12;
  if (fvf & D3DFVF_PSIZE) size += 4;
  if (fvf & D3DFVF_DIFFUSE) size += 4;
  if (fvf & D3DFVF_SPECULAR) size += 4;
  const UINT texCount = TexCount(fvf) < 8 ? TexCount(fvf) : 8;
  for (UINT i = 0; i < texCount; ++i) size += 4 * TexCoordFloats(fvf, i);
  return size;
}

bool DeclarationFromFvf(DWORD fvf, D3DVERTEXELEMENT9 (&elements)[MAXD3DDECLLENGTH + 1]) {
  if (!IsValidFvf(fvf)) return false;
  ElementWriter out{elements};
  const DWORD position = fvf & D3DFVF_POSITION_MASK;
  if (position == D3DFVF_XYZRHW) out.Add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITIONT, 0);
  if (position == D3DFVF_XYZW) out.Add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITION, 0);
  if (IsXyzFamily(position)) {
    out.Add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0);
    UINT betas = BetaCount(position);
    // With a last-beta flag the last of the betas holds the blend indices instead.
    const DWORD lastBeta = fvf & kLastBetaFlags;
    if (lastBeta) --betas;
    if (betas > 0) out.Add(FloatType(betas > 4 ? 4 : betas), D3DDECLUSAGE_BLENDWEIGHT, 0);
    if (betas > 4) out.Add(FloatType(betas - 4), D3DDECLUSAGE_BLENDWEIGHT, 1);
    if (lastBeta)
      out.Add(lastBeta == D3DFVF_LASTBETA_UBYTE4 ? D3DDECLTYPE_UBYTE4 : D3DDECLTYPE_D3DCOLOR,
              D3DDECLUSAGE_BLENDINDICES, 0);
  }
  if (fvf & D3DFVF_NORMAL) out.Add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0);
  if (fvf & D3DFVF_PSIZE) out.Add(D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_PSIZE, 0);
  if (fvf & D3DFVF_DIFFUSE) out.Add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0);
  if (fvf & D3DFVF_SPECULAR) out.Add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1);
  for (UINT i = 0; i < TexCount(fvf); ++i)
    out.Add(FloatType(TexCoordFloats(fvf, i)), D3DDECLUSAGE_TEXCOORD, BYTE(i));
  elements[out.count] = D3DVERTEXELEMENT9 D3DDECL_END();
  return true;
}

DWORD FvfFromDeclaration(const D3DVERTEXELEMENT9* elements) {
  if (!elements) return 0;
  ElementReader in{elements};
  DWORD fvf = 0;
  if (in.Take(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0))
    fvf |= D3DFVF_XYZ;
  else if (in.Take(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITIONT, 0))
    fvf |= D3DFVF_XYZRHW;
  else if (in.Take(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITION, 0))
    fvf |= D3DFVF_XYZW;
  if (in.Take(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0)) fvf |= D3DFVF_NORMAL;
  if (in.Take(D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_PSIZE, 0)) fvf |= D3DFVF_PSIZE;
  if (in.Take(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0)) fvf |= D3DFVF_DIFFUSE;
  if (in.Take(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1)) fvf |= D3DFVF_SPECULAR;
  static const DWORD kFormatOfFloats[5] = {0, D3DFVF_TEXTUREFORMAT1, D3DFVF_TEXTUREFORMAT2,
                                           D3DFVF_TEXTUREFORMAT3, D3DFVF_TEXTUREFORMAT4};
  UINT texCount = 0;
  while (texCount < 8) {
    UINT floats = 1;
    while (floats <= 4 && !in.Take(FloatType(floats), D3DDECLUSAGE_TEXCOORD, BYTE(texCount)))
      ++floats;
    if (floats > 4) break;
    fvf |= kFormatOfFloats[floats] << (16 + 2 * texCount);
    ++texCount;
  }
  fvf |= texCount << D3DFVF_TEXCOUNT_SHIFT;
  return in.Done() ? fvf : 0;
}

}  // namespace ember::d3d9

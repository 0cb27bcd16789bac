// What the D3DX texture and surface loaders share: reading a picture file, D3DX's size,
// filter and format rules, and the report of a file that cannot be used.
#pragma once

#include "runtime/d3dx9/d3dx9tex.h"
#include "runtime/d3dx9/picture_rules.h"
#include "runtime/image/image.h"

namespace ember::d3dx {

// Reads and decodes a picture named by a Windows path. A file that cannot be read or decoded
// answers D3DXERR_INVALIDDATA and says why on the debug output.
HRESULT LoadPicture(const char* windowsPath, Image& image);

// What both texture loaders do first: check the filters, read the file, apply the colour key
// and convert to the texture format (the file's when D3DFMT_UNKNOWN, which format then names).
HRESULT PreparePicture(const char* windowsPath, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                       D3DFORMAT& format, Image& image, D3DXIMAGE_INFO& info);

// The mip levels for a request: 0 and D3DX_DEFAULT mean the full chain.
UINT MipLevelsFor(UINT requested, UINT width, UINT height, UINT depth);

// The file's own S3TC blocks as a new texture, when the driver takes them and the request
// changes nothing: the file's format or none named, the file's size, no colour key, and the file
// holds every level asked for. Null otherwise, and the caller decodes.
IDirect3DTexture9* TextureFromBlocks(IDirect3DDevice9* device, const Image& image,
                                     D3DFORMAT requested, D3DCOLOR colorKey, UINT width,
                                     UINT height, UINT mipLevels, DWORD usage, D3DPOOL pool);

// Writes the picture into level 0 of the texture and each halved picture into the next level.
bool FillTextureLevels(IDirect3DBaseTexture9* texture, Image& image);

// Writes "D3DX: <what>: <detail>" to the debug output.
void ReportFailure(const char* what, const char* detail);

}  // namespace ember::d3dx

// D3DX's rules for turning a decoded picture into the pictures of a texture's levels: sizes,
// formats, the colour key, scaling and the mip chain. Plain CPU code, no device: the texture
// loaders and the texture fuzz target share it.
#pragma once

#include <functional>

#include "runtime/d3dx9/d3dx9tex.h"
#include "runtime/image/image.h"

namespace ember::d3dx {

// The file's description, as D3DXIMAGE_INFO gives it.
D3DXIMAGE_INFO PictureInfo(const Image& image);

// D3DX_DEFAULT (or D3DX_FILTER_*, with its modifier bits).
bool ValidFilter(DWORD filter);

// A texture side for a requested one: 0 and D3DX_DEFAULT round the file's side up to a power
// of two, D3DX_DEFAULT_NONPOW2 keeps it, anything else is taken as given.
UINT TextureSide(UINT requested, UINT fileSide);

// A texture side no larger than the device allows (0 means no limit).
UINT CappedSide(UINT side, DWORD limit);

// Applies the colour key, then converts to the texture format (the file's when D3DFMT_UNKNOWN
// or D3DFMT_FROM_FILE, which `format` then names). Answers what went wrong, or null.
const char* KeyAndConvert(Image& image, D3DCOLOR colorKey, D3DFORMAT& format);

// Scales to the size unless it already has it.
bool FitPicture(Image& image, UINT width, UINT height, UINT depth = 1);

// Hands `write` the picture of each of `levels` levels: the picture itself, then each halving
// of the level before. `image` ends as the last level.
bool ForEachLevel(Image& image, UINT levels,
                  const std::function<void(UINT level, const Image& picture)>& write);

}  // namespace ember::d3dx

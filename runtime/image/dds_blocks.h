// The S3TC blocks of DXT1 to DXT5 (BC1 to BC3): 4x4 pixels each, decoded to B, G, R, A.
#pragma once

#include <cstdint>

namespace ember::image_detail {

// Bytes a block takes: 8 for DXT1, 16 for the others.
inline uint32_t DxtBlockBytes(int version) { return version == 1 ? 8 : 16; }

// Decodes one block of DXT`version` (1 to 5) into 16 pixels, row after row, 4 bytes each.
// DXT2 and DXT4 hold colours premultiplied by alpha; they are given back as stored.
void DecodeDxtBlock(const uint8_t* block, int version, uint8_t bgra[64]);

}  // namespace ember::image_detail

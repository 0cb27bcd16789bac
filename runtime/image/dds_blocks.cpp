#include "runtime/image/dds_blocks.h"

namespace ember::image_detail {
namespace {

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// A 5:6:5 endpoint widened to 8 bits a channel, B, G, R.
void Endpoint(uint16_t c, uint8_t out[3]) {
  const uint32_t r = c >> 11 & 0x1F, g = c >> 5 & 0x3F, b = c & 0x1F;
  out[0] = static_cast<uint8_t>(b << 3 | b >> 2);
  out[1] = static_cast<uint8_t>(g << 2 | g >> 4);
  out[2] = static_cast<uint8_t>(r << 3 | r >> 2);
}

uint8_t Mix(uint32_t a, uint32_t b, uint32_t wa, uint32_t wb, uint32_t total) {
  return static_cast<uint8_t>((a * wa + b * wb + total / 2) / total);
}

// The colour half of every block. DXT1 alone uses the three-colour mode with transparent black
// when the first endpoint is not above the second.
void DecodeColours(const uint8_t* block, bool dxt1, uint8_t bgra[64]) {
  const uint16_t c0 = Le16(block), c1 = Le16(block + 2);
  uint8_t palette[4][4];
  Endpoint(c0, palette[0]);
  Endpoint(c1, palette[1]);
  palette[0][3] = palette[1][3] = 0xFF;
  const bool fourColours = !dxt1 || c0 > c1;
  for (int k = 0; k < 3; ++k) {
    const uint32_t a = palette[0][k], b = palette[1][k];
    palette[2][k] = fourColours ? Mix(a, b, 2, 1, 3) : Mix(a, b, 1, 1, 2);
    palette[3][k] = fourColours ? Mix(a, b, 1, 2, 3) : 0;
  }
  palette[2][3] = 0xFF;
  palette[3][3] = fourColours ? 0xFF : 0;
  const uint32_t indices = static_cast<uint32_t>(block[4]) | block[5] << 8 | block[6] << 16 |
                           static_cast<uint32_t>(block[7]) << 24;
  for (int i = 0; i < 16; ++i) {
    const uint8_t* c = palette[indices >> (2 * i) & 3];
    for (int k = 0; k < 4; ++k) bgra[4 * i + k] = c[k];
  }
}

// DXT2 and DXT3: sixteen 4-bit alphas.
void DecodeExplicitAlpha(const uint8_t* alpha, uint8_t bgra[64]) {
  for (int i = 0; i < 16; ++i) {
    const uint32_t a = alpha[i / 2] >> (4 * (i % 2)) & 0xF;
    bgra[4 * i + 3] = static_cast<uint8_t>(a << 4 | a);
  }
}

// DXT4 and DXT5: two alpha endpoints and sixteen 3-bit indices between them.
void DecodeInterpolatedAlpha(const uint8_t* alpha, uint8_t bgra[64]) {
  const uint32_t a0 = alpha[0], a1 = alpha[1];
  uint8_t palette[8] = {static_cast<uint8_t>(a0), static_cast<uint8_t>(a1)};
  if (a0 > a1) {
    for (uint32_t i = 1; i < 7; ++i) palette[i + 1] = Mix(a0, a1, 7 - i, i, 7);
  } else {
    for (uint32_t i = 1; i < 5; ++i) palette[i + 1] = Mix(a0, a1, 5 - i, i, 5);
    palette[6] = 0;
    palette[7] = 0xFF;
  }
  uint64_t indices = 0;
  for (int i = 0; i < 6; ++i) indices |= static_cast<uint64_t>(alpha[2 + i]) << (8 * i);
  for (int i = 0; i < 16; ++i) bgra[4 * i + 3] = palette[indices >> (3 * i) & 7];
}

}  // namespace

void DecodeDxtBlock(const uint8_t* block, int version, uint8_t bgra[64]) {
  if (version == 1) {
    DecodeColours(block, true, bgra);
    return;
  }
  DecodeColours(block + 8, false, bgra);
  if (version <= 3)
    DecodeExplicitAlpha(block, bgra);
  else
    DecodeInterpolatedAlpha(block, bgra);
}

}  // namespace ember::image_detail

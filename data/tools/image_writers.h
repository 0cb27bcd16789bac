// Writers for the file formats the program reads. Each returns false and fills
// `error` when the file cannot be written; pixel rows are given top to bottom.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ember {

// RGBA, 8 bits a channel, straight alpha.
bool WritePngRgba(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
                  std::string& error);

// RGB, 8 bits a channel, without chroma subsampling (so thin coloured edges stay clean).
bool WriteJpegRgb(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
                  int quality, std::string& error);

// Uncompressed 24-bit BMP, stored bottom-up as Windows expects, rows padded to 4 bytes.
bool WriteBmp24(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
                std::string& error);

// DDS volume texture, one mip level, 8-bit luminance; `voxels` is slice by slice,
// each slice row by row.
bool WriteDdsVolumeL8(const std::string& path, int width, int height, int depth,
                      const std::vector<uint8_t>& voxels, std::string& error);

}  // namespace ember

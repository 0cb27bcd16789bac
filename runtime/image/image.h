// Image codecs and pixel operations under the D3DX texture and surface loaders.
// Pure CPU code: decoding PNG, JPEG, BMP and DDS from memory, scaling, mip halving,
// colour keys and a 24-bit BMP writer for screenshots.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ember {

// Pixel formats, numbered as Direct3D 9's D3DFORMAT.
constexpr uint32_t kFmtA8R8G8B8 = 21;
constexpr uint32_t kFmtX8R8G8B8 = 22;
constexpr uint32_t kFmtA8 = 28;
constexpr uint32_t kFmtL8 = 50;
constexpr uint32_t kFmtA8L8 = 51;
// S3TC block formats, by their FourCC codes; kept beside the decoded pixels (Image::blocks).
constexpr uint32_t kFmtDxt1 = 0x31545844;
constexpr uint32_t kFmtDxt3 = 0x33545844;
constexpr uint32_t kFmtDxt5 = 0x35545844;

// File formats, numbered as D3DXIMAGE_FILEFORMAT.
constexpr uint32_t kFileBmp = 0;
constexpr uint32_t kFileJpg = 1;
constexpr uint32_t kFileTga = 2;
constexpr uint32_t kFilePng = 3;
constexpr uint32_t kFileDds = 4;

// Limits checked before any pixel memory is allocated. kMaxImageBytes bounds what a load holds
// at once: a decoder's input and picture together (libjpeg's own buffers included), then the
// source and result of each conversion, scaling or halving, since each step frees its source.
constexpr uint32_t kMaxImageDimension = 16384;
constexpr uint32_t kMaxImageDepth = 2048;
constexpr uint64_t kMaxImageBytes = 512ull << 20;
constexpr uint64_t kMaxImageFileBytes = 256ull << 20;

// Pixels are tightly packed, top row first, volume slices one after another.
// 4-byte formats hold B, G, R, A in memory (a little-endian 0xAARRGGBB); X8R8G8B8
// stores A as 255. L8 and A8 use one byte a pixel, A8L8 two (L then A).
struct Image {
  uint32_t width = 0, height = 0, depth = 1;
  uint32_t format = 0;
  uint32_t fileFormat = 0;
  bool isVolume = false;
  std::vector<uint8_t> pixels;
  // A 2D DDS of DXT1, DXT3 or DXT5 also keeps the file's own blocks, so that a driver with
  // S3TC can take them as they are: each mip level the file holds, largest first. The
  // operations below leave them alone; they describe the file, not a changed picture.
  uint32_t blockFormat = 0;
  std::vector<std::vector<uint8_t>> blockLevels;
};

// Bytes of the S3TC blocks covering a width x height picture; 0 for a format that has none.
uint64_t BlockBytes(uint32_t blockFormat, uint32_t width, uint32_t height);

// Bytes a pixel for the formats above; 0 for any other format.
uint32_t ImageBytesPerPixel(uint32_t format);

// Decodes PNG, JPEG, BMP or DDS, recognised by content. On failure `out` is left
// untouched and `error` says what is wrong.
bool DecodeImage(const uint8_t* data, size_t size, Image& out, std::string& error);
bool LoadImageFile(const char* path, Image& out, std::string& error);

// Scales to the given size: a box filter along an axis that shrinks, bilinear along
// one that grows. Works on 1, 2 and 4 byte formats; `out` may be `src`. Besides the source
// and the result it needs one source row of floats.
bool ResizeImage(const Image& src, uint32_t width, uint32_t height, uint32_t depth, Image& out);

// The next mip level: each dimension halved (at least 1), box filtered.
bool HalveImage(const Image& src, Image& out);

// Converts L8, A8, A8L8 and X8R8G8B8 images to A8R8G8B8 in place.
bool ConvertImageToArgb(Image& image);

// Converts between the formats above (to L8 by Rec. 709 luminance); false for any other.
bool ConvertImage(Image& image, uint32_t format);

// D3DX colour key: the image becomes A8R8G8B8 and every pixel whose ARGB value equals
// the key turns transparent black. A key of 0 disables keying and changes nothing.
bool ApplyColorKey(Image& image, uint32_t argbKey);

// Writes a 24-bit bottom-up BMP from rows of B, G, R, A pixels, replacing any file at
// `path`. Nothing is left behind when writing fails.
bool WriteBmp24(const char* path, uint32_t width, uint32_t height, const uint8_t* bgra,
                size_t pitchBytes, std::string& error);

}  // namespace ember

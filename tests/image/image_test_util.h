// Helpers shared by the image tests: small PNG and JPEG encoders over libpng and
// libjpeg, little-endian byte builders, pixel access and scratch paths.
#pragma once

#include <unistd.h>

#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/image/image.h"

namespace ember::test {

inline void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

inline void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& more) {
  out.insert(out.end(), more.begin(), more.end());
}

// The pixel at (x, y, z) of a 4-byte image as 0xAARRGGBB.
inline uint32_t Argb(const Image& image, uint32_t x, uint32_t y, uint32_t z = 0) {
  const uint8_t* p = image.pixels.data() + ((z * image.height + y) * image.width + x) * 4;
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Four-byte pixels in memory order (B, G, R, A) from 0xAARRGGBB values.
inline std::vector<uint8_t> BgraBytes(const std::vector<uint32_t>& argb) {
  std::vector<uint8_t> out;
  for (uint32_t v : argb) Put32(out, v);
  return out;
}

struct PngSpec {
  uint32_t width = 1, height = 1;
  int colorType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<png_color> palette;
  std::vector<uint8_t> paletteAlpha;  // tRNS for palette images
  bool colorKey = false;              // tRNS for gray and RGB images
  png_color_16 keyValue{};
};

inline void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

// `rows` holds the rows exactly as PNG stores them (16-bit samples big-endian).
inline std::vector<uint8_t> EncodePng(const PngSpec& spec, const std::vector<uint8_t>& rows) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, AppendToVector, nullptr);
  png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colorType,
               spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!spec.palette.empty()) {
    png_set_PLTE(png, info, spec.palette.data(), static_cast<int>(spec.palette.size()));
  }
  if (!spec.paletteAlpha.empty()) {
    png_set_tRNS(png, info, spec.paletteAlpha.data(), static_cast<int>(spec.paletteAlpha.size()),
                 nullptr);
  }
  if (spec.colorKey) png_set_tRNS(png, info, nullptr, 0, &spec.keyValue);
  png_write_info(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  const int passes = png_set_interlace_handling(png);
  for (int pass = 0; pass < passes; ++pass) {
    for (uint32_t y = 0; y < spec.height; ++y) {
      png_write_row(png, rows.data() + y * rowBytes);
    }
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

enum class JpegCoding { Baseline, Progressive, Arithmetic };

// Encodes 1 (grey) or 3 (RGB) component samples at full chroma resolution.
inline std::vector<uint8_t> EncodeJpeg(uint32_t width, uint32_t height, int components,
                                       const std::vector<uint8_t>& samples,
                                       JpegCoding coding = JpegCoding::Baseline) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 100, TRUE);
  for (int c = 0; c < cinfo.num_components; ++c) {
    cinfo.comp_info[c].h_samp_factor = 1;
    cinfo.comp_info[c].v_samp_factor = 1;
  }
  if (coding == JpegCoding::Progressive) jpeg_simple_progression(&cinfo);
  cinfo.arith_code = coding == JpegCoding::Arithmetic;
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < height) {
    JSAMPROW row = const_cast<uint8_t*>(samples.data()) +
                   static_cast<size_t>(cinfo.next_scanline) * width * components;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return out;
}

// A path in the test scratch directory, unique to this process.
inline std::string ScratchPath(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/ember_image_test_" + std::to_string(getpid()) +
         "_" + name;
}

// DDS files written by hand: the header's fields, then the data as given.
constexpr uint32_t kDdsdBasic = 0x1 | 0x2 | 0x4 | 0x1000;  // caps, height, width, pixel format
constexpr uint32_t kDdsdMipCount = 0x20000;
constexpr uint32_t kDdsdDepth = 0x800000;
constexpr uint32_t kDdpfAlphaPixels = 0x1;
constexpr uint32_t kDdpfAlpha = 0x2;
constexpr uint32_t kDdpfFourCC = 0x4;
constexpr uint32_t kDdpfRgb = 0x40;
constexpr uint32_t kDdpfLuminance = 0x20000;
constexpr uint32_t kCaps2Cubemap = 0x200 | 0xFC00;
constexpr uint32_t kCaps2Volume = 0x200000;

struct DdsSpec {
  uint32_t width = 1, height = 1, depth = 0, mipCount = 0;
  uint32_t flags = kDdsdBasic;
  uint32_t pfFlags = kDdpfRgb, fourCC = 0, bitCount = 32;
  uint32_t r = 0xFF0000, g = 0xFF00, b = 0xFF, a = 0;
  uint32_t caps2 = 0;
  std::vector<uint8_t> data;
};

inline std::vector<uint8_t> BuildDds(const DdsSpec& s) {
  std::vector<uint8_t> file = {'D', 'D', 'S', ' '};
  Put32(file, 124);
  Put32(file, s.flags);
  Put32(file, s.height);
  Put32(file, s.width);
  Put32(file, s.width * s.bitCount / 8);
  Put32(file, s.depth);
  Put32(file, s.mipCount);
  for (int i = 0; i < 11; ++i) Put32(file, 0);
  for (uint32_t v : {32u, s.pfFlags, s.fourCC, s.bitCount, s.r, s.g, s.b, s.a}) Put32(file, v);
  Put32(file, 0x1000);  // DDSCAPS_TEXTURE
  Put32(file, s.caps2);
  for (int i = 0; i < 3; ++i) Put32(file, 0);
  Append(file, s.data);
  return file;
}

// A 4x4 block of 16 two-bit indices, row after row, as DXT blocks hold them.
inline void PutIndices(std::vector<uint8_t>& out, const int (&indices)[16]) {
  uint32_t bits = 0;
  for (int i = 0; i < 16; ++i) bits |= uint32_t(indices[i]) << (2 * i);
  Put32(out, bits);
}

inline DdsSpec FourCCSpec(uint32_t width, uint32_t height, const char* code,
                          std::vector<uint8_t> data) {
  DdsSpec spec;
  spec.width = width;
  spec.height = height;
  spec.pfFlags = kDdpfFourCC;
  spec.fourCC = uint32_t(uint8_t(code[0])) | uint32_t(uint8_t(code[1])) << 8 |
                uint32_t(uint8_t(code[2])) << 16 | uint32_t(uint8_t(code[3])) << 24;
  spec.bitCount = 0;
  spec.r = spec.g = spec.b = 0;
  spec.data = std::move(data);
  return spec;
}

}  // namespace ember::test

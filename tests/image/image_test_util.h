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

}  // namespace ember::test

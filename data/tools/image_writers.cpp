#include "data/tools/image_writers.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <png.h>

namespace ember {

namespace {

bool CheckSize(int width, int height, size_t channels, size_t have, std::string& error) {
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
    error = "bad image size " + std::to_string(width) + "x" + std::to_string(height);
    return false;
  }
  if (have != size_t(width) * size_t(height) * channels) {
    error = "pixel buffer does not match the image size";
    return false;
  }
  return true;
}

void PutLe16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

bool WriteAll(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  if (!ok) error = "cannot write " + path;
  return ok;
}

// libjpeg reports errors through a callback that must not return.
struct JpegError {
  jpeg_error_mgr manager;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr info) {
  JpegError* e = reinterpret_cast<JpegError*>(info->err);
  (*info->err->format_message)(info, e->message);
  longjmp(e->jump, 1);
}

}  // namespace

bool WritePngRgba(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
                  std::string& error) {
  if (!CheckSize(width, height, 4, rgba.size(), error)) return false;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(width);
  image.height = png_uint_32(height);
  image.format = PNG_FORMAT_RGBA;
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), width * 4, nullptr)) {
    error = "cannot write " + path + ": " + image.message;
    png_image_free(&image);
    return false;
  }
  return true;
}

bool WriteJpegRgb(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
                  int quality, std::string& error) {
  if (!CheckSize(width, height, 3, rgb.size(), error)) return false;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  jpeg_compress_struct info;
  JpegError jerr;
  info.err = jpeg_std_error(&jerr.manager);
  jerr.manager.error_exit = JpegErrorExit;
  if (setjmp(jerr.jump)) {
    jpeg_destroy_compress(&info);
    std::fclose(f);
    error = "cannot write " + path + ": " + jerr.message;
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, f);
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  for (int c = 0; c < info.num_components; ++c) {
    info.comp_info[c].h_samp_factor = 1;
    info.comp_info[c].v_samp_factor = 1;
  }
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(&rgb[size_t(info.next_scanline) * size_t(width) * 3]);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  if (std::fclose(f) != 0) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

bool WriteBmp24(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
                std::string& error) {
  if (!CheckSize(width, height, 3, rgb.size(), error)) return false;
  const uint32_t rowBytes = (uint32_t(width) * 3 + 3) & ~3u;
  const uint32_t pixelBytes = rowBytes * uint32_t(height);
  const uint32_t headerBytes = 14 + 40;
  std::vector<uint8_t> out;
  out.reserve(headerBytes + pixelBytes);
  // BITMAPFILEHEADER
  out.push_back('B');
  out.push_back('M');
  PutLe32(out, headerBytes + pixelBytes);
  PutLe32(out, 0);
  PutLe32(out, headerBytes);
  // BITMAPINFOHEADER: a positive height means bottom-up rows.
  PutLe32(out, 40);
  PutLe32(out, uint32_t(width));
  PutLe32(out, uint32_t(height));
  PutLe16(out, 1);
  PutLe16(out, 24);
  PutLe32(out, 0);  // BI_RGB
  PutLe32(out, pixelBytes);
  PutLe32(out, 2835);  // 72 dpi
  PutLe32(out, 2835);
  PutLe32(out, 0);
  PutLe32(out, 0);
  for (int y = height - 1; y >= 0; --y) {
    const uint8_t* row = &rgb[size_t(y) * size_t(width) * 3];
    for (int x = 0; x < width; ++x) {
      out.push_back(row[x * 3 + 2]);
      out.push_back(row[x * 3 + 1]);
      out.push_back(row[x * 3 + 0]);
    }
    for (uint32_t pad = uint32_t(width) * 3; pad < rowBytes; ++pad) out.push_back(0);
  }
  return WriteAll(path, out, error);
}

bool WriteDdsVolumeL8(const std::string& path, int width, int height, int depth,
                      const std::vector<uint8_t>& voxels, std::string& error) {
  if (depth <= 0 || depth > 2048) {
    error = "bad volume depth " + std::to_string(depth);
    return false;
  }
  if (!CheckSize(width, height, size_t(depth), voxels.size(), error)) return false;
  // Flag values from Microsoft's DDS_HEADER and DDS_PIXELFORMAT documentation.
  const uint32_t DDSD_CAPS = 0x1, DDSD_HEIGHT = 0x2, DDSD_WIDTH = 0x4, DDSD_PITCH = 0x8;
  const uint32_t DDSD_PIXELFORMAT = 0x1000, DDSD_MIPMAPCOUNT = 0x20000, DDSD_DEPTH = 0x800000;
  const uint32_t DDPF_LUMINANCE = 0x20000;
  const uint32_t DDSCAPS_COMPLEX = 0x8, DDSCAPS_TEXTURE = 0x1000, DDSCAPS2_VOLUME = 0x200000;

  std::vector<uint8_t> out;
  out.reserve(128 + voxels.size());
  out.insert(out.end(), {'D', 'D', 'S', ' '});
  PutLe32(out, 124);
  PutLe32(out, DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT |
                   DDSD_MIPMAPCOUNT | DDSD_DEPTH);
  PutLe32(out, uint32_t(height));
  PutLe32(out, uint32_t(width));
  PutLe32(out, uint32_t(width));  // pitch: one byte a texel
  PutLe32(out, uint32_t(depth));
  PutLe32(out, 1);  // mip levels
  for (int i = 0; i < 11; ++i) PutLe32(out, 0);
  // DDS_PIXELFORMAT
  PutLe32(out, 32);
  PutLe32(out, DDPF_LUMINANCE);
  PutLe32(out, 0);  // no FourCC
  PutLe32(out, 8);
  PutLe32(out, 0xFF);
  PutLe32(out, 0);
  PutLe32(out, 0);
  PutLe32(out, 0);
  PutLe32(out, DDSCAPS_COMPLEX | DDSCAPS_TEXTURE);
  PutLe32(out, DDSCAPS2_VOLUME);
  PutLe32(out, 0);
  PutLe32(out, 0);
  PutLe32(out, 0);
  out.insert(out.end(), voxels.begin(), voxels.end());
  return WriteAll(path, out, error);
}

}  // namespace ember

// PNG decoding through libpng, from memory.
//
// libpng reports fatal errors through a callback that must not return, so the callback
// longjmps back into the function that armed the jump. Each such function holds only
// plain locals, and every C++ object it needs lives in its caller, so no destructor
// is skipped by the jump.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/image/codecs.h"

namespace ember::image_detail {
namespace {

struct PngSource {
  const uint8_t* data;
  size_t size;
  size_t pos;
  std::jmp_buf jump;
  char message[256];
};

struct PngHeader {
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0;
  bool hasTransparency = false;
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
  auto* source = static_cast<PngSource*>(png_get_error_ptr(png));
  std::snprintf(source->message, sizeof source->message, "%s", message ? message : "error");
  std::longjmp(source->jump, 1);
}

// Warnings (bad ancillary chunks, odd gamma) do not stop decoding, and a library has no
// business printing them.
void OnPngWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
  auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (length > source->size - source->pos) png_error(png, "file truncated");
  std::memcpy(out, source->data + source->pos, length);
  source->pos += length;
}

bool ReadHeader(png_structp png, png_infop info, PngSource& source, PngHeader& header) {
  if (setjmp(source.jump)) return false;
  png_set_read_fn(png, &source, ReadFromMemory);
  // Ancillary chunks (text, profiles, ...) carry nothing a texture uses, and libpng would
  // allocate the length one claims, gigabytes from a tiny file, before finding it missing.
  // All but tRNS are skipped unread.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  // Nothing image-sized is allocated before the pixels, so the size check can wait for
  // the header and give our own message.
  png_read_info(png, info);
  png_get_IHDR(png, info, &header.width, &header.height, &header.bitDepth, &header.colorType,
               &header.interlace, nullptr, nullptr);
  header.hasTransparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  return true;
}

// Deflate never expands its input more than 1032 times, so the file's size bounds the picture it
// can hold: a tiny file that claims a huge picture fails before memory is taken for it.
bool FileCanHoldPicture(const PngHeader& header, size_t fileSize) {
  uint64_t channels = 1;  // gray and palette
  if (header.colorType == PNG_COLOR_TYPE_GRAY_ALPHA) channels = 2;
  if (header.colorType == PNG_COLOR_TYPE_RGB) channels = 3;
  if (header.colorType == PNG_COLOR_TYPE_RGB_ALPHA) channels = 4;
  const uint64_t rowBits = uint64_t(header.width) * channels * uint64_t(header.bitDepth);
  // Each row carries its filter byte; interlaced files carry more, never less.
  const uint64_t streamBytes = uint64_t(header.height) * (1 + (rowBits + 7) / 8);
  return streamBytes <= uint64_t(fileSize) * 1032;
}

// Sets up libpng's transforms so that rows come out in `format`'s layout, then reads
// every pass straight into `pixels`.
bool ReadPixels(png_structp png, png_infop info, PngSource& source, const PngHeader& header,
                uint32_t format, uint8_t* pixels, size_t rowBytes) {
  if (setjmp(source.jump)) return false;
  png_set_expand(png);
  if (header.bitDepth == 16) png_set_scale_16(png);
  if (format != kFmtL8) {
    if ((header.colorType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    if (format == kFmtX8R8G8B8) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  }
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != rowBytes) png_error(png, "unexpected row layout");
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < header.height; ++y) {
      png_read_row(png, pixels + y * rowBytes, nullptr);
    }
  }
  png_read_end(png, nullptr);
  return true;
}

bool Decode(png_structp png, png_infop info, PngSource& source, Image& out, std::string& error) {
  PngHeader header;
  if (!ReadHeader(png, info, source, header)) {
    error = std::string("PNG: ") + source.message;
    return false;
  }
  const bool gray = (header.colorType & PNG_COLOR_MASK_COLOR) == 0;
  const bool alpha = (header.colorType & PNG_COLOR_MASK_ALPHA) != 0 || header.hasTransparency;
  const uint32_t format = alpha ? kFmtA8R8G8B8 : gray ? kFmtL8 : kFmtX8R8G8B8;
  const uint32_t bpp = ImageBytesPerPixel(format);
  if (!CheckImageSize("PNG", header.width, header.height, 1, bpp, source.size, error)) return false;
  if (!FileCanHoldPicture(header, source.size)) {
    error = "PNG: a file of " + std::to_string(source.size) + " bytes cannot hold a " +
            std::to_string(header.width) + " by " + std::to_string(header.height) + " picture";
    return false;
  }

  const size_t rowBytes = static_cast<size_t>(header.width) * bpp;
  out.pixels.assign(rowBytes * header.height, 0);
  if (!ReadPixels(png, info, source, header, format, out.pixels.data(), rowBytes)) {
    out.pixels.clear();
    error = std::string("PNG: ") + source.message;
    return false;
  }
  out.width = header.width;
  out.height = header.height;
  out.depth = 1;
  out.format = format;
  out.isVolume = false;
  return true;
}

}  // namespace

bool DecodePng(const uint8_t* data, size_t size, Image& out, std::string& error) {
  PngSource source{data, size, 0, {}, "unknown error"};
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, OnPngError, OnPngWarning);
  if (png == nullptr) {
    error = "PNG: cannot create the decoder";
    return false;
  }
#ifdef EMBER_FUZZ_RELAX_CHECKSUMS
  // The fuzz build lets mutated files past the checksums, to reach the decoding behind them.
  png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#ifdef PNG_IGNORE_ADLER32
  png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
#endif
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    error = "PNG: cannot create the decoder";
    return false;
  }
  const bool ok = Decode(png, info, source, out, error);
  png_destroy_read_struct(&png, &info, nullptr);
  return ok;
}

}  // namespace ember::image_detail

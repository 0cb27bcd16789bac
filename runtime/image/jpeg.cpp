// JPEG decoding through libjpeg, from memory.
//
// libjpeg's default error handler prints to stderr and calls exit(). Ours formats the
// message into a buffer and longjmps back into the function that armed the jump; those
// functions hold only plain locals, so the jump skips no destructor.
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <vector>

#include "runtime/image/codecs.h"

namespace ember::image_detail {
namespace {

// libjpeg hands callbacks the jpeg_error_mgr pointer; it is the first member, so the
// pointer converts back to the whole state.
struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void FailJpeg(j_common_ptr cinfo) {
  auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, errors->message);
  std::longjmp(errors->jump, 1);
}

// libjpeg treats data that ends before the last row as a warning and pads the picture
// with grey: the file ending early (JWRN_JPEG_EOF) or a scan's data reaching a marker
// (JWRN_HIT_MARKER, as when a header claims more rows than the file holds). Such a file
// is broken and fails. Other warnings and trace messages are dropped.
void OnJpegMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  const int code = cinfo->err->msg_code;
  if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) FailJpeg(cinfo);
  cinfo->err->num_warnings++;
}

void DropJpegOutput(j_common_ptr) {}

bool ReadHeader(jpeg_decompress_struct& cinfo, JpegErrors& errors, const uint8_t* data,
                size_t size) {
  if (setjmp(errors.jump)) return false;
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  return true;
}

// Grey pictures decode straight into `pixels`; colour ones go through `row` to be
// reordered into B, G, R, A. The picture's memory is reserved, not touched: each row is
// taken as it is decoded, so a small file that claims a large picture and ends early costs
// only the rows it holds.
bool ReadPixels(jpeg_decompress_struct& cinfo, JpegErrors& errors, uint32_t bytesPerPixel,
                std::vector<uint8_t>& pixels, uint8_t* row) {
  if (setjmp(errors.jump)) return false;
  jpeg_start_decompress(&cinfo);
  const int components = bytesPerPixel == 1 ? 1 : 3;
  if (cinfo.output_width != cinfo.image_width || cinfo.output_height != cinfo.image_height ||
      cinfo.output_components != components) {
    std::snprintf(errors.message, sizeof errors.message, "unexpected decoder output layout");
    return false;
  }
  const size_t rowBytes = static_cast<size_t>(cinfo.output_width) * bytesPerPixel;
  pixels.reserve(rowBytes * cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    pixels.resize(pixels.size() + rowBytes);  // within the reserve: nothing moves
    uint8_t* dst = pixels.data() + cinfo.output_scanline * rowBytes;
    JSAMPROW target = bytesPerPixel == 1 ? dst : row;
    jpeg_read_scanlines(&cinfo, &target, 1);
    if (bytesPerPixel == 1) continue;
    for (JDIMENSION x = 0; x < cinfo.output_width; ++x) {
      dst[4 * x + 0] = row[3 * x + 2];
      dst[4 * x + 1] = row[3 * x + 1];
      dst[4 * x + 2] = row[3 * x + 0];
      dst[4 * x + 3] = 0xFF;
    }
  }
  jpeg_finish_decompress(&cinfo);
  return true;
}

bool Decode(jpeg_decompress_struct& cinfo, JpegErrors& errors, const uint8_t* data, size_t size,
            Image& out, std::string& error) {
  if (!ReadHeader(cinfo, errors, data, size)) {
    error = std::string("JPEG: ") + errors.message;
    return false;
  }
  // Arithmetic-coded data reaches a marker without a warning, so a file that ends early
  // would pass as a picture padded with grey.
  if (cinfo.arith_code) {
    error = "JPEG: arithmetic-coded files are not supported";
    return false;
  }
  const bool gray = cinfo.jpeg_color_space == JCS_GRAYSCALE;
  const uint32_t format = gray ? kFmtL8 : kFmtX8R8G8B8;
  const uint32_t bpp = ImageBytesPerPixel(format);
  if (!CheckImageSize("JPEG", cinfo.image_width, cinfo.image_height, 1, bpp, size, error)) {
    return false;
  }
  cinfo.out_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
  // Multi-scan files keep every coefficient of the picture; libjpeg refuses to pass this
  // (where 0 would mean no limit at all).
  const uint64_t pictureBytes = uint64_t{cinfo.image_width} * cinfo.image_height * bpp;
  cinfo.mem->max_memory_to_use =
      static_cast<long>(std::max<uint64_t>(1, kMaxImageBytes - pictureBytes - size));

  std::vector<uint8_t> row(gray ? 0 : static_cast<size_t>(cinfo.image_width) * 3);
  out.pixels.clear();
  if (!ReadPixels(cinfo, errors, bpp, out.pixels, row.data())) {
    out.pixels = std::vector<uint8_t>();
    error = std::string("JPEG: ") + errors.message;
    return false;
  }
  out.width = cinfo.image_width;
  out.height = cinfo.image_height;
  out.depth = 1;
  out.format = format;
  out.isVolume = false;
  return true;
}

}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, Image& out, std::string& error) {
  JpegErrors errors{};
  jpeg_decompress_struct cinfo{};
  cinfo.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = FailJpeg;
  errors.manager.emit_message = OnJpegMessage;
  errors.manager.output_message = DropJpegOutput;
  const bool ok = Decode(cinfo, errors, data, size, out, error);
  // Safe on a partly set up decoder: it frees whatever was allocated.
  jpeg_destroy_decompress(&cinfo);
  return ok;
}

}  // namespace ember::image_detail

// Shared pieces of the image decoders; not part of the public image interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "runtime/image/image.h"

namespace ember::image_detail {

// Each decoder fills width, height, depth, format, isVolume and pixels.
bool DecodePng(const uint8_t* data, size_t size, Image& out, std::string& error);
bool DecodeJpeg(const uint8_t* data, size_t size, Image& out, std::string& error);
bool DecodeBmp(const uint8_t* data, size_t size, Image& out, std::string& error);
bool DecodeDds(const uint8_t* data, size_t size, Image& out, std::string& error);

// Checks dimensions, and the pixel size together with the `inputBytes` held beside it,
// against the limits in image.h; the message starts with `codec` ("BMP: ...").
bool CheckImageSize(const char* codec, uint64_t width, uint64_t height, uint64_t depth,
                    uint32_t bytesPerPixel, uint64_t inputBytes, std::string& error);

// Little-endian reads that never pass the end of the buffer.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t Position() const { return pos_; }
  size_t Remaining() const { return size_ - pos_; }

  bool Seek(size_t pos) {
    if (pos > size_) return false;
    pos_ = pos;
    return true;
  }
  bool Skip(size_t count) {
    if (count > Remaining()) return false;
    pos_ += count;
    return true;
  }
  // Points `bytes` at the next `count` bytes and moves past them.
  bool Bytes(size_t count, const uint8_t*& bytes) {
    if (count > Remaining()) return false;
    bytes = data_ + pos_;
    pos_ += count;
    return true;
  }
  bool U8(uint8_t& value) {
    if (Remaining() < 1) return false;
    value = data_[pos_++];
    return true;
  }
  bool U16(uint16_t& value) {
    if (Remaining() < 2) return false;
    value = static_cast<uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
    pos_ += 2;
    return true;
  }
  bool U32(uint32_t& value) {
    if (Remaining() < 4) return false;
    value = static_cast<uint32_t>(data_[pos_]) | static_cast<uint32_t>(data_[pos_ + 1]) << 8 |
            static_cast<uint32_t>(data_[pos_ + 2]) << 16 |
            static_cast<uint32_t>(data_[pos_ + 3]) << 24;
    pos_ += 4;
    return true;
  }
  bool I32(int32_t& value) {
    uint32_t raw = 0;
    if (!U32(raw)) return false;
    std::memcpy(&value, &raw, sizeof value);
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace ember::image_detail

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

// One colour channel of a pixel given by a bit mask (BMP bit fields, DDS pixel formats).
struct MaskChannel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
};

// False unless the mask is one contiguous run of bits (an empty mask is a channel of 0 bits).
inline bool MakeChannel(uint32_t mask, MaskChannel& channel) {
  channel = MaskChannel{};
  if (mask == 0) return true;
  channel.mask = mask;
  while (((mask >> channel.shift) & 1u) == 0) ++channel.shift;
  const uint64_t shifted = mask >> channel.shift;
  while (channel.bits < 32 && ((shifted >> channel.bits) & 1u) != 0) ++channel.bits;
  return shifted == (uint64_t{1} << channel.bits) - 1;
}

// Widens a channel to 8 bits by repeating its bits, so full scale maps to 255; 0 bits give 0.
inline uint8_t ExpandChannel(uint32_t pixel, const MaskChannel& channel) {
  if (channel.bits == 0) return 0;
  const uint32_t value = (pixel & channel.mask) >> channel.shift;
  if (channel.bits >= 8) return static_cast<uint8_t>(value >> (channel.bits - 8));
  uint32_t wide = 0;
  int filled = 0;
  while (filled < 8) {
    wide = wide << channel.bits | value;
    filled += channel.bits;
  }
  return static_cast<uint8_t>(wide >> (filled - 8));
}

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

#include "runtime/xfile/binary.h"

#include <zlib.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "runtime/xfile/xfile.h"

namespace ember {
namespace {

constexpr size_t kHeaderSize = 16;
// MSZIP blocks decompress to at most 32 KiB, and each may refer back into the one before.
constexpr uint32_t kMszipBlock = 32768;

// Tokens of the binary format: the record-bearing ones, then the stand-alone ones.
enum Token : uint16_t {
  kName = 1,
  kString = 2,
  kInteger = 3,
  kGuid = 5,
  kIntegerList = 6,
  kFloatList = 7,
  kSemicolon = 20,
  kComma = 19,
};

const char* StandAlone(uint16_t token) {
  switch (token) {
    case 10:
      return "{";
    case 11:
      return "}";
    case 12:
      return "(";
    case 13:
      return ")";
    case 14:
      return "[";
    case 15:
      return "]";
    case 16:
      return "<";
    case 17:
      return ">";
    case 18:
      return ".";
    case 19:
      return ",";
    case 20:
      return ";";
    case 31:
      return "template";
    case 40:
      return "WORD";
    case 41:
      return "DWORD";
    case 42:
      return "FLOAT";
    case 43:
      return "DOUBLE";
    case 44:
      return "CHAR";
    case 45:
      return "UCHAR";
    case 46:
      return "SWORD";
    case 47:
      return "SDWORD";
    case 48:
      return "VOID";
    case 49:
      return "LPSTR";
    case 50:
      return "UNICODE";
    case 51:
      return "CSTRING";
    case 52:
      return "array";
    default:
      return nullptr;
  }
}

// Little-endian reads that fail instead of passing the end.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool AtEnd() const { return pos_ == size_; }
  size_t Remaining() const { return size_ - pos_; }
  bool U16(uint16_t& v) {
    if (Remaining() < 2) return false;
    v = static_cast<uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
    pos_ += 2;
    return true;
  }
  bool U32(uint32_t& v) {
    if (Remaining() < 4) return false;
    v = static_cast<uint32_t>(data_[pos_]) | static_cast<uint32_t>(data_[pos_ + 1]) << 8 |
        static_cast<uint32_t>(data_[pos_ + 2]) << 16 | static_cast<uint32_t>(data_[pos_ + 3]) << 24;
    pos_ += 4;
    return true;
  }
  bool Bytes(size_t count, const uint8_t*& bytes) {
    if (count > Remaining()) return false;
    bytes = data_ + pos_;
    pos_ += count;
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

bool Truncated(std::string& error, const char* where) {
  error = std::string("X file truncated in ") + where;
  return false;
}

void AppendName(const uint8_t* name, size_t length, std::string& text) {
  if (length == 0 || !(std::isalpha(name[0]) || name[0] == '_')) text += '_';
  for (size_t i = 0; i < length; ++i)
    text += std::isalnum(name[i]) || name[i] == '_' ? static_cast<char>(name[i]) : '_';
  text += ' ';
}

void AppendNumber(double value, std::string& text) {
  char number[40];
  std::snprintf(number, sizeof number, "%.17g;", value);
  text += number;
}

// Rewrites the binary body token by token; numbers end with ';', which the parser takes as a
// separator wherever values follow one another.
bool BinaryToText(const uint8_t* body, size_t size, bool doubles, std::string& text,
                  std::string& error) {
  Reader in(body, size);
  char line[64];
  while (!in.AtEnd()) {
    uint16_t token = 0;
    if (!in.U16(token)) return Truncated(error, "a token");
    uint32_t count = 0;
    const uint8_t* bytes = nullptr;
    switch (token) {
      case kName:
        if (!in.U32(count) || !in.Bytes(count, bytes)) return Truncated(error, "a name");
        AppendName(bytes, count, text);
        break;
      case kString: {
        uint32_t terminator = 0;
        if (!in.U32(count) || !in.Bytes(count, bytes) || !in.U32(terminator))
          return Truncated(error, "a string");
        text += '"';
        for (uint32_t i = 0; i < count; ++i) text += bytes[i] == '"' ? '\'' : char(bytes[i]);
        text += terminator == kComma ? "\"," : "\";";
        break;
      }
      case kInteger:
        if (!in.U32(count)) return Truncated(error, "an integer");
        std::snprintf(line, sizeof line, "%u;", count);
        text += line;
        break;
      case kGuid: {
        uint32_t d1 = 0;
        uint16_t d2 = 0, d3 = 0;
        if (!in.U32(d1) || !in.U16(d2) || !in.U16(d3) || !in.Bytes(8, bytes))
          return Truncated(error, "a GUID");
        std::snprintf(line, sizeof line, "<%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X> ", d1,
                      d2, d3, bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6],
                      bytes[7]);
        text += line;
        break;
      }
      case kIntegerList:
        if (!in.U32(count) || count > in.Remaining() / 4)
          return Truncated(error, "an integer list");
        for (uint32_t i = 0; i < count; ++i) {
          uint32_t value = 0;
          in.U32(value);
          std::snprintf(line, sizeof line, "%u;", value);
          text += line;
        }
        break;
      case kFloatList: {
        const size_t width = doubles ? 8 : 4;
        if (!in.U32(count) || count > in.Remaining() / width)
          return Truncated(error, "a float list");
        for (uint32_t i = 0; i < count; ++i) {
          in.Bytes(width, bytes);
          if (doubles) {
            double value;
            std::memcpy(&value, bytes, sizeof value);
            AppendNumber(value, text);
          } else {
            float value;
            std::memcpy(&value, bytes, sizeof value);
            AppendNumber(value, text);
          }
        }
        break;
      }
      default: {
        const char* word = StandAlone(token);
        if (!word) {
          error = "binary X file has an unknown token " + std::to_string(token);
          return false;
        }
        text += word;
        text += ' ';
      }
    }
    if (text.size() > 4 * kMaxXFileBytes) {
      error = "binary X file rewrites to more than " + std::to_string(4 * (kMaxXFileBytes >> 20)) +
              " MiB of text";
      return false;
    }
  }
  return true;
}

// MSZIP: the whole file's size (its header included), then blocks, each its decompressed
// size, the size of what follows ('C', 'K' and a raw deflate stream) and that.
bool Inflate(const uint8_t* data, size_t size, std::string& body, std::string& error) {
  Reader in(data, size);
  uint32_t total = 0;
  if (!in.U32(total)) return Truncated(error, "the compressed size");
  if (total < kHeaderSize || total - kHeaderSize > kMaxXFileBytes) {
    error = "compressed X file declares " + std::to_string(total) + " bytes, out of range (16 to " +
            std::to_string(kMaxXFileBytes >> 20) + " MiB)";
    return false;
  }
  const size_t expected = total - kHeaderSize;
  body.assign(expected, '\0');
  size_t done = 0;
  while (done < expected) {
    uint16_t plain = 0, packed = 0;
    const uint8_t* block = nullptr;
    if (!in.U16(plain) || !in.U16(packed) || !in.Bytes(packed, block))
      return Truncated(error, "a compressed block");
    if (packed < 2 || block[0] != 'C' || block[1] != 'K') {
      error = "compressed X file block without its 'CK' signature";
      return false;
    }
    if (plain == 0 || plain > expected - done) {
      error = "compressed X file block of " + std::to_string(plain) + " bytes does not fit";
      return false;
    }
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
      error = "zlib could not start";
      return false;
    }
    // The block before may be referred back to.
    const size_t window = done < kMszipBlock ? done : kMszipBlock;
    int status = window > 0 ? inflateSetDictionary(
                                  &stream, reinterpret_cast<const Bytef*>(&body[done - window]),
                                  static_cast<uInt>(window))
                            : Z_OK;
    stream.next_in = const_cast<Bytef*>(block + 2);
    stream.avail_in = packed - 2u;
    stream.next_out = reinterpret_cast<Bytef*>(&body[done]);
    stream.avail_out = plain;
    if (status == Z_OK) status = inflate(&stream, Z_FINISH);
    const size_t produced = plain - stream.avail_out;
    inflateEnd(&stream);
    if (status != Z_STREAM_END || produced != plain) {
      error = "compressed X file block is damaged";
      return false;
    }
    done += plain;
  }
  return true;
}

}  // namespace

bool ToTextXFile(const char* data, size_t size, std::string& text, bool& converted,
                 std::string& error) {
  converted = false;
  if (!data || size < kHeaderSize || std::memcmp(data, "xof ", 4) != 0) return true;
  const char* format = data + 8;
  const bool binary = std::memcmp(format, "bin ", 4) == 0;
  const bool compressedBinary = std::memcmp(format, "bzip", 4) == 0;
  const bool compressedText = std::memcmp(format, "tzip", 4) == 0;
  if (!binary && !compressedBinary && !compressedText) return true;
  const bool doubles = std::memcmp(data + 12, "0064", 4) == 0;
  if (!doubles && std::memcmp(data + 12, "0032", 4) != 0) {
    error = "unsupported X file float size '" + std::string(data + 12, 4) + "'";
    return false;
  }

  const uint8_t* body = reinterpret_cast<const uint8_t*>(data) + kHeaderSize;
  size_t bodySize = size - kHeaderSize;
  std::string inflated;
  if (!binary) {
    if (!Inflate(body, bodySize, inflated, error)) return false;
    body = reinterpret_cast<const uint8_t*>(inflated.data());
    bodySize = inflated.size();
  }
  text.assign(data, 8);
  text += "txt ";
  text.append(data + 12, 4);
  text += '\n';
  if (compressedText) {
    text.append(reinterpret_cast<const char*>(body), bodySize);
  } else if (!BinaryToText(body, bodySize, doubles, text, error)) {
    return false;
  }
  converted = true;
  return true;
}

}  // namespace ember

#include <cstring>

#include "runtime/win32/win32_internal.h"

namespace ember::win32 {

namespace {
// Code points of the bytes 0x80 to 0x9F; 0 where the code page leaves the byte undefined.
const uint16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
}  // namespace

bool Cp1252ToUtf8(const char* text, char* out, size_t outSize) {
  if (outSize == 0) return false;
  size_t n = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); p && *p; ++p) {
    uint32_t cp = *p;
    if (cp >= 0x80 && cp < 0xA0) cp = kCp1252High[cp - 0x80] ? kCp1252High[cp - 0x80] : 0xFFFD;
    char bytes[3];
    size_t len;
    if (cp < 0x80) {
      bytes[0] = char(cp);
      len = 1;
    } else if (cp < 0x800) {
      bytes[0] = char(0xC0 | (cp >> 6));
      bytes[1] = char(0x80 | (cp & 0x3F));
      len = 2;
    } else {
      bytes[0] = char(0xE0 | (cp >> 12));
      bytes[1] = char(0x80 | ((cp >> 6) & 0x3F));
      bytes[2] = char(0x80 | (cp & 0x3F));
      len = 3;
    }
    if (n + len + 1 > outSize) {
      out[n] = '\0';
      return false;
    }
    std::memcpy(out + n, bytes, len);
    n += len;
  }
  out[n] = '\0';
  return true;
}

bool ToHostPath(const char* windowsPath, char* out, size_t outSize) {
  if (!windowsPath || outSize == 0) return false;
  size_t len = std::strlen(windowsPath);
  if (len + 1 > outSize) return false;
  for (size_t i = 0; i <= len; ++i) out[i] = windowsPath[i] == '\\' ? '/' : windowsPath[i];
  return true;
}

}  // namespace ember::win32

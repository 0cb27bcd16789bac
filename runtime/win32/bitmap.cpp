// Bitmaps loaded from files, for the size queries the program makes of them.
#include <algorithm>
#include <string>
#include <vector>

#include "runtime/image/image.h"
#include "runtime/win32/win32_internal.h"

namespace {

struct BitmapRecord {
  BITMAP info;
};

// Handles are checked against the live ones: a stray handle is refused, not followed.
std::vector<BitmapRecord*> g_bitmaps;

BitmapRecord* Find(HANDLE handle) {
  auto it = std::find(g_bitmaps.begin(), g_bitmaps.end(), static_cast<BitmapRecord*>(handle));
  return it == g_bitmaps.end() ? nullptr : *it;
}

// Only the file's own format counts: LoadImage reads BMP files.
bool IsBmpFile(const ember::Image& image) { return image.fileFormat == ember::kFileBmp; }

}  // namespace

HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int, int, UINT flags) {
  if (instance || !name || type != IMAGE_BITMAP || !(flags & LR_LOADFROMFILE)) return nullptr;
  char path[4096];
  if (!ember::win32::ToHostPath(name, path, sizeof path)) return nullptr;
  ember::Image image;
  std::string error;
  if (!ember::LoadImageFile(path, image, error) || !IsBmpFile(image)) return nullptr;
  BitmapRecord* record = new BitmapRecord;
  record->info =
      BITMAP{0, LONG(image.width), LONG(image.height), LONG(image.width * 4), 1, 32, nullptr};
  g_bitmaps.push_back(record);
  return record;
}

int GetObjectA(HANDLE object, int size, LPVOID buffer) {
  BitmapRecord* record = Find(object);
  if (!record) return 0;
  const BITMAP& info = record->info;
  if (!buffer) return int(sizeof(BITMAP));
  if (size < int(sizeof(BITMAP))) return 0;
  *static_cast<BITMAP*>(buffer) = info;
  return int(sizeof(BITMAP));
}

BOOL DeleteObject(HGDIOBJ object) {
  BitmapRecord* record = Find(object);
  if (!record) return FALSE;
  g_bitmaps.erase(std::find(g_bitmaps.begin(), g_bitmaps.end(), record));
  delete record;
  return TRUE;
}

#include "runtime/host/host.h"
#include "runtime/win32/win32_internal.h"

using namespace ember::win32;

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  char textUtf8[4096];
  char captionUtf8[512];
  Cp1252ToUtf8(text ? text : "", textUtf8, sizeof textUtf8);
  // A missing caption is "Error" on Windows.
  Cp1252ToUtf8(caption ? caption : "Error", captionUtf8, sizeof captionUtf8);

  ember::host::MessageBoxRequest request;
  request.titleUtf8 = captionUtf8;
  request.textUtf8 = textUtf8;
  request.buttons = (type & 0xF) == MB_YESNO ? ember::host::MessageBoxButtons::YesNo
                                             : ember::host::MessageBoxButtons::Ok;
  switch (type & 0xF0) {
    case MB_ICONERROR:
      request.icon = ember::host::MessageBoxIcon::Error;
      break;
    case MB_ICONQUESTION:
      request.icon = ember::host::MessageBoxIcon::Question;
      break;
    case MB_ICONWARNING:
      request.icon = ember::host::MessageBoxIcon::Warning;
      break;
    case MB_ICONINFORMATION:
      request.icon = ember::host::MessageBoxIcon::Information;
      break;
    default:
      break;
  }
  request.owned = IsLiveWindow(owner);

  int chosen = ember::host::Current().ShowMessageBox(request);
  if (request.buttons == ember::host::MessageBoxButtons::YesNo) return chosen == 0 ? IDYES : IDNO;
  return IDOK;
}

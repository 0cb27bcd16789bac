#include "app/window_proc.h"

#include <cstdlib>

#include "app/screenshot.h"

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_PAINT:
      ValidateRect(window, nullptr);
      return 0;
    case WM_KEYDOWN:
      // Escape down now, or pressed since the last query, ends the process with any key.
      if (GetAsyncKeyState(VK_ESCAPE) != 0) std::exit(0);
      HandleScreenshotKey();
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

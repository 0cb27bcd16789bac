// The windowing stand-in's own records: registered classes and the one top-level window.
#pragma once

#include <string>

#include "runtime/win32/windows.h"

namespace ember::win32 {

struct WindowClassRecord {
  bool used = false;
  std::string name;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  UINT style = 0;
};

struct WindowRecord : HWND__ {
  bool alive = false;
  bool needsPaint = false;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  std::string title;
};

// Only one window has a surface on the host; the program needs no more.
WindowRecord* TheWindow();
WindowRecord* FindWindow(HWND window);

void ResetWindows();
void ResetMessages();

}  // namespace ember::win32

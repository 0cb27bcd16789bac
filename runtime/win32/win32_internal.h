// What the rest of the runtime needs from the window-system stand-in, beyond the Win32 API.
#pragma once

#include <cstddef>

#include "runtime/win32/windows.h"

namespace ember::win32 {

// Moves the host's pending events into the message queue and the key state. Input devices
// call it so that they see input while no messages are being handled.
void PumpHostEvents();

bool IsLiveWindow(HWND window);
// The window is the one on screen with the keyboard focus.
bool IsForeground(HWND window);

// Win32 paths use backslashes; the host's file system wants slashes. Returns false when the
// path does not fit.
bool ToHostPath(const char* windowsPath, char* out, size_t outSize);

// Windows-1252 text, as the ANSI calls take it, to UTF-8 for the host. Returns false when the
// result does not fit (it is then cut at a character boundary).
bool Cp1252ToUtf8(const char* text, char* out, size_t outSize);

// Virtual-key code for a host scancode (the generic VK_SHIFT, VK_CONTROL and VK_MENU for either
// side), 0 when the key has none.
int ScancodeToVirtualKey(int scancode);

// Receives each OutputDebugStringA call's text; null sends it to standard error again.
typedef void (*DebugOutputSink)(const char* text, void* context);
void SetDebugOutputSink(DebugOutputSink sink, void* context);

// Forgets every class, window, message and key state: a test starts the program afresh.
void ResetState();

}  // namespace ember::win32

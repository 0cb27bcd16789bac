// Screen pixels from the X server that shows an SDL window.
#pragma once

#include <cstdint>

#include "runtime/host/host.h"

struct SDL_Window;

namespace ember::host {

bool IsX11Window(SDL_Window* window);

// The area of the window's screen as opaque A8R8G8B8; parts off the screen come out black.
// False when the window is not on an X server or the server refuses.
bool CaptureX11Screen(SDL_Window* window, const Rect& area, uint32_t* argb, int pitch);

}  // namespace ember::host

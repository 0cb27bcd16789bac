#include "runtime/host/sdl_host.h"

#include <GL/gl.h>
#include <SDL.h>
#include <time.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/host/signal_watch.h"
#include "runtime/host/x11_screen.h"

namespace ember::host {

namespace {

const char* Variable(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

// Opens the video system on the display the environment names. A display that cannot be used
// is a failure, never a silent fall back to a window nobody sees: SDL's offscreen driver runs
// only when SDL_VIDEODRIVER asks for it.
bool OpenDisplay(std::string& why) {
  if (const char* asked = Variable("SDL_VIDEODRIVER")) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
    why = std::string("cannot start the video driver \"") + asked + "\": " + SDL_GetError();
    return false;
  }
  struct WindowSystem {
    const char* driver;
    const char* variable;
    const char* kind;
  };
  // X11 first, as SDL itself prefers: XWayland serves both where both are set.
  const WindowSystem systems[] = {{"x11", "DISPLAY", "X11"},
                                  {"wayland", "WAYLAND_DISPLAY", "Wayland"}};
  for (const WindowSystem& display : systems) {
    const char* name = Variable(display.variable);
    if (!name) continue;
    SDL_SetHint(SDL_HINT_VIDEODRIVER, display.driver);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
    if (!why.empty()) why += "; ";
    why += std::string("cannot open the ") + display.kind + " display " + display.variable + "=\"" +
           name + "\" (" + SDL_GetError() + ")";
  }
  SDL_SetHint(SDL_HINT_VIDEODRIVER, nullptr);
  if (why.empty()) why = "no display: neither DISPLAY nor WAYLAND_DISPLAY is set";
  return false;
}

int ButtonIndex(uint8_t sdlButton) {
  switch (sdlButton) {
    case SDL_BUTTON_LEFT:
      return 0;
    case SDL_BUTTON_RIGHT:
      return 1;
    case SDL_BUTTON_MIDDLE:
      return 2;
    case SDL_BUTTON_X1:
      return 3;
    default:
      return -1;
  }
}

}  // namespace

SdlHost::SdlHost() { WatchSignals(); }

SdlHost::~SdlHost() { Shutdown(); }

uint32_t SdlHost::Milliseconds() {
  // Milliseconds since boot, truncated to 32 bits, like timeGetTime.
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  uint64_t ms = uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u;
  return uint32_t(ms);
}

bool SdlHost::StartVideo() {
  if (videoStarted_) return true;
  if (shutDown_ || videoFailed_) return false;
  // Signals are ours: SDL would turn them into a quit event that a busy program never reads.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // Warped relative motion works on every X server, Xvfb with synthetic input included.
  SDL_SetHint(SDL_HINT_MOUSE_RELATIVE_MODE_WARP, "1");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  std::string why;
  if (!OpenDisplay(why)) {
    videoFailed_ = true;
    std::fprintf(stderr, "emberlab: %s\n", why.c_str());
    return false;
  }
  videoStarted_ = true;
  return true;
}

const char* SdlHost::VideoDriver() const {
  const char* name = videoStarted_ ? SDL_GetCurrentVideoDriver() : nullptr;
  return name ? name : "";
}

void SdlHost::PumpEvents() {
  EndIfSignalled();
  if (!videoStarted_ || shutDown_) return;
  TranslatePendingEvents();
}

void SdlHost::TranslatePendingEvents() {
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    Event out;
    switch (e.type) {
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        out.type = e.type == SDL_KEYDOWN ? EventType::KeyDown : EventType::KeyUp;
        out.scancode = int(e.key.keysym.scancode);
        out.repeat = e.key.repeat != 0;
        Deliver(out);
        break;
      case SDL_MOUSEMOTION:
        out.type = EventType::MouseMotion;
        out.dx = e.motion.xrel;
        out.dy = e.motion.yrel;
        out.x = e.motion.x;
        out.y = e.motion.y;
        Deliver(out);
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        out.type =
            e.type == SDL_MOUSEBUTTONDOWN ? EventType::MouseButtonDown : EventType::MouseButtonUp;
        out.button = ButtonIndex(e.button.button);
        out.x = e.button.x;
        out.y = e.button.y;
        if (out.button >= 0) Deliver(out);
        break;
      case SDL_QUIT:
        out.type = EventType::CloseRequested;
        Deliver(out);
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED) {
          out.type = EventType::Exposed;
          Deliver(out);
        } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
          out.type = EventType::FocusGained;
          Deliver(out);
        } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
          out.type = EventType::FocusLost;
          Deliver(out);
        }
        break;
      default:
        break;
    }
  }
}

int SdlHost::ShowMessageBox(const MessageBoxRequest& request) {
  SDL_MessageBoxButtonData buttons[2];
  int count = 0;
  if (request.buttons == MessageBoxButtons::YesNo) {
    buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 0, "Yes"};
    buttons[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 1, "No"};
    count = 2;
  } else {
    buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
                  0, "OK"};
    count = 1;
  }
  Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
  if (request.icon == MessageBoxIcon::Warning) flags = SDL_MESSAGEBOX_WARNING;
  if (request.icon == MessageBoxIcon::Error) flags = SDL_MESSAGEBOX_ERROR;
  SDL_MessageBoxData data{};
  data.flags = flags;
  data.window = request.owned ? window_ : nullptr;
  data.title = request.titleUtf8;
  data.message = request.textUtf8;
  data.numbuttons = count;
  data.buttons = buttons;
  int chosen = -1;
  if (!StartVideo() || SDL_ShowMessageBox(&data, &chosen) != 0 || chosen < 0) {
    // No dialog could be shown (no display): answer as Escape would, and say so on one line.
    int fallback = count - 1;
    std::string text = request.textUtf8;
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    std::fprintf(stderr, "emberlab: [%s] %s -> %s (no dialog could be shown)\n", request.titleUtf8,
                 text.c_str(), buttons[fallback].text);
    return fallback;
  }
  return chosen;
}

bool SdlHost::OpenWindow(const char* titleUtf8, const Rect& outer) {
  if (!StartVideo()) return false;
  if (window_) return true;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  window_ = SDL_CreateWindow(titleUtf8, outer.x, outer.y, outer.w > 0 ? outer.w : 1,
                             outer.h > 0 ? outer.h : 1,
                             SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI);
  if (!window_) {
    std::fprintf(stderr, "emberlab: cannot create the window: %s\n", SDL_GetError());
    return false;
  }
  return true;
}

void SdlHost::CloseWindow() {
  DestroyGLContext();
  if (window_) SDL_DestroyWindow(window_);
  window_ = nullptr;
}

void SdlHost::ShowWindow(bool visible) {
  if (!window_) return;
  if (!visible) {
    SDL_HideWindow(window_);
    return;
  }
  Rect outer = OuterRect();
  SDL_ShowWindow(window_);
  SDL_RaiseWindow(window_);
  // The frame is known only once the window manager has mapped the window; keep the outer
  // rectangle that was asked for.
  SDL_PumpEvents();
  SetOuterRect(outer);
}

void SdlHost::SetWindowIcon(int width, int height, const uint32_t* argb) {
  if (!window_ || width <= 0 || height <= 0) return;
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
      const_cast<uint32_t*>(argb), width, height, 32, width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!surface) return;
  SDL_SetWindowIcon(window_, surface);
  SDL_FreeSurface(surface);
}

void SdlHost::FrameBorders(int& left, int& top, int& right, int& bottom) {
  left = top = right = bottom = 0;
  if (window_ && !fullscreen_) SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right);
}

Rect SdlHost::ClientRect() {
  Rect r;
  if (!window_) return r;
  SDL_GetWindowPosition(window_, &r.x, &r.y);
  SDL_GetWindowSize(window_, &r.w, &r.h);
  return r;
}

Rect SdlHost::OuterRect() {
  Rect client = ClientRect();
  int left, top, right, bottom;
  FrameBorders(left, top, right, bottom);
  return Rect{client.x - left, client.y - top, client.w + left + right, client.h + top + bottom};
}

void SdlHost::SetOuterRect(const Rect& outer) {
  if (!window_ || fullscreen_) return;
  int left, top, right, bottom;
  FrameBorders(left, top, right, bottom);
  int w = outer.w - left - right;
  int h = outer.h - top - bottom;
  SDL_SetWindowSize(window_, w > 1 ? w : 1, h > 1 ? h : 1);
  SDL_SetWindowPosition(window_, outer.x + left, outer.y + top);
  SDL_PumpEvents();
}

void SdlHost::SetFullscreen(bool fullscreen) {
  if (!window_ || fullscreen == fullscreen_) return;
  SDL_SetWindowFullscreen(window_, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  fullscreen_ = fullscreen;
  SDL_PumpEvents();
}

Rect SdlHost::DesktopBounds() {
  Rect r{0, 0, 1024, 768};
  if (!StartVideo()) return r;
  SDL_Rect bounds;
  if (SDL_GetDisplayBounds(0, &bounds) == 0) r = Rect{bounds.x, bounds.y, bounds.w, bounds.h};
  return r;
}

int SdlHost::DesktopRefreshRate() {
  SDL_DisplayMode mode;
  if (StartVideo() && SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.refresh_rate > 0)
    return mode.refresh_rate;
  return 60;
}

int SdlHost::DotsPerInch() {
  // The logical resolution Windows reports is 96 at 100 % scale; a HiDPI screen scales it.
  int dpi = 96;
  if (window_) {
    int points = 0, pixels = 0, unused = 0;
    SDL_GetWindowSize(window_, &points, &unused);
    SDL_GL_GetDrawableSize(window_, &pixels, &unused);
    if (points > 0 && pixels > points) dpi = int(std::lround(96.0 * pixels / points));
  }
  return dpi;
}

bool SdlHost::CaptureScreen(const Rect& area, uint32_t* argb, int pitch) {
  return CaptureX11Screen(window_, area, argb, pitch);
}

const char* SdlHost::ScreenCaptureSource() {
  return IsX11Window(window_) ? "the X11 screen" : nullptr;
}

bool SdlHost::CreateGLContext(GLDriver driver, std::string& description) {
  if (!window_) return false;
  if (glContext_) DestroyGLContext();
  if (driver == GLDriver::Software) {
    // Mesa reads these when it picks its driver.
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    setenv("GALLIUM_DRIVER", "llvmpipe", 1);
  }
  glContext_ = SDL_GL_CreateContext(window_);
  if (!glContext_) {
    description = SDL_GetError();
    return false;
  }
  SDL_GL_MakeCurrent(window_, glContext_);
  SDL_GL_SetSwapInterval(0);
  int major = 0, minor = 0, profile = 0;
  SDL_GL_GetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, &major);
  SDL_GL_GetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, &minor);
  SDL_GL_GetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, &profile);
  const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  if (major * 10 + minor < 33 || profile != SDL_GL_CONTEXT_PROFILE_CORE) {
    description = "no OpenGL 3.3 core profile";
    DestroyGLContext();
    return false;
  }
  char line[512];
  std::snprintf(line, sizeof line, "video driver %s, GL renderer %s, GL version %s", VideoDriver(),
                renderer ? renderer : "?", version ? version : "?");
  description = line;
  return true;
}

void SdlHost::DestroyGLContext() {
  if (glContext_) SDL_GL_DeleteContext(static_cast<SDL_GLContext>(glContext_));
  glContext_ = nullptr;
}

void SdlHost::DrawableSize(int& width, int& height) {
  width = height = 0;
  if (window_) SDL_GL_GetDrawableSize(window_, &width, &height);
}

void SdlHost::SwapBuffers() {
  if (window_ && glContext_) SDL_GL_SwapWindow(window_);
}

void SdlHost::SetMouseCaptured(bool captured) {
  if (!videoStarted_ || shutDown_ || captured == captured_) return;
  captured_ = captured;
  SDL_SetRelativeMouseMode(captured ? SDL_TRUE : SDL_FALSE);
}

void SdlHost::SetSystemCursorVisible(bool visible) {
  if (!videoStarted_ || shutDown_) return;
  SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

void SdlHost::Shutdown() {
  if (shutDown_) return;
  if (videoStarted_) {
    SDL_SetRelativeMouseMode(SDL_FALSE);
    SDL_ShowCursor(SDL_ENABLE);
    if (window_ && fullscreen_) SDL_SetWindowFullscreen(window_, 0);
    CloseWindow();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_Quit();
  }
  captured_ = false;
  shutDown_ = true;
  videoStarted_ = false;
}

}  // namespace ember::host

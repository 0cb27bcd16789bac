#include "bench/reference/gl_window.h"

#include <SDL.h>

#include "bench/reference/gl.h"

namespace ember::reference {

GLWindow::~GLWindow() {
  if (context_) SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
  if (window_) SDL_DestroyWindow(window_);
  if (videoStarted_) SDL_Quit();
}

bool GLWindow::Open(int width, int height, std::string& error) {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    error = std::string("cannot start SDL's video: ") + SDL_GetError();
    return false;
  }
  videoStarted_ = true;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  window_ = SDL_CreateWindow("reference_bench", 0, 0, width, height,
                             SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window_) {
    error = std::string("cannot create the window: ") + SDL_GetError();
    return false;
  }
  context_ = SDL_GL_CreateContext(window_);
  if (!context_) {
    error = std::string("no OpenGL 3.3 core context: ") + SDL_GetError();
    return false;
  }
  SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(context_));
  SDL_GL_SetSwapInterval(0);
  return true;
}

void GLWindow::Swap() { SDL_GL_SwapWindow(window_); }

const char* GLWindow::Renderer() const {
  const char* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  return name ? name : "?";
}

}  // namespace ember::reference

// The window and its OpenGL 3.3 core context, made with SDL as our host makes them.
#pragma once

#include <string>

struct SDL_Window;

namespace ember::reference {

class GLWindow {
 public:
  ~GLWindow();

  // A hidden window of the given size with a current context and no vsync. Its default
  // framebuffer has no depth or stencil: the frame is drawn in a framebuffer of its own.
  bool Open(int width, int height, std::string& error);
  void Swap();
  const char* Renderer() const;

 private:
  SDL_Window* window_ = nullptr;
  void* context_ = nullptr;
  bool videoStarted_ = false;
};

}  // namespace ember::reference

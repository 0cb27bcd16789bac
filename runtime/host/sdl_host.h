// The host of real runs: SDL2 for the window, its events and message boxes, a GL 3.3 core
// context, and the system's monotonic clock. It opens the display the environment names, or
// SDL's offscreen driver when SDL_VIDEODRIVER asks for it.
#pragma once

#include "runtime/host/host.h"

struct SDL_Window;

namespace ember::host {

class SdlHost : public Host {
 public:
  SdlHost();
  ~SdlHost() override;

  uint32_t Milliseconds() override;
  void PumpEvents() override;
  int ShowMessageBox(const MessageBoxRequest& request) override;
  bool VideoAvailable() override { return StartVideo(); }

  bool OpenWindow(const char* titleUtf8, const Rect& outer) override;
  void CloseWindow() override;
  bool WindowOpen() const override { return window_ != nullptr; }
  void ShowWindow(bool visible) override;
  void SetWindowIcon(int width, int height, const uint32_t* argb) override;
  Rect OuterRect() override;
  Rect ClientRect() override;
  void SetOuterRect(const Rect& outer) override;
  void SetFullscreen(bool fullscreen) override;
  Rect DesktopBounds() override;
  int DesktopRefreshRate() override;
  int DotsPerInch() override;
  bool CaptureScreen(const Rect& area, uint32_t* argb, int pitch) override;
  const char* ScreenCaptureSource() override;

  bool CreateGLContext(GLDriver driver, std::string& description) override;
  void DestroyGLContext() override;
  void DrawableSize(int& width, int& height) override;
  void SwapBuffers() override;

  void SetMouseCaptured(bool captured) override;
  void SetSystemCursorVisible(bool visible) override;
  void Shutdown() override;

  // The SDL video driver in use ("x11", "wayland", "offscreen"), empty before start-up.
  const char* VideoDriver() const;

 protected:
  bool StartVideo();
  SDL_Window* Window() const { return window_; }

 private:
  void FrameBorders(int& left, int& top, int& right, int& bottom);
  void TranslatePendingEvents();

  bool videoStarted_ = false;
  bool videoFailed_ = false;
  bool shutDown_ = false;
  bool fullscreen_ = false;
  bool captured_ = false;
  SDL_Window* window_ = nullptr;
  void* glContext_ = nullptr;
};

}  // namespace ember::host

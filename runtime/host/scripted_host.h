// The host of tests: a clock the test sets, events the test queues, message-box answers given
// in advance, a simulated window frame and desktop, and real OpenGL underneath (SDL's
// offscreen driver, so nothing appears on screen).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "runtime/host/sdl_host.h"

namespace ember::host {

struct ShownMessageBox {
  std::string title;
  std::string text;
  MessageBoxButtons buttons;
  MessageBoxIcon icon;
  bool owned;
};

class ScriptedHost : public SdlHost {
 public:
  ScriptedHost();
  ~ScriptedHost() override;

  // Clock.
  void SetTime(uint32_t ms) { now_ = ms; }
  void Advance(uint32_t ms) { now_ += ms; }
  // Added to the clock at every presented frame, after the hook below has run.
  void SetStepPerPresent(uint32_t ms) { stepPerPresent_ = ms; }
  // Called at every presented frame with the number of frames presented so far.
  void SetPresentHook(std::function<void(int)> hook) { presentHook_ = std::move(hook); }
  int PresentCount() const { return presents_; }
  // Called at every event pump, before the queued events are delivered, with the number of
  // pumps so far: an event queued there arrives at that very pump.
  void SetPumpHook(std::function<void(int)> hook) { pumpHook_ = std::move(hook); }

  // Events, delivered at the next pump.
  void Queue(const Event& event) { pending_.push_back(event); }
  void PressKey(int scancode);
  void ReleaseKey(int scancode);
  void MoveMouse(int dx, int dy);
  void PressButton(int button);
  void ReleaseButton(int button);
  void RequestClose();
  void LoseFocus();
  void GainFocus();
  // Input devices the system has; a missing one cannot be created.
  void SetInputDevicesAttached(bool keyboard, bool mouse) {
    keyboardAttached_ = keyboard;
    mouseAttached_ = mouse;
  }

  // Message boxes: answers by button index (0 Yes/OK, 1 No), used in order; when none is left
  // the box is answered as Escape would.
  void AnswerMessageBoxes(std::vector<int> answers) { answers_ = std::move(answers); }
  const std::vector<ShownMessageBox>& ShownBoxes() const { return shown_; }

  // Geometry of the simulated window system.
  void SetFrame(int left, int top, int right, int bottom);
  void SetDesktop(const Rect& desktop) { desktop_ = desktop; }
  void SetDotsPerInch(int dpi) { dpi_ = dpi; }
  // Which GL drivers can give a context: a test can take the system driver away.
  void SetGLDriverAvailable(GLDriver driver, bool available);
  // How many more GL contexts the drivers give; negative means no limit.
  void SetGLContextsLeft(int count) { contextsLeft_ = count; }
  // A display that cannot be opened: no window, no video system, no message box.
  void SetDisplayUsable(bool usable) { displayUsable_ = usable; }
  // Screen pixels for screen captures, whole desktop, rows top first; none means the platform
  // gives none.
  void SetScreenPixels(std::vector<uint32_t> argb) { screen_ = std::move(argb); }
  bool Fullscreen() const { return fullscreen_; }
  bool MouseCaptured() const { return captured_; }
  bool SystemCursorVisible() const { return cursorVisible_; }
  const std::string& WindowTitle() const { return title_; }
  bool WindowVisible() const { return visible_; }
  int IconWidth() const { return iconWidth_; }

  uint32_t Milliseconds() override { return now_; }
  void PumpEvents() override;
  int ShowMessageBox(const MessageBoxRequest& request) override;
  bool VideoAvailable() override { return displayUsable_ && SdlHost::VideoAvailable(); }
  bool OpenWindow(const char* titleUtf8, const Rect& outer) override;
  void ShowWindow(bool visible) override { visible_ = visible; }
  void SetWindowIcon(int width, int height, const uint32_t* argb) override { iconWidth_ = width; }
  Rect OuterRect() override;
  Rect ClientRect() override;
  void SetOuterRect(const Rect& outer) override;
  void SetFullscreen(bool fullscreen) override { fullscreen_ = fullscreen; }
  Rect DesktopBounds() override { return desktop_; }
  int DesktopRefreshRate() override { return 60; }
  int DotsPerInch() override { return dpi_; }
  bool CaptureScreen(const Rect& area, uint32_t* argb, int pitch) override;
  const char* ScreenCaptureSource() override {
    return screen_.empty() ? nullptr : "the scripted screen";
  }
  void SwapBuffers() override;
  bool CreateGLContext(GLDriver driver, std::string& description) override;
  bool HasKeyboard() override { return keyboardAttached_; }
  bool HasMouse() override { return mouseAttached_; }
  void SetMouseCaptured(bool captured) override { captured_ = captured; }
  void SetSystemCursorVisible(bool visible) override { cursorVisible_ = visible; }

 private:
  uint32_t now_ = 0;
  uint32_t stepPerPresent_ = 0;
  int presents_ = 0;
  std::function<void(int)> presentHook_;
  int pumps_ = 0;
  std::function<void(int)> pumpHook_;
  std::vector<Event> pending_;
  std::vector<int> answers_;
  std::vector<ShownMessageBox> shown_;
  int frameLeft_ = 8, frameTop_ = 31, frameRight_ = 8, frameBottom_ = 8;
  Rect outer_;
  Rect desktop_{0, 0, 1920, 1080};
  int dpi_ = 96;
  bool fullscreen_ = false;
  bool captured_ = false;
  bool cursorVisible_ = true;
  bool visible_ = false;
  int iconWidth_ = 0;
  bool systemGL_ = true;
  bool softwareGL_ = true;
  int contextsLeft_ = -1;
  bool displayUsable_ = true;
  bool keyboardAttached_ = true;
  bool mouseAttached_ = true;
  std::vector<uint32_t> screen_;
  std::string title_;
};

}  // namespace ember::host

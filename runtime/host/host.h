// The seam under the whole runtime: time, window-system events, message boxes, the window and
// its GL surface. The SDL host serves real runs; the scripted host serves tests.
#pragma once

#include <cstdint>
#include <string>

namespace ember::host {

// Scancodes are USB HID usage numbers (the physical key, whatever the layout).
constexpr int kScancodeCount = 512;

enum class EventType {
  KeyDown,
  KeyUp,
  MouseMotion,
  MouseButtonDown,
  MouseButtonUp,
  CloseRequested,
  Exposed,
  FocusGained,
  FocusLost,
};

struct Event {
  EventType type = EventType::Exposed;
  int scancode = 0;  // keys
  bool repeat = false;
  int dx = 0, dy = 0;  // relative motion
  int x = 0, y = 0;    // pointer position in client pixels
  int button = 0;      // 0 left, 1 right, 2 middle, 3 fourth
};

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
};

enum class MessageBoxButtons { Ok, YesNo };
enum class MessageBoxIcon { None, Information, Warning, Question, Error };

// Answers: the index of the chosen button (0 Ok or Yes, 1 No).
struct MessageBoxRequest {
  const char* titleUtf8 = "";
  const char* textUtf8 = "";
  MessageBoxButtons buttons = MessageBoxButtons::Ok;
  MessageBoxIcon icon = MessageBoxIcon::None;
  bool owned = false;
};

enum class GLDriver { System, Software };

class Host {
 public:
  virtual ~Host() = default;

  // A 32-bit millisecond count that wraps, as the Windows clocks do.
  virtual uint32_t Milliseconds() = 0;

  // Gathers pending window-system events into the queue and the input state.
  virtual void PumpEvents() = 0;
  bool PopEvent(Event& event);

  // Input state as of the last pump.
  bool IsKeyDown(int scancode) const;
  uint32_t KeyPressCount(int scancode) const;
  void TakeMouseMotion(int& dx, int& dy);
  uint8_t MouseButtons() const { return mouseButtons_; }
  bool HasFocus() const { return focused_; }
  // Whether the system has a keyboard and a pointing device. SDL cannot tell; both are assumed.
  virtual bool HasKeyboard() { return true; }
  virtual bool HasMouse() { return true; }

  virtual int ShowMessageBox(const MessageBoxRequest& request) = 0;

  // Opens the window system on the display the environment names; false when it cannot (the
  // reason was written once, on standard error).
  virtual bool VideoAvailable() = 0;

  // The one window. Rectangles are in screen pixels; the outer one includes the frame.
  virtual bool OpenWindow(const char* titleUtf8, const Rect& outer) = 0;
  virtual void CloseWindow() = 0;
  virtual bool WindowOpen() const = 0;
  virtual void ShowWindow(bool visible) = 0;
  virtual void SetWindowIcon(int width, int height, const uint32_t* argb) = 0;
  virtual Rect OuterRect() = 0;
  virtual Rect ClientRect() = 0;
  virtual void SetOuterRect(const Rect& outer) = 0;
  virtual void SetFullscreen(bool fullscreen) = 0;
  virtual Rect DesktopBounds() = 0;
  virtual int DesktopRefreshRate() = 0;
  virtual int DotsPerInch() = 0;

  // The screen as displayed, title bars and other windows included: the area's pixels as
  // opaque A8R8G8B8, rows top first, `pitch` pixels apart. False where the platform gives no
  // screen pixels. `ScreenCaptureSource` names where they come from, or is null.
  virtual bool CaptureScreen(const Rect& area, uint32_t* argb, int pitch) = 0;
  virtual const char* ScreenCaptureSource() = 0;

  // The GL 3.3 core context on the window, made current; its size in real pixels.
  virtual bool CreateGLContext(GLDriver driver, std::string& description) = 0;
  virtual void DestroyGLContext() = 0;
  virtual void DrawableSize(int& width, int& height) = 0;
  virtual void SwapBuffers() = 0;

  // While captured the pointer is hidden and confined, and motion is relative.
  virtual void SetMouseCaptured(bool captured) = 0;
  virtual void SetSystemCursorVisible(bool visible) = 0;

  // Gives the desktop and the pointer back; safe to call more than once.
  virtual void Shutdown() = 0;

 protected:
  void Deliver(const Event& event);
  void ResetInput();

 private:
  static constexpr int kQueueSize = 1024;
  Event queue_[kQueueSize];
  int queueHead_ = 0;
  int queueCount_ = 0;
  bool keysDown_[kScancodeCount] = {};
  uint32_t keyPresses_[kScancodeCount] = {};
  int motionX_ = 0, motionY_ = 0;
  uint8_t mouseButtons_ = 0;
  bool focused_ = true;
};

// The host the runtime talks to. The SDL host is created on first use unless one was installed.
Host& Current();
bool HasCurrent();
// Installs a host (tests); the caller keeps ownership. Null goes back to the default.
void Install(Host* host);
// Closes the current host: the exit handler calls it whatever way the process ends.
void ShutdownCurrent();

}  // namespace ember::host

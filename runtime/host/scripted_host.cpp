#include "runtime/host/scripted_host.h"

#include <cstdlib>

#include "runtime/host/signal_watch.h"

namespace ember::host {

ScriptedHost::ScriptedHost() {
  // Tests never open real windows, whatever display is around.
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
}

ScriptedHost::~ScriptedHost() { Shutdown(); }

void ScriptedHost::PressKey(int scancode) {
  Event e;
  e.type = EventType::KeyDown;
  e.scancode = scancode;
  Queue(e);
}

void ScriptedHost::ReleaseKey(int scancode) {
  Event e;
  e.type = EventType::KeyUp;
  e.scancode = scancode;
  Queue(e);
}

void ScriptedHost::MoveMouse(int dx, int dy) {
  Event e;
  e.type = EventType::MouseMotion;
  e.dx = dx;
  e.dy = dy;
  Queue(e);
}

void ScriptedHost::PressButton(int button) {
  Event e;
  e.type = EventType::MouseButtonDown;
  e.button = button;
  Queue(e);
}

void ScriptedHost::ReleaseButton(int button) {
  Event e;
  e.type = EventType::MouseButtonUp;
  e.button = button;
  Queue(e);
}

void ScriptedHost::RequestClose() {
  Event e;
  e.type = EventType::CloseRequested;
  Queue(e);
}

void ScriptedHost::LoseFocus() {
  Event e;
  e.type = EventType::FocusLost;
  Queue(e);
}

void ScriptedHost::GainFocus() {
  Event e;
  e.type = EventType::FocusGained;
  Queue(e);
}

void ScriptedHost::PumpEvents() {
  EndIfSignalled();
  ++pumps_;
  if (pumpHook_) pumpHook_(pumps_);
  for (const Event& e : pending_) Deliver(e);
  pending_.clear();
}

int ScriptedHost::ShowMessageBox(const MessageBoxRequest& request) {
  int last = request.buttons == MessageBoxButtons::YesNo ? 1 : 0;
  if (!displayUsable_) return last;
  shown_.push_back(
      {request.titleUtf8, request.textUtf8, request.buttons, request.icon, request.owned});
  if (answers_.empty()) return last;
  int answer = answers_.front();
  answers_.erase(answers_.begin());
  return answer < 0 || answer > last ? last : answer;
}

bool ScriptedHost::OpenWindow(const char* titleUtf8, const Rect& outer) {
  title_ = titleUtf8;
  outer_ = outer;
  if (!displayUsable_) return false;
  Rect client = ClientRect();
  return SdlHost::OpenWindow(titleUtf8, Rect{0, 0, client.w, client.h});
}

bool ScriptedHost::CaptureScreen(const Rect& area, uint32_t* argb, int pitch) {
  if (screen_.size() != size_t(desktop_.w) * size_t(desktop_.h)) return false;
  for (int y = 0; y < area.h; ++y)
    for (int x = 0; x < area.w; ++x) {
      const int sx = area.x + x, sy = area.y + y;
      const bool on = sx >= 0 && sy >= 0 && sx < desktop_.w && sy < desktop_.h;
      argb[size_t(y) * size_t(pitch) + size_t(x)] =
          on ? screen_[size_t(sy) * size_t(desktop_.w) + size_t(sx)] : 0xFF000000u;
    }
  return true;
}

void ScriptedHost::SetFrame(int left, int top, int right, int bottom) {
  frameLeft_ = left;
  frameTop_ = top;
  frameRight_ = right;
  frameBottom_ = bottom;
}

Rect ScriptedHost::OuterRect() { return fullscreen_ ? desktop_ : outer_; }

Rect ScriptedHost::ClientRect() {
  if (fullscreen_) return desktop_;
  return Rect{outer_.x + frameLeft_, outer_.y + frameTop_, outer_.w - frameLeft_ - frameRight_,
              outer_.h - frameTop_ - frameBottom_};
}

void ScriptedHost::SetOuterRect(const Rect& outer) {
  outer_ = outer;
  // The real window underneath takes the scripted client size, so that what is drawn into it
  // has the size a desktop would give.
  const Rect client = ClientRect();
  SdlHost::SetOuterRect(Rect{0, 0, client.w, client.h});
}

void ScriptedHost::SetGLDriverAvailable(GLDriver driver, bool available) {
  (driver == GLDriver::System ? systemGL_ : softwareGL_) = available;
}

bool ScriptedHost::CreateGLContext(GLDriver driver, std::string& description) {
  if (!(driver == GLDriver::System ? systemGL_ : softwareGL_) || contextsLeft_ == 0) {
    DestroyGLContext();
    description = "driver unavailable";
    return false;
  }
  if (contextsLeft_ > 0) --contextsLeft_;
  // Both kinds run on the same software rasterizer here; only availability is simulated.
  return SdlHost::CreateGLContext(GLDriver::System, description);
}

void ScriptedHost::SwapBuffers() {
  SdlHost::SwapBuffers();
  ++presents_;
  if (presentHook_) presentHook_(presents_);
  now_ += stepPerPresent_;
}

}  // namespace ember::host

#include "runtime/host/host.h"

#include <cstdlib>

#include "runtime/host/sdl_host.h"

namespace ember::host {

bool Host::PopEvent(Event& event) {
  if (queueCount_ == 0) return false;
  event = queue_[queueHead_];
  queueHead_ = (queueHead_ + 1) % kQueueSize;
  --queueCount_;
  return true;
}

bool Host::IsKeyDown(int scancode) const {
  return scancode >= 0 && scancode < kScancodeCount && keysDown_[scancode];
}

uint32_t Host::KeyPressCount(int scancode) const {
  return scancode >= 0 && scancode < kScancodeCount ? keyPresses_[scancode] : 0;
}

void Host::TakeMouseMotion(int& dx, int& dy) {
  dx = motionX_;
  dy = motionY_;
  motionX_ = 0;
  motionY_ = 0;
}

void Host::Deliver(const Event& event) {
  switch (event.type) {
    case EventType::KeyDown:
      if (event.scancode >= 0 && event.scancode < kScancodeCount) {
        if (!event.repeat) ++keyPresses_[event.scancode];
        keysDown_[event.scancode] = true;
      }
      break;
    case EventType::KeyUp:
      if (event.scancode >= 0 && event.scancode < kScancodeCount) keysDown_[event.scancode] = false;
      break;
    case EventType::MouseMotion:
      motionX_ += event.dx;
      motionY_ += event.dy;
      break;
    case EventType::MouseButtonDown:
      if (event.button >= 0 && event.button < 8) mouseButtons_ |= uint8_t(1u << event.button);
      break;
    case EventType::MouseButtonUp:
      if (event.button >= 0 && event.button < 8) mouseButtons_ &= uint8_t(~(1u << event.button));
      break;
    case EventType::FocusGained:
      focused_ = true;
      break;
    case EventType::FocusLost:
      // Keys held while focus goes away never send their release to us.
      for (bool& down : keysDown_) down = false;
      mouseButtons_ = 0;
      focused_ = false;
      break;
    default:
      break;
  }
  // A full queue drops the oldest event rather than growing in a per-frame path.
  if (queueCount_ == kQueueSize) {
    queueHead_ = (queueHead_ + 1) % kQueueSize;
    --queueCount_;
  }
  queue_[(queueHead_ + queueCount_) % kQueueSize] = event;
  ++queueCount_;
}

void Host::ResetInput() {
  queueHead_ = queueCount_ = 0;
  for (int i = 0; i < kScancodeCount; ++i) {
    keysDown_[i] = false;
    keyPresses_[i] = 0;
  }
  motionX_ = motionY_ = 0;
  mouseButtons_ = 0;
  focused_ = true;
}

namespace {
Host* g_installed = nullptr;
SdlHost* g_default = nullptr;
bool g_exitHandlerRegistered = false;

void RegisterExitHandler() {
  if (g_exitHandlerRegistered) return;
  g_exitHandlerRegistered = true;
  std::atexit(ShutdownCurrent);
}
}  // namespace

Host& Current() {
  if (g_installed) return *g_installed;
  if (!g_default) {
    g_default = new SdlHost();
    RegisterExitHandler();
  }
  return *g_default;
}

bool HasCurrent() { return g_installed != nullptr || g_default != nullptr; }

void Install(Host* host) {
  g_installed = host;
  if (host) RegisterExitHandler();
}

void ShutdownCurrent() {
  if (g_installed) g_installed->Shutdown();
  if (g_default) g_default->Shutdown();
}

}  // namespace ember::host

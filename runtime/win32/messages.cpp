#include "runtime/host/host.h"
#include "runtime/win32/win32_internal.h"
#include "runtime/win32/window_registry.h"

namespace ember::win32 {

namespace {

constexpr int kQueueSize = 4096;
MSG g_queue[kQueueSize];
int g_head = 0;
int g_count = 0;
bool g_quitPosted = false;
int g_quitCode = 0;
// The key presses each virtual key had when GetAsyncKeyState last asked about it.
uint32_t g_pressesSeen[256] = {};

bool Enqueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_count == kQueueSize) return false;
  MSG& m = g_queue[(g_head + g_count) % kQueueSize];
  m.hwnd = window;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = host::Current().Milliseconds();
  m.pt = POINT{0, 0};
  ++g_count;
  return true;
}

// Alt and Ctrl as the key events arrive, in their order: one pump may bring a whole Alt+F4.
bool g_altDown = false;
bool g_ctrlDown = false;

LPARAM KeyLParam(const host::Event& e, bool up, bool alt) {
  // Repeat count 1, the scancode, the context bit while Alt is held, the previous-state bit
  // for repeats, the transition bit for releases.
  LPARAM l = 1 | (LPARAM(e.scancode & 0xFF) << 16);
  if (alt) l |= LPARAM(1) << 29;
  if (e.repeat || up) l |= LPARAM(1) << 30;
  if (up) l |= LPARAM(1) << 31;
  return l;
}

// Keys typed with Alt held, Alt itself and F10 are system keys on Windows. Ctrl with Alt is
// not: that is AltGr, which types characters.
UINT KeyMessage(int vk, bool up, bool alt) {
  const bool system = vk == VK_F10 || (alt && !g_ctrlDown);
  if (system) return up ? WM_SYSKEYUP : WM_SYSKEYDOWN;
  return up ? WM_KEYUP : WM_KEYDOWN;
}

void TrackModifiers(int vk, bool up) {
  if (vk == VK_MENU) g_altDown = !up;
  if (vk == VK_CONTROL) g_ctrlDown = !up;
}

void TranslateHostEvent(const host::Event& e) {
  WindowRecord* w = TheWindow();
  if (!w) return;
  HWND hwnd = w;
  switch (e.type) {
    case host::EventType::KeyDown:
    case host::EventType::KeyUp: {
      int vk = ScancodeToVirtualKey(e.scancode);
      if (vk == 0) break;
      bool up = e.type == host::EventType::KeyUp;
      // Alt counts as held for its own press and release.
      const bool alt = g_altDown || vk == VK_MENU;
      Enqueue(hwnd, KeyMessage(vk, up, alt), WPARAM(vk), KeyLParam(e, up, alt));
      TrackModifiers(vk, up);
      break;
    }
    case host::EventType::MouseMotion:
      Enqueue(hwnd, WM_MOUSEMOVE, 0, LPARAM((e.x & 0xFFFF) | ((e.y & 0xFFFF) << 16)));
      break;
    case host::EventType::MouseButtonDown:
    case host::EventType::MouseButtonUp: {
      static const UINT down[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
      static const UINT up[3] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
      if (e.button < 0 || e.button > 2) break;
      bool isDown = e.type == host::EventType::MouseButtonDown;
      Enqueue(hwnd, isDown ? down[e.button] : up[e.button], 0,
              LPARAM((e.x & 0xFFFF) | ((e.y & 0xFFFF) << 16)));
      break;
    }
    case host::EventType::CloseRequested:
      Enqueue(hwnd, WM_CLOSE, 0, 0);
      break;
    case host::EventType::Exposed:
      w->needsPaint = true;
      break;
    case host::EventType::FocusGained:
      Enqueue(hwnd, WM_ACTIVATE, WA_ACTIVE, 0);
      Enqueue(hwnd, WM_SETFOCUS, 0, 0);
      break;
    case host::EventType::FocusLost:
      // The releases of keys held while focus goes away never reach us.
      g_altDown = g_ctrlDown = false;
      Enqueue(hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
      Enqueue(hwnd, WM_KILLFOCUS, 0, 0);
      break;
  }
}

}  // namespace

void PumpHostEvents() {
  host::Host& h = host::Current();
  h.PumpEvents();
  host::Event e;
  while (h.PopEvent(e)) TranslateHostEvent(e);
}

void ResetMessages() {
  g_head = g_count = 0;
  g_quitPosted = false;
  g_quitCode = 0;
  g_altDown = g_ctrlDown = false;
  for (uint32_t& seen : g_pressesSeen) seen = 0;
}

}  // namespace ember::win32

using namespace ember::win32;

BOOL PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMsg) {
  if (!msg) return FALSE;
  PumpHostEvents();
  if (g_count > 0) {
    *msg = g_queue[g_head];
    if (removeMsg & PM_REMOVE) {
      g_head = (g_head + 1) % kQueueSize;
      --g_count;
    }
    return TRUE;
  }
  if (g_quitPosted) {
    *msg = MSG{nullptr, WM_QUIT, WPARAM(g_quitCode), 0, 0, POINT{0, 0}};
    if (removeMsg & PM_REMOVE) g_quitPosted = false;
    return TRUE;
  }
  // As on Windows, WM_PAINT is generated while the window is invalid and the queue is empty;
  // it goes away only when something validates the window.
  WindowRecord* w = TheWindow();
  if (w && w->needsPaint && (w->style & WS_VISIBLE)) {
    *msg = MSG{w, WM_PAINT, 0, 0, 0, POINT{0, 0}};
    return TRUE;
  }
  return FALSE;
}

BOOL TranslateMessage(const MSG* msg) {
  return msg && (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP ||
                 msg->message == WM_SYSKEYDOWN || msg->message == WM_SYSKEYUP);
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg) return 0;
  WindowRecord* w = FindWindow(msg->hwnd);
  if (!w || !w->proc) return 0;
  return w->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* w = FindWindow(window);
  if (!w || !w->proc) return 0;
  return w->proc(window, message, wParam, lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window && !FindWindow(window)) return FALSE;
  return Enqueue(window, message, wParam, lParam) ? TRUE : FALSE;
}

void PostQuitMessage(int exitCode) {
  g_quitPosted = true;
  g_quitCode = exitCode;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_PAINT:
      ValidateRect(window, nullptr);
      return 0;
    case WM_SYSKEYDOWN:
      // Alt+F4 closes the window, with or without a window manager to do it for us.
      if (wParam == VK_F4 && (lParam & (LPARAM(1) << 29)))
        SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    default:
      return 0;
  }
}

SHORT GetAsyncKeyState(int virtualKey) {
  if (virtualKey <= 0 || virtualKey > 255) return 0;
  PumpHostEvents();
  ember::host::Host& h = ember::host::Current();
  bool down = false;
  uint32_t presses = 0;
  for (int sc = 0; sc < ember::host::kScancodeCount; ++sc) {
    int vk = ScancodeToVirtualKey(sc);
    bool matches = vk == virtualKey;
    // The side-specific codes answer for their own key only.
    if (virtualKey == VK_LSHIFT) matches = sc == 225;
    if (virtualKey == VK_RSHIFT) matches = sc == 229;
    if (virtualKey == VK_LCONTROL) matches = sc == 224;
    if (virtualKey == VK_RCONTROL) matches = sc == 228;
    if (virtualKey == VK_LMENU) matches = sc == 226;
    if (virtualKey == VK_RMENU) matches = sc == 230;
    if (!matches) continue;
    down = down || h.IsKeyDown(sc);
    presses += h.KeyPressCount(sc);
  }
  bool pressedSince = presses != g_pressesSeen[virtualKey];
  g_pressesSeen[virtualKey] = presses;
  return SHORT((down ? 0x8000 : 0) | (pressedSince ? 1 : 0));
}

#include <vector>

#include "runtime/host/host.h"
#include "runtime/win32/resources.h"
#include "runtime/win32/win32_internal.h"
#include "runtime/win32/window_registry.h"

namespace ember::win32 {

namespace {

constexpr int kMaxClasses = 16;
WindowClassRecord g_classes[kMaxClasses];
WindowRecord g_window;
int g_cursorDisplayCount = 0;

struct IconRecord {
  int id = 0;
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
};
std::vector<IconRecord*> g_icons;

// Stock objects need distinct, stable handles and nothing behind them.
int g_stockCursor;
int g_stockIcon;
int g_moduleHandle;

WindowClassRecord* FindClass(LPCSTR name) {
  if (!name) return nullptr;
  for (WindowClassRecord& c : g_classes)
    if (c.used && c.name == name) return &c;
  return nullptr;
}

IconRecord* FindIcon(HICON handle) {
  for (IconRecord* icon : g_icons)
    if (reinterpret_cast<HICON>(icon) == handle) return icon;
  return nullptr;
}

void ApplyIcon(HICON handle) {
  IconRecord* icon = FindIcon(handle);
  if (icon) host::Current().SetWindowIcon(icon->width, icon->height, icon->pixels.data());
}

}  // namespace

WindowRecord* TheWindow() { return g_window.alive ? &g_window : nullptr; }

WindowRecord* FindWindow(HWND window) {
  return window == static_cast<HWND>(&g_window) && g_window.alive ? &g_window : nullptr;
}

bool IsLiveWindow(HWND window) { return FindWindow(window) != nullptr; }

bool IsForeground(HWND window) {
  return FindWindow(window) != nullptr && host::Current().HasFocus();
}

void ResetWindows() {
  for (WindowClassRecord& c : g_classes) c = WindowClassRecord();
  g_window.alive = false;
  g_window.needsPaint = false;
  g_window.proc = nullptr;
  g_window.title.clear();
  g_cursorDisplayCount = 0;
}

void ResetState() {
  ResetWindows();
  ResetMessages();
}

}  // namespace ember::win32

using namespace ember::win32;

ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
  if (!wc || wc->cbSize != sizeof(WNDCLASSEXA) || !wc->lpszClassName || !wc->lpfnWndProc) return 0;
  if (FindClass(wc->lpszClassName)) return 0;
  for (int i = 0; i < kMaxClasses; ++i) {
    WindowClassRecord& c = g_classes[i];
    if (c.used) continue;
    c.used = true;
    c.name = wc->lpszClassName;
    c.proc = wc->lpfnWndProc;
    c.instance = wc->hInstance;
    c.icon = wc->hIcon;
    c.style = wc->style;
    // Atoms of registered classes lie from 0xC000 up.
    return ATOM(0xC000 + i);
  }
  return 0;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance) {
  WindowClassRecord* c = FindClass(className);
  if (!c) return FALSE;
  if (g_window.alive && g_window.proc == c->proc) return FALSE;
  *c = WindowClassRecord();
  return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
  WindowClassRecord* c = FindClass(className);
  if (!c || g_window.alive) return nullptr;
  char title[1024];
  Cp1252ToUtf8(windowName ? windowName : "", title, sizeof title);
  // As on Windows, the window exists whether or not the screen can show it: without a usable
  // display it has no picture, and the graphics runtime says so when it is asked for.
  ember::host::Current().OpenWindow(title, ember::host::Rect{x, y, width, height});
  g_window.alive = true;
  g_window.proc = c->proc;
  g_window.style = style;
  g_window.title = windowName ? windowName : "";
  g_window.needsPaint = true;
  ApplyIcon(c->icon);
  HWND hwnd = &g_window;
  if (!SendMessageA(hwnd, WM_NCCREATE, 0, 0) || SendMessageA(hwnd, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
  return hwnd;
}

BOOL DestroyWindow(HWND window) {
  WindowRecord* w = FindWindow(window);
  if (!w) return FALSE;
  SendMessageA(window, WM_DESTROY, 0, 0);
  SendMessageA(window, WM_NCDESTROY, 0, 0);
  w->alive = false;
  // The surface stays until the device that draws on it is gone; only hide it.
  ember::host::Current().ShowWindow(false);
  return TRUE;
}

BOOL ShowWindow(HWND window, int command) {
  WindowRecord* w = FindWindow(window);
  if (!w) return FALSE;
  bool wasVisible = (w->style & WS_VISIBLE) != 0;
  bool show = command != SW_HIDE;
  ember::host::Current().ShowWindow(show);
  if (show) {
    w->style |= WS_VISIBLE;
    w->needsPaint = true;
  } else {
    w->style &= ~DWORD(WS_VISIBLE);
  }
  if (show != wasVisible) SendMessageA(window, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
  return wasVisible ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND window) {
  WindowRecord* w = FindWindow(window);
  if (!w) return FALSE;
  if (w->needsPaint) SendMessageA(window, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL ValidateRect(HWND window, const RECT*) {
  WindowRecord* w = FindWindow(window);
  if (!w) return FALSE;
  w->needsPaint = false;
  return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT*, BOOL) {
  WindowRecord* w = FindWindow(window);
  if (!w) return FALSE;
  w->needsPaint = true;
  return TRUE;
}

BOOL GetWindowRect(HWND window, LPRECT rect) {
  if (!FindWindow(window) || !rect) return FALSE;
  ember::host::Rect r = ember::host::Current().OuterRect();
  *rect = RECT{r.x, r.y, r.x + r.w, r.y + r.h};
  return TRUE;
}

BOOL GetClientRect(HWND window, LPRECT rect) {
  if (!FindWindow(window) || !rect) return FALSE;
  ember::host::Rect r = ember::host::Current().ClientRect();
  *rect = RECT{0, 0, r.w, r.h};
  return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
  if (!FindWindow(window) || width < 0 || height < 0) return FALSE;
  ember::host::Host& h = ember::host::Current();
  h.SetOuterRect(ember::host::Rect{x, y, width, height});
  ember::host::Rect client = h.ClientRect();
  SendMessageA(window, WM_MOVE, 0, LPARAM((client.x & 0xFFFF) | ((client.y & 0xFFFF) << 16)));
  SendMessageA(window, WM_SIZE, 0, LPARAM((client.w & 0xFFFF) | ((client.h & 0xFFFF) << 16)));
  if (repaint) InvalidateRect(window, nullptr, TRUE);
  return TRUE;
}

BOOL IsWindow(HWND window) { return FindWindow(window) ? TRUE : FALSE; }

HWND GetForegroundWindow() {
  return g_window.alive && ember::host::Current().HasFocus() ? static_cast<HWND>(&g_window)
                                                             : nullptr;
}

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom) {
  if (!rect) return FALSE;
  *rect = RECT{left, top, right, bottom};
  return TRUE;
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
  if (!instance) return reinterpret_cast<HICON>(&g_stockIcon);
  uintptr_t id = reinterpret_cast<uintptr_t>(name);
  if (id > 0xFFFF || !EmberIconResources) return nullptr;
  for (IconRecord* icon : g_icons)
    if (icon->id == int(id)) return reinterpret_cast<HICON>(icon);
  int count = 0;
  const EmberIconResource* table = EmberIconResources(&count);
  for (int i = 0; table && i < count; ++i) {
    const EmberIconResource& r = table[i];
    if (r.id != int(id) || r.width <= 0 || r.height <= 0 || r.width > 256 || r.height > 256)
      continue;
    IconRecord* icon = new IconRecord;
    icon->id = r.id;
    icon->width = r.width;
    icon->height = r.height;
    icon->pixels.assign(size_t(r.width) * size_t(r.height), 0u);
    r.paint(icon->pixels.data());
    g_icons.push_back(icon);
    return reinterpret_cast<HICON>(icon);
  }
  return nullptr;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
  // Only the system's stock cursors exist.
  return instance ? nullptr : reinterpret_cast<HCURSOR>(&g_stockCursor);
}

int ShowCursor(BOOL show) {
  g_cursorDisplayCount += show ? 1 : -1;
  ember::host::Current().SetSystemCursorVisible(g_cursorDisplayCount >= 0);
  return g_cursorDisplayCount;
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
  return moduleName ? nullptr : reinterpret_cast<HMODULE>(&g_moduleHandle);
}

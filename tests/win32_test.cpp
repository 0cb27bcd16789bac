#include <gtest/gtest.h>

#include "runtime/win32/win32_internal.h"
#include "runtime/win32/windows.h"
#include "tests/support/test_env.h"

namespace {

using ember::test::TestEnvironment;

UINT g_lastMessage = 0;
LRESULT CALLBACK RecordingProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  g_lastMessage = m;
  if (m == WM_PAINT) {
    ValidateRect(w, nullptr);
    return 0;
  }
  if (m == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(w, m, wp, lp);
}

HWND MakeWindow() {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = "w";
  if (!RegisterClassExA(&wc)) return nullptr;
  return CreateWindowExA(0, "w", "title", WS_CAPTION, 10, 20, 300, 200, nullptr, nullptr, nullptr,
                         nullptr);
}

TEST(Win32, ClassRegistrationChecksTheStructureSize) {
  TestEnvironment env;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc - 4;
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = "x";
  EXPECT_EQ(RegisterClassExA(&wc), 0);
  wc.cbSize = sizeof wc;
  EXPECT_NE(RegisterClassExA(&wc), 0);
  EXPECT_EQ(RegisterClassExA(&wc), 0);  // already registered
  EXPECT_EQ(CreateWindowExA(0, "unknown", "t", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
            nullptr);
}

TEST(Win32, KeysBecomeKeyDownMessagesAndCloseBecomesDestroyThenQuit) {
  TestEnvironment env;
  HWND w = MakeWindow();
  ASSERT_NE(w, nullptr);
  ShowWindow(w, SW_SHOWNORMAL);
  UpdateWindow(w);
  EXPECT_EQ(g_lastMessage, UINT(WM_PAINT));
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

  env.host.PressKey(22);  // S
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_KEYDOWN));
  EXPECT_EQ(msg.wParam, WPARAM('S'));

  env.host.RequestClose();
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_CLOSE));
  DispatchMessageA(&msg);  // DefWindowProc destroys the window
  EXPECT_FALSE(IsWindow(w));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_QUIT));
}

// The next queued message, as the loop would take it.
MSG Next() {
  MSG msg{};
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  return msg;
}

TEST(Win32, KeysTypedWithAltAndF10AreSystemKeys) {
  TestEnvironment env;
  ASSERT_NE(MakeWindow(), nullptr);
  const int kLeftAlt = 226, kLeftCtrl = 224, kS = 22, kF10 = 67;
  const LPARAM kAltContext = LPARAM(1) << 29;

  env.host.PressKey(kLeftAlt);
  env.host.PressKey(kS);
  env.host.ReleaseKey(kS);
  env.host.ReleaseKey(kLeftAlt);
  MSG alt = Next(), s = Next(), sUp = Next(), altUp = Next();
  EXPECT_EQ(alt.message, UINT(WM_SYSKEYDOWN));
  EXPECT_EQ(alt.wParam, WPARAM(VK_MENU));
  EXPECT_EQ(s.message, UINT(WM_SYSKEYDOWN));
  EXPECT_EQ(s.wParam, WPARAM('S'));
  EXPECT_TRUE(s.lParam & kAltContext);
  EXPECT_EQ(sUp.message, UINT(WM_SYSKEYUP));
  EXPECT_EQ(altUp.message, UINT(WM_SYSKEYUP));
  EXPECT_EQ(altUp.wParam, WPARAM(VK_MENU));

  // Once Alt is up, S is an ordinary key again.
  env.host.PressKey(kS);
  MSG plain = Next();
  EXPECT_EQ(plain.message, UINT(WM_KEYDOWN));
  EXPECT_FALSE(plain.lParam & kAltContext);

  env.host.PressKey(kF10);
  MSG f10 = Next();
  EXPECT_EQ(f10.message, UINT(WM_SYSKEYDOWN));
  EXPECT_EQ(f10.wParam, WPARAM(VK_F10));

  // Ctrl with Alt is AltGr, which types characters: not a system key.
  env.host.PressKey(kLeftCtrl);
  env.host.PressKey(kLeftAlt);
  env.host.PressKey(kS);
  Next();
  Next();
  EXPECT_EQ(Next().message, UINT(WM_KEYDOWN));
}

TEST(Win32, AltF4ClosesTheWindowThroughTheDefaultHandling) {
  TestEnvironment env;
  HWND w = MakeWindow();
  ASSERT_NE(w, nullptr);
  const int kLeftAlt = 226, kF4 = 61;
  // F4 alone is an ordinary key and closes nothing.
  env.host.PressKey(kF4);
  env.host.ReleaseKey(kF4);
  MSG f4 = Next();
  EXPECT_EQ(f4.message, UINT(WM_KEYDOWN));
  DispatchMessageA(&f4);
  EXPECT_TRUE(IsWindow(w));
  Next();  // its release

  env.host.PressKey(kLeftAlt);
  env.host.PressKey(kF4);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != WM_QUIT) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  EXPECT_EQ(msg.message, UINT(WM_QUIT));
  EXPECT_FALSE(IsWindow(w));
}

TEST(Win32, PaintRepeatsUntilTheWindowIsValidated) {
  TestEnvironment env;
  HWND w = MakeWindow();
  ShowWindow(w, SW_SHOWNORMAL);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_PAINT));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_PAINT));
  DispatchMessageA(&msg);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(Win32, AsyncKeyStateIsDownNowOrPressedSinceTheLastQuery) {
  TestEnvironment env;
  MakeWindow();
  EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), 0);
  env.host.PressKey(41);  // Escape
  EXPECT_NE(GetAsyncKeyState(VK_ESCAPE), 0);
  EXPECT_NE(GetAsyncKeyState(VK_ESCAPE) & 0x8000, 0);  // still held
  env.host.ReleaseKey(41);
  EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), 0);
  // Pressed and released between two queries: reported once, as pressed since.
  env.host.PressKey(41);
  env.host.ReleaseKey(41);
  EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), 1);
  EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), 0);
  // Either shift answers VK_SHIFT; only the left one VK_LSHIFT.
  env.host.PressKey(229);
  EXPECT_NE(GetAsyncKeyState(VK_SHIFT), 0);
  EXPECT_EQ(GetAsyncKeyState(VK_LSHIFT), 0);
}

TEST(Win32, ClocksWrapAround32Bits) {
  TestEnvironment env;
  env.host.SetTime(0xFFFFFF00u);
  DWORD before = timeGetTime();
  env.host.Advance(0x200);
  EXPECT_EQ(timeGetTime() - before, 0x200u);
  EXPECT_EQ(GetTickCount(), 0x100u);
}

TEST(Win32, MessageBoxShowsWindows1252TextAsUtf8AndMapsAnswers) {
  TestEnvironment env;
  env.host.AnswerMessageBoxes({0, 1});
  EXPECT_EQ(MessageBoxA(nullptr, "Modalit\xE0?", "Cap", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(MessageBoxA(nullptr, "\x80 \x93q\x94", nullptr, MB_YESNO), IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "x", "y", MB_OK | MB_ICONWARNING), IDOK);
  const auto& shown = env.host.ShownBoxes();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].text, "Modalit\xC3\xA0?");
  EXPECT_EQ(shown[0].icon, ember::host::MessageBoxIcon::Question);
  EXPECT_EQ(shown[1].text, "\xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D");
  EXPECT_EQ(shown[1].title, "Error");
  EXPECT_EQ(shown[2].buttons, ember::host::MessageBoxButtons::Ok);
}

TEST(Win32, MulDivRoundsHalfAwayFromZeroAndRefusesZero) {
  EXPECT_EQ(MulDiv(18, 96, 72), 24);
  EXPECT_EQ(MulDiv(18, 120, 72), 30);
  EXPECT_EQ(MulDiv(3, 1, 2), 2);
  EXPECT_EQ(MulDiv(-3, 1, 2), -2);
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(0x40000000, 4, 1), -1);
}

TEST(Win32, ScreenResolutionComesFromTheHost) {
  TestEnvironment env;
  env.host.SetDotsPerInch(120);
  HDC dc = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 120);
  EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
}

TEST(Win32, PathsTurnBackslashesIntoSlashes) {
  char out[32];
  ASSERT_TRUE(ember::win32::ToHostPath("..\\Immagini\\a.jpg", out, sizeof out));
  EXPECT_STREQ(out, "../Immagini/a.jpg");
  EXPECT_FALSE(ember::win32::ToHostPath("..\\Immagini\\a-very-long-name.jpg", out, 8));
}

}  // namespace

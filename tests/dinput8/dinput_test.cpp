// The DirectInput 8 stand-in, driven through the scripted host.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>

#include "runtime/dinput8/dinput.h"
#include "runtime/dinput8/keymap.h"
#include "runtime/host/scripted_host.h"
#include "runtime/win32/win32_internal.h"
#include "tests/support/allocation_counter.h"

namespace {

using ember::host::ScriptedHost;

struct ComRelease {
  void operator()(IUnknown* object) const { object->Release(); }
};
using DevicePtr = std::unique_ptr<IDirectInputDevice8, ComRelease>;

constexpr DWORD kForeground = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND;
constexpr DWORD kExclusive = DISCL_EXCLUSIVE | DISCL_FOREGROUND;
constexpr DWORD kBackground = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;

HINSTANCE Instance() { return reinterpret_cast<HINSTANCE>(GetModuleHandleA(nullptr)); }

int CountDown(const BYTE (&keys)[256]) {
  int down = 0;
  for (BYTE k : keys) down += k != 0;
  return down;
}

class DirectInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ember::host::Install(&host_);
    ember::win32::ResetState();
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = Instance();
    wc.lpszClassName = "dinput_test";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    window_ = CreateWindowExA(0, "dinput_test", "input", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                              640, 480, nullptr, nullptr, Instance(), nullptr);
    ASSERT_NE(window_, nullptr);
    ASSERT_EQ(DirectInput8Create(Instance(), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                 reinterpret_cast<void**>(&input_), nullptr),
              DI_OK);
  }

  void TearDown() override {
    if (input_) input_->Release();
    DestroyWindow(window_);
    ember::host::Install(nullptr);
  }

  IDirectInputDevice8* Create(REFGUID guid) {
    IDirectInputDevice8* device = nullptr;
    EXPECT_EQ(input_->CreateDevice(guid, &device, nullptr), DI_OK);
    return device;
  }

  // A device set up and acquired as the program does it.
  DevicePtr Acquired(REFGUID guid, DWORD level) {
    DevicePtr device(Create(guid));
    bool keyboard = guid == GUID_SysKeyboard;
    EXPECT_EQ(device->SetDataFormat(keyboard ? &c_dfDIKeyboard : &c_dfDIMouse), DI_OK);
    EXPECT_EQ(device->SetCooperativeLevel(window_, level), DI_OK);
    EXPECT_EQ(device->Acquire(), DI_OK);
    return device;
  }

  ScriptedHost host_;
  HWND window_ = nullptr;
  IDirectInput8* input_ = nullptr;
};

// Creation of the interface object and its devices.

TEST_F(DirectInputTest, CreateRefusesWhatDirectInput8Refuses) {
  void* out = &out;
  EXPECT_EQ(DirectInput8Create(Instance(), 0x0800, IID_IDirectInput8A, nullptr, nullptr),
            DIERR_INVALIDPARAM);
  EXPECT_EQ(DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8A, &out, nullptr),
            DIERR_INVALIDPARAM);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(DirectInput8Create(Instance(), 0x0700, IID_IDirectInput8A, &out, nullptr),
            DIERR_OLDDIRECTINPUTVERSION);
  EXPECT_EQ(DirectInput8Create(Instance(), 0x0900, IID_IDirectInput8A, &out, nullptr),
            DIERR_BETADIRECTINPUTVERSION);
  EXPECT_EQ(DirectInput8Create(Instance(), 0x0800, IID_IUnknown, &out, nullptr), DIERR_NOINTERFACE);
  out = &out;
  EXPECT_EQ(DirectInput8Create(Instance(), 0x0800, IID_IDirectInput8A, &out, input_),
            DIERR_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
}

TEST_F(DirectInputTest, CreateDeviceServesOnlyTheSystemKeyboardAndMouse) {
  IDirectInputDevice8* device = reinterpret_cast<IDirectInputDevice8*>(&device);
  EXPECT_EQ(input_->CreateDevice(IID_IDirectInput8A, &device, nullptr), DIERR_DEVICENOTREG);
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(input_->CreateDevice(GUID_SysKeyboard, nullptr, nullptr), DIERR_INVALIDPARAM);
  device = reinterpret_cast<IDirectInputDevice8*>(&device);
  EXPECT_EQ(input_->CreateDevice(GUID_SysKeyboard, &device, input_), DIERR_NOAGGREGATION);
  EXPECT_EQ(device, nullptr);
  DevicePtr keyboard(Create(GUID_SysKeyboard));
  DevicePtr mouse(Create(GUID_SysMouse));
  EXPECT_NE(keyboard.get(), nullptr);
  EXPECT_NE(mouse.get(), nullptr);
}

// Reference counts.

TEST_F(DirectInputTest, DevicesHoldTheirDirectInputObject) {
  IDirectInputDevice8* keyboard = Create(GUID_SysKeyboard);
  EXPECT_EQ(input_->AddRef(), 3u);
  EXPECT_EQ(input_->Release(), 2u);
  // The caller's reference goes; the device keeps the object alive and keeps working.
  EXPECT_EQ(input_->Release(), 1u);
  input_ = nullptr;
  EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
  EXPECT_EQ(keyboard->SetCooperativeLevel(window_, kForeground), DI_OK);
  EXPECT_EQ(keyboard->Acquire(), DI_OK);
  BYTE keys[256];
  EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
  EXPECT_EQ(keyboard->Release(), 0u);
}

TEST_F(DirectInputTest, QueryInterfaceAnswersForTheInterfacesImplemented) {
  DevicePtr keyboard(Create(GUID_SysKeyboard));
  void* out = nullptr;
  ASSERT_EQ(keyboard->QueryInterface(IID_IDirectInputDevice8A, &out), S_OK);
  EXPECT_EQ(out, keyboard.get());
  EXPECT_EQ(keyboard->Release(), 1u);
  EXPECT_EQ(keyboard->QueryInterface(IID_IDirectInput8A, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
}

// Data formats and cooperative levels.

TEST_F(DirectInputTest, StandardFormatsHaveTheDocumentedLayout) {
  EXPECT_EQ(sizeof(DIMOUSESTATE), 16u);
  EXPECT_EQ(offsetof(DIMOUSESTATE, rgbButtons), 12u);
  EXPECT_EQ(c_dfDIKeyboard.dwDataSize, 256u);
  EXPECT_EQ(c_dfDIKeyboard.rgodf[DIK_S].dwType, DIDFT_BUTTON | DIDFT_OPTIONAL | 0x1F00u);
  EXPECT_EQ(c_dfDIMouse.dwDataSize, 16u);
  EXPECT_EQ(c_dfDIMouse.dwFlags, DWORD(DIDF_RELAXIS));
  EXPECT_NE(GUID_SysKeyboard, GUID_SysMouse);
}

TEST_F(DirectInputTest, SetDataFormatTakesOnlyTheDevicesOwnFormat) {
  DevicePtr keyboard(Create(GUID_SysKeyboard));
  DevicePtr mouse(Create(GUID_SysMouse));
  EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIMouse), DIERR_INVALIDPARAM);
  EXPECT_EQ(mouse->SetDataFormat(&c_dfDIKeyboard), DIERR_INVALIDPARAM);
  EXPECT_EQ(keyboard->SetDataFormat(nullptr), DIERR_INVALIDPARAM);

  DIDATAFORMAT copy = c_dfDIKeyboard;
  EXPECT_EQ(keyboard->SetDataFormat(&copy), DI_OK);
  copy.dwDataSize = 128;
  EXPECT_EQ(keyboard->SetDataFormat(&copy), DIERR_INVALIDPARAM);
  DIOBJECTDATAFORMAT objects[7];
  for (int i = 0; i < 7; ++i) objects[i] = c_dfDIMouse.rgodf[i];
  objects[0].pguid = &GUID_YAxis;
  DIDATAFORMAT swappedAxis = c_dfDIMouse;
  swappedAxis.rgodf = objects;
  EXPECT_EQ(mouse->SetDataFormat(&swappedAxis), DIERR_INVALIDPARAM);
  objects[0].pguid = &GUID_XAxis;
  EXPECT_EQ(mouse->SetDataFormat(&swappedAxis), DI_OK);
}

TEST_F(DirectInputTest, SetCooperativeLevelNeedsOneOfEachPairAndALiveWindow) {
  DevicePtr keyboard(Create(GUID_SysKeyboard));
  DevicePtr mouse(Create(GUID_SysMouse));
  const DWORD invalid[] = {0,
                           DISCL_NONEXCLUSIVE,
                           DISCL_FOREGROUND,
                           DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND,
                           DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND,
                           kForeground | 0x20};
  for (DWORD flags : invalid) {
    EXPECT_EQ(keyboard->SetCooperativeLevel(window_, flags), DIERR_INVALIDPARAM) << flags;
    EXPECT_EQ(mouse->SetCooperativeLevel(window_, flags), DIERR_INVALIDPARAM) << flags;
  }
  EXPECT_EQ(keyboard->SetCooperativeLevel(nullptr, kForeground), DIERR_INVALIDPARAM);
  int notAWindow = 0;
  EXPECT_EQ(keyboard->SetCooperativeLevel(reinterpret_cast<HWND>(&notAWindow), kForeground),
            E_HANDLE);
  EXPECT_EQ(keyboard->SetCooperativeLevel(window_, DISCL_EXCLUSIVE | DISCL_BACKGROUND),
            DIERR_UNSUPPORTED);
  EXPECT_EQ(keyboard->SetCooperativeLevel(window_, 6), DI_OK);
  EXPECT_EQ(keyboard->SetCooperativeLevel(window_, kForeground | DISCL_NOWINKEY), DI_OK);
  EXPECT_EQ(mouse->SetCooperativeLevel(window_, 5), DI_OK);
  EXPECT_EQ(mouse->SetCooperativeLevel(window_, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DI_OK);
}

// Acquisition and reads.

TEST_F(DirectInputTest, AcquireNeedsAFormatAndCountsNothing) {
  DevicePtr keyboard(Create(GUID_SysKeyboard));
  EXPECT_EQ(keyboard->Acquire(), DIERR_INVALIDPARAM);
  ASSERT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
  // Without a cooperative level the device is nonexclusive background, the default.
  EXPECT_EQ(keyboard->Acquire(), DI_OK);
  EXPECT_EQ(keyboard->Acquire(), S_FALSE);
  // The format and the level stay as they are while the device is held.
  EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DIERR_ACQUIRED);
  EXPECT_EQ(keyboard->SetCooperativeLevel(window_, kForeground), DIERR_ACQUIRED);
  // A second Acquire is not a second hold: one Unacquire ends it.
  EXPECT_EQ(keyboard->Unacquire(), DI_OK);
  EXPECT_EQ(keyboard->Unacquire(), DI_NOEFFECT);
  BYTE keys[256];
  EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
  EXPECT_EQ(keyboard->SetCooperativeLevel(window_, kForeground), DI_OK);
}

TEST_F(DirectInputTest, GetDeviceStateWantsTheFormatsSize) {
  DevicePtr keyboard = Acquired(GUID_SysKeyboard, kForeground);
  DevicePtr mouse = Acquired(GUID_SysMouse, kExclusive);
  BYTE buffer[300];
  EXPECT_EQ(keyboard->GetDeviceState(255, buffer), DIERR_INVALIDPARAM);
  EXPECT_EQ(keyboard->GetDeviceState(257, buffer), DIERR_INVALIDPARAM);
  EXPECT_EQ(keyboard->GetDeviceState(256, nullptr), DIERR_INVALIDPARAM);
  EXPECT_EQ(keyboard->GetDeviceState(256, buffer), DI_OK);
  EXPECT_EQ(mouse->GetDeviceState(20, buffer), DIERR_INVALIDPARAM);
  EXPECT_EQ(mouse->GetDeviceState(16, buffer), DI_OK);
}

TEST_F(DirectInputTest, HeldKeyReadsDownOnEveryRead) {
  DevicePtr keyboard = Acquired(GUID_SysKeyboard, kForeground);
  host_.PressKey(44);
  BYTE keys[256];
  for (int read = 0; read < 3; ++read) {
    ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(keys[DIK_SPACE], 0x80);
    EXPECT_EQ(CountDown(keys), 1);
  }
  host_.PressKey(82);
  host_.ReleaseKey(44);
  ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
  EXPECT_EQ(keys[DIK_SPACE], 0);
  EXPECT_EQ(keys[DIK_UP], 0x80);
  EXPECT_EQ(CountDown(keys), 1);
}

TEST_F(DirectInputTest, KeysMapByPhysicalPosition) {
  DevicePtr keyboard = Acquired(GUID_SysKeyboard, kForeground);
  struct Case {
    int scancode;
    int dik;
  };
  // The program's keys, then one of each family. Scancode 20 is the key right of Tab, Q on a US
  // keyboard and A on a French one: DirectInput calls it DIK_Q whatever the layout.
  const Case cases[] = {
      {22, DIK_S},         {4, DIK_A},        {29, DIK_Z},       {44, DIK_SPACE},
      {79, DIK_RIGHT},     {80, DIK_LEFT},    {81, DIK_DOWN},    {82, DIK_UP},
      {20, DIK_Q},         {41, DIK_ESCAPE},  {40, DIK_RETURN},  {39, DIK_0},
      {58, DIK_F1},        {68, DIK_F11},     {69, DIK_F12},     {224, DIK_LCONTROL},
      {228, DIK_RCONTROL}, {229, DIK_RSHIFT}, {230, DIK_RMENU},  {88, DIK_NUMPADENTER},
      {84, DIK_DIVIDE},    {98, DIK_NUMPAD0}, {97, DIK_NUMPAD9}, {100, DIK_OEM_102},
      {78, DIK_NEXT},      {53, DIK_GRAVE},
  };
  BYTE keys[256];
  for (const Case& c : cases) {
    host_.PressKey(c.scancode);
    ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(keys[c.dik], 0x80) << "scancode " << c.scancode;
    EXPECT_EQ(CountDown(keys), 1) << "scancode " << c.scancode;
    host_.ReleaseKey(c.scancode);
    ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(CountDown(keys), 0) << "scancode " << c.scancode;
  }
  // A key with no code is simply not reported.
  host_.PressKey(107);
  ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
  EXPECT_EQ(CountDown(keys), 0);
}

TEST(KeyMap, EveryScancodeHasOneCodeAndOnlyKnownKeysShareOne) {
  int count = 0;
  const ember::dinput8::KeyMapping* mappings = ember::dinput8::KeyMappings(count);
  std::set<int> scancodes;
  std::multiset<int> codes;
  for (int i = 0; i < count; ++i) {
    EXPECT_NE(mappings[i].dik, 0) << mappings[i].scancode;
    EXPECT_TRUE(scancodes.insert(mappings[i].scancode).second) << mappings[i].scancode;
    codes.insert(mappings[i].dik);
  }
  // ISO hash and US backslash, SysRq and Print Screen, the two mute keys.
  for (int code : codes) {
    bool shared = code == DIK_BACKSLASH || code == DIK_SYSRQ || code == DIK_MUTE;
    EXPECT_EQ(codes.count(code), shared ? 2u : 1u) << code;
  }
  EXPECT_EQ(ember::dinput8::ScancodeToDik(0), 0);
  EXPECT_EQ(ember::dinput8::ScancodeToDik(-1), 0);
  EXPECT_EQ(ember::dinput8::ScancodeToDik(511), 0);
}

TEST_F(DirectInputTest, MouseMotionAccumulatesUntilRead) {
  DevicePtr mouse = Acquired(GUID_SysMouse, kForeground);
  host_.MoveMouse(3, 4);
  host_.MoveMouse(-1, 2);
  DIMOUSESTATE state;
  ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
  EXPECT_EQ(state.lX, 2);
  EXPECT_EQ(state.lY, 6);
  EXPECT_EQ(state.lZ, 0);
  ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
  EXPECT_EQ(state.lX, 0);
  EXPECT_EQ(state.lY, 0);
  host_.MoveMouse(-20, -5);
  ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
  EXPECT_EQ(state.lX, -20);
  EXPECT_EQ(state.lY, -5);
  // Only the exclusive mouse takes the pointer.
  EXPECT_FALSE(host_.MouseCaptured());
}

TEST_F(DirectInputTest, MotionWhileUnacquiredIsDropped) {
  DevicePtr mouse = Acquired(GUID_SysMouse, kExclusive);
  ASSERT_EQ(mouse->Unacquire(), DI_OK);
  host_.MoveMouse(50, 50);
  ASSERT_EQ(mouse->Acquire(), DI_OK);
  host_.MoveMouse(1, -1);
  DIMOUSESTATE state;
  ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
  EXPECT_EQ(state.lX, 1);
  EXPECT_EQ(state.lY, -1);
}

TEST_F(DirectInputTest, MouseButtonsReadAsTheyAreNow) {
  DevicePtr mouse = Acquired(GUID_SysMouse, kExclusive);
  host_.PressButton(0);
  host_.PressButton(3);
  DIMOUSESTATE state;
  ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
  const BYTE first[4] = {0x80, 0, 0, 0x80};
  EXPECT_EQ(std::memcmp(state.rgbButtons, first, 4), 0);
  host_.ReleaseButton(0);
  host_.PressButton(1);
  host_.PressButton(2);
  ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
  const BYTE second[4] = {0, 0x80, 0x80, 0x80};
  EXPECT_EQ(std::memcmp(state.rgbButtons, second, 4), 0);
  // A click between two reads is never seen.
  host_.PressButton(0);
  host_.ReleaseButton(0);
  ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
  EXPECT_EQ(state.rgbButtons[0], 0);
}

// Foreground cooperation.

TEST_F(DirectInputTest, FocusLossIsReportedUntilReacquiredAndAcquireWaitsForTheFront) {
  DevicePtr keyboard = Acquired(GUID_SysKeyboard, kForeground);
  host_.PressKey(22);
  BYTE keys[256];
  ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
  EXPECT_EQ(keys[DIK_S], 0x80);

  host_.LoseFocus();
  EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_INPUTLOST);
  EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_INPUTLOST);
  EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
  EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
  EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_INPUTLOST);

  host_.GainFocus();
  EXPECT_EQ(keyboard->Acquire(), DI_OK);
  ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
  // The release of a key held across the switch never reaches us; it reads up.
  EXPECT_EQ(CountDown(keys), 0);
}

TEST_F(DirectInputTest, AcquireNoticesALossBeforeAnyRead) {
  DevicePtr keyboard = Acquired(GUID_SysKeyboard, kForeground);
  host_.LoseFocus();
  EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
  BYTE keys[256];
  EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_INPUTLOST);
  EXPECT_EQ(keyboard->Unacquire(), DI_NOEFFECT);
  EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
}

TEST_F(DirectInputTest, ClosingTheWindowLosesForegroundInput) {
  DevicePtr keyboard = Acquired(GUID_SysKeyboard, kForeground);
  DestroyWindow(window_);
  BYTE keys[256];
  EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_INPUTLOST);
  EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
}

TEST_F(DirectInputTest, BackgroundDevicesKeepReadingWithoutFocus) {
  DevicePtr keyboard = Acquired(GUID_SysKeyboard, kBackground);
  host_.LoseFocus();
  BYTE keys[256];
  EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
  EXPECT_EQ(keyboard->Unacquire(), DI_OK);
  EXPECT_EQ(keyboard->Acquire(), DI_OK);
}

// The exclusive mouse and the pointer.

TEST_F(DirectInputTest, ExclusiveMouseCapturesThePointerWhileAcquired) {
  DevicePtr mouse(Create(GUID_SysMouse));
  ASSERT_EQ(mouse->SetDataFormat(&c_dfDIMouse), DI_OK);
  ASSERT_EQ(mouse->SetCooperativeLevel(window_, kExclusive), DI_OK);
  EXPECT_FALSE(host_.MouseCaptured());
  ASSERT_EQ(mouse->Acquire(), DI_OK);
  EXPECT_TRUE(host_.MouseCaptured());
  ASSERT_EQ(mouse->Unacquire(), DI_OK);
  EXPECT_FALSE(host_.MouseCaptured());
  ASSERT_EQ(mouse->Acquire(), DI_OK);
  EXPECT_TRUE(host_.MouseCaptured());

  host_.LoseFocus();
  DIMOUSESTATE state;
  EXPECT_EQ(mouse->GetDeviceState(sizeof state, &state), DIERR_INPUTLOST);
  EXPECT_FALSE(host_.MouseCaptured());
  EXPECT_EQ(mouse->Acquire(), DIERR_OTHERAPPHASPRIO);
  EXPECT_FALSE(host_.MouseCaptured());
  host_.GainFocus();
  ASSERT_EQ(mouse->Acquire(), DI_OK);
  EXPECT_TRUE(host_.MouseCaptured());

  // Releasing the last reference unacquires, and so gives the pointer back.
  mouse.reset();
  EXPECT_FALSE(host_.MouseCaptured());
}

TEST_F(DirectInputTest, ExclusiveBackgroundMouseCapturesOnlyInFront) {
  host_.LoseFocus();
  DevicePtr mouse = Acquired(GUID_SysMouse, DISCL_EXCLUSIVE | DISCL_BACKGROUND);
  EXPECT_FALSE(host_.MouseCaptured());
  host_.GainFocus();
  DIMOUSESTATE state;
  EXPECT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
  EXPECT_TRUE(host_.MouseCaptured());
}

// Cost of a read.

TEST_F(DirectInputTest, ReadsAllocateNothing) {
  DevicePtr keyboard = Acquired(GUID_SysKeyboard, kForeground);
  DevicePtr mouse = Acquired(GUID_SysMouse, kExclusive);
  host_.PressKey(44);
  host_.MoveMouse(5, 5);
  host_.PressButton(0);
  BYTE keys[256];
  DIMOUSESTATE state;
  ember::test::AllocationCounter allocations;
  for (int frame = 0; frame < 100; ++frame) {
    keyboard->GetDeviceState(sizeof keys, keys);
    mouse->GetDeviceState(sizeof state, &state);
  }
  EXPECT_EQ(allocations.Count(), 0u);
  EXPECT_EQ(keys[DIK_SPACE], 0x80);
  EXPECT_EQ(state.rgbButtons[0], 0x80);
}

}  // namespace

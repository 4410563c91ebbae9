#include <dinput.h>

#include <gtest/gtest.h>

#include <comobject.h>
#include <platform_test_win32.h>

#include "platform_win32/RecordingWindow.h"

namespace tavorin::test {
namespace {

ComPtr<IDirectInput8A> CreateDirectInput() {
  ComPtr<IDirectInput8A> input;
  EXPECT_EQ(DirectInput8Create(GetModuleHandleA(nullptr), 0x0800, IID_IDirectInput8A,
                               reinterpret_cast<void**>(input.ReleaseAndGetAddressOf()), nullptr),
            DI_OK);
  return input;
}

ComPtr<IDirectInputDevice8A> CreateDevice(IDirectInput8A* input, REFGUID kind,
                                          const DIDATAFORMAT& format) {
  ComPtr<IDirectInputDevice8A> device;
  EXPECT_EQ(input->CreateDevice(kind, device.ReleaseAndGetAddressOf(), nullptr), DI_OK);
  if (device) {
    EXPECT_EQ(device->SetDataFormat(&format), DI_OK);
  }
  return device;
}

std::vector<BYTE> ReadKeys(IDirectInputDevice8A* keyboard, HRESULT* result) {
  std::vector<BYTE> keys(256, 0xCC);
  *result = keyboard->GetDeviceState(256, keys.data());
  return keys;
}

int CountMessages(const std::vector<Received>& list, UINT message) {
  int count = 0;
  for (const Received& received : list) count += received.message == message;
  return count;
}

TEST(DirectInput, CreationChecksVersionInterfaceAndArguments) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(DirectInput8Create(instance, 0x0700, IID_IDirectInput8A, &out, nullptr),
            DIERR_OLDDIRECTINPUTVERSION);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(DirectInput8Create(instance, 0x0900, IID_IDirectInput8A, &out, nullptr),
            DIERR_BETADIRECTINPUTVERSION);
  EXPECT_EQ(DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8A, &out, nullptr),
            DIERR_INVALIDPARAM);
  EXPECT_EQ(DirectInput8Create(instance, 0x0800, IID_IUnknown, &out, nullptr), DIERR_NOINTERFACE);
  EXPECT_EQ(DirectInput8Create(instance, 0x0800, IID_IDirectInput8A, nullptr, nullptr),
            DIERR_INVALIDPARAM);

  ComPtr<IDirectInput8A> input = CreateDirectInput();
  ASSERT_TRUE(input);
  IDirectInputDevice8A* device = reinterpret_cast<IDirectInputDevice8A*>(1);
  EXPECT_EQ(input->CreateDevice(GUID_XAxis, &device, nullptr), DIERR_DEVICENOTREG);
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(input->CreateDevice(GUID_SysMouse, nullptr, nullptr), E_POINTER);
  EXPECT_EQ(input->GetDeviceStatus(GUID_SysKeyboard), DI_OK);
  EXPECT_EQ(input->GetDeviceStatus(GUID_Key), DIERR_DEVICENOTREG);
}

TEST(DirectInput, DeviceRefusesCallsOutOfOrderAndMalformedArguments) {
  RecordingWindow window;
  ComPtr<IDirectInput8A> input = CreateDirectInput();
  ComPtr<IDirectInputDevice8A> keyboard;
  ASSERT_EQ(input->CreateDevice(GUID_SysKeyboard, keyboard.ReleaseAndGetAddressOf(), nullptr),
            DI_OK);
  BYTE keys[256];
  EXPECT_EQ(keyboard->Acquire(), DIERR_INVALIDPARAM) << "no data format yet";
  EXPECT_EQ(keyboard->GetDeviceState(256, keys), DIERR_NOTACQUIRED);
  EXPECT_EQ(keyboard->SetDataFormat(nullptr), DIERR_INVALIDPARAM);
  // The keyboard has no axes, and a format must describe itself truthfully.
  EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIMouse2), DIERR_INVALIDPARAM);
  DIDATAFORMAT badSize = c_dfDIKeyboard;
  badSize.dwSize = 8;
  EXPECT_EQ(keyboard->SetDataFormat(&badSize), DIERR_INVALIDPARAM);
  DIOBJECTDATAFORMAT pastEnd = {&GUID_Key, 256, DIDFT_BUTTON | DIDFT_MAKEINSTANCE(30), 0};
  DIDATAFORMAT outside = {sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), 0, 256, 1, &pastEnd};
  EXPECT_EQ(keyboard->SetDataFormat(&outside), DIERR_INVALIDPARAM);
  ASSERT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);

  EXPECT_EQ(keyboard->SetCooperativeLevel(window.handle(), DISCL_FOREGROUND), DIERR_INVALIDPARAM);
  EXPECT_EQ(keyboard->SetCooperativeLevel(window.handle(),
                                          DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
            DIERR_INVALIDPARAM);
  EXPECT_EQ(keyboard->SetCooperativeLevel(window.handle(), DISCL_EXCLUSIVE | DISCL_BACKGROUND),
            DIERR_UNSUPPORTED);
  EXPECT_EQ(keyboard->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
            E_HANDLE);
  EXPECT_EQ(keyboard->SetCooperativeLevel(reinterpret_cast<HWND>(0x1234),
                                          DISCL_NONEXCLUSIVE | DISCL_BACKGROUND),
            E_HANDLE);
  ASSERT_EQ(keyboard->SetCooperativeLevel(window.handle(), DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
            DI_OK);

  EXPECT_EQ(keyboard->Unacquire(), DI_NOEFFECT);
  ASSERT_EQ(keyboard->Acquire(), DI_OK);
  EXPECT_EQ(keyboard->Acquire(), S_FALSE);
  EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DIERR_ACQUIRED);
  EXPECT_EQ(keyboard->SetCooperativeLevel(window.handle(), DISCL_NONEXCLUSIVE | DISCL_BACKGROUND),
            DIERR_ACQUIRED);
  EXPECT_EQ(keyboard->GetDeviceState(255, keys), DIERR_INVALIDPARAM);
  EXPECT_EQ(keyboard->GetDeviceState(256, nullptr), DIERR_INVALIDPARAM);
  EXPECT_EQ(keyboard->Poll(), DI_NOEFFECT);
  EXPECT_EQ(keyboard->Unacquire(), DI_OK);
  EXPECT_EQ(keyboard->Poll(), DIERR_NOTACQUIRED);
}

TEST(DirectInput, KeyboardStateFollowsInjectedKeysAndMessagesSeeEveryTransition) {
  RecordingWindow window;
  ComPtr<IDirectInput8A> input = CreateDirectInput();
  ComPtr<IDirectInputDevice8A> keyboard =
      CreateDevice(input.Get(), GUID_SysKeyboard, c_dfDIKeyboard);
  ASSERT_EQ(keyboard->SetCooperativeLevel(window.handle(), DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
            DI_OK);
  ASSERT_EQ(keyboard->Acquire(), DI_OK);
  HRESULT result;

  // Held: down on every read until released.
  ASSERT_TRUE(InjectKey(DIK_A, true));
  ASSERT_TRUE(InjectKey(DIK_RCONTROL, true));
  std::vector<BYTE> keys = ReadKeys(keyboard.Get(), &result);
  ASSERT_EQ(result, DI_OK);
  EXPECT_EQ(keys[DIK_A], 0x80);
  EXPECT_EQ(keys[DIK_RCONTROL], 0x80);
  EXPECT_EQ(keys[DIK_B], 0);
  EXPECT_EQ(ReadKeys(keyboard.Get(), &result)[DIK_A], 0x80);
  InjectKey(DIK_A, false);
  InjectKey(DIK_RCONTROL, false);
  EXPECT_EQ(ReadKeys(keyboard.Get(), &result)[DIK_A], 0);

  // Pressed and released between two reads: the device shows the state at
  // the read, the window's messages show both transitions.
  PumpMessages();
  window.Take();
  InjectKey(DIK_SPACE, true);
  InjectKey(DIK_SPACE, false);
  EXPECT_EQ(ReadKeys(keyboard.Get(), &result)[DIK_SPACE], 0);
  std::vector<MSG> taken = PumpMessages();
  ASSERT_GE(taken.size(), 2u);
  EXPECT_EQ(taken[0].message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(taken[0].wParam, static_cast<WPARAM>(VK_SPACE));
  EXPECT_EQ((taken[0].lParam >> 16) & 0xFF, DIK_SPACE);
  EXPECT_EQ(taken.back().message, static_cast<UINT>(WM_KEYUP));
  EXPECT_NE(taken.back().lParam & (1u << 31), 0);
  EXPECT_EQ(CountMessages(window.Take(), WM_CHAR), 1);
}

TEST(DirectInput, ForegroundDeviceIsLostWhenItsWindowLeavesTheFront) {
  RecordingWindow window;
  ComPtr<IDirectInput8A> input = CreateDirectInput();
  ComPtr<IDirectInputDevice8A> keyboard =
      CreateDevice(input.Get(), GUID_SysKeyboard, c_dfDIKeyboard);
  ComPtr<IDirectInputDevice8A> mouse = CreateDevice(input.Get(), GUID_SysMouse, c_dfDIMouse2);
  keyboard->SetCooperativeLevel(window.handle(), DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
  ASSERT_EQ(keyboard->Acquire(), DI_OK);
  ASSERT_EQ(mouse->Acquire(), DI_OK) << "the default level is background";
  InjectKey(DIK_W, true);
  HRESULT result;
  EXPECT_EQ(ReadKeys(keyboard.Get(), &result)[DIK_W], 0x80);

  ASSERT_TRUE(InjectFocus(window.handle(), false));
  std::vector<BYTE> keys = ReadKeys(keyboard.Get(), &result);
  EXPECT_EQ(result, DIERR_INPUTLOST);
  EXPECT_EQ(keys[DIK_W], 0) << "a failed read leaves nothing stale behind";
  ReadKeys(keyboard.Get(), &result);
  EXPECT_EQ(result, DIERR_NOTACQUIRED);
  EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
  DIMOUSESTATE2 mouseState;
  EXPECT_EQ(mouse->GetDeviceState(sizeof(mouseState), &mouseState), DI_OK)
      << "a background device does not care about focus";

  // Coming back to the front does not revive the device by itself.
  InjectFocus(window.handle(), true);
  PumpMessages();
  ReadKeys(keyboard.Get(), &result);
  EXPECT_EQ(result, DIERR_NOTACQUIRED);
  ASSERT_EQ(keyboard->Acquire(), DI_OK);
  InjectKey(DIK_W, true);
  EXPECT_EQ(ReadKeys(keyboard.Get(), &result)[DIK_W], 0x80);

  // Leaving and returning between two reads still loses the device.
  InjectFocus(window.handle(), false);
  InjectFocus(window.handle(), true);
  ReadKeys(keyboard.Get(), &result);
  EXPECT_EQ(result, DIERR_INPUTLOST);
  EXPECT_EQ(keyboard->Poll(), DIERR_NOTACQUIRED);
  InjectKey(DIK_W, false);
}

TEST(DirectInput, MouseReportsMotionAndWheelSinceTheLastReadAndButtonsAsHeld) {
  RecordingWindow window;
  ComPtr<IDirectInput8A> input = CreateDirectInput();
  ComPtr<IDirectInputDevice8A> mouse = CreateDevice(input.Get(), GUID_SysMouse, c_dfDIMouse2);
  ASSERT_EQ(mouse->SetCooperativeLevel(window.handle(), DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
            DI_OK);
  InjectMouseMove(window.handle(), 100, 100);
  ASSERT_EQ(mouse->Acquire(), DI_OK);
  DIMOUSESTATE2 state;
  ASSERT_EQ(mouse->GetDeviceState(sizeof(state), &state), DI_OK);

  InjectMouseMove(window.handle(), 110, 95);
  InjectMouseMove(window.handle(), 130, 90);
  InjectMouseWheel(window.handle(), -1);
  InjectMouseButton(window.handle(), 1, true);
  ASSERT_EQ(mouse->GetDeviceState(sizeof(state), &state), DI_OK);
  EXPECT_EQ(state.lX, 30);
  EXPECT_EQ(state.lY, -10);
  EXPECT_EQ(state.lZ, -WHEEL_DELTA);
  EXPECT_EQ(state.rgbButtons[0], 0);
  EXPECT_EQ(state.rgbButtons[1], 0x80);

  ASSERT_EQ(mouse->GetDeviceState(sizeof(state), &state), DI_OK);
  EXPECT_EQ(state.lX, 0);
  EXPECT_EQ(state.lY, 0);
  EXPECT_EQ(state.lZ, 0);
  EXPECT_EQ(state.rgbButtons[1], 0x80) << "still held";
  InjectMouseButton(window.handle(), 1, false);

  // The shorter format carries the same axes and the first four buttons.
  ComPtr<IDirectInputDevice8A> small = CreateDevice(input.Get(), GUID_SysMouse, c_dfDIMouse);
  ASSERT_EQ(small->Acquire(), DI_OK);
  InjectMouseMove(window.handle(), 125, 90);
  InjectMouseButton(window.handle(), 2, true);
  DIMOUSESTATE shortState;
  EXPECT_EQ(small->GetDeviceState(sizeof(state), &state), DIERR_INVALIDPARAM);
  ASSERT_EQ(small->GetDeviceState(sizeof(shortState), &shortState), DI_OK);
  EXPECT_EQ(shortState.lX, -5);
  EXPECT_EQ(shortState.rgbButtons[2], 0x80);
  InjectMouseButton(window.handle(), 2, false);
  PumpMessages();
}

TEST(DirectInput, OnlyOneDeviceHoldsTheMouseExclusively) {
  RecordingWindow window;
  ComPtr<IDirectInput8A> input = CreateDirectInput();
  ComPtr<IDirectInputDevice8A> first = CreateDevice(input.Get(), GUID_SysMouse, c_dfDIMouse2);
  ComPtr<IDirectInputDevice8A> second = CreateDevice(input.Get(), GUID_SysMouse, c_dfDIMouse2);
  for (auto* device : {first.Get(), second.Get()}) {
    ASSERT_EQ(device->SetCooperativeLevel(window.handle(), DISCL_EXCLUSIVE | DISCL_FOREGROUND),
              DI_OK);
  }
  ASSERT_EQ(first->Acquire(), DI_OK);
  EXPECT_EQ(second->Acquire(), DIERR_OTHERAPPHASPRIO);
  first->Unacquire();
  EXPECT_EQ(second->Acquire(), DI_OK);
  // Releasing the last reference gives the hardware back too.
  second.Reset();
  EXPECT_EQ(first->Acquire(), DI_OK);
}

}  // namespace
}  // namespace tavorin::test

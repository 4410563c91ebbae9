#include "input/KeyState.h"

#include <cstring>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <platform_test.h>

namespace {

using tavorin::ComPtr;
using ::testing::_;
using ::testing::Invoke;
using ::testing::NiceMock;
using ::testing::Return;

// A device whose key or button states a test sets directly.
class FakeDevice : public tavorin::ComObject<IDirectInputDevice8A> {
 public:
  FakeDevice() {
    ON_CALL(*this, GetDeviceState(_, _)).WillByDefault(Invoke([this](DWORD size, void* data) {
      std::memset(data, 0, size);
      std::memcpy(data, state, std::min<DWORD>(size, sizeof state));
      return DI_OK;
    }));
  }
  MOCK_METHOD(HRESULT, Acquire, (), (override));
  MOCK_METHOD(HRESULT, Unacquire, (), (override));
  MOCK_METHOD(HRESULT, GetDeviceState, (DWORD, LPVOID), (override));
  MOCK_METHOD(HRESULT, SetDataFormat, (LPCDIDATAFORMAT), (override));
  MOCK_METHOD(HRESULT, SetCooperativeLevel, (HWND, DWORD), (override));
  MOCK_METHOD(HRESULT, Poll, (), (override));

  BYTE state[256] = {};
};

// A visible window is the foreground window, so updates read the devices.
struct KeyStateFixture : ::testing::Test {
  KeyStateFixture() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "KeyStateTest";
    RegisterClassA(&windowClass);
    window = CreateWindowExA(0, "KeyStateTest", "keys", WS_VISIBLE, 0, 0, 64, 64, nullptr, nullptr,
                             nullptr, nullptr);
    keyboard = new NiceMock<FakeDevice>();
    mouse = new NiceMock<FakeDevice>();
    EXPECT_EQ(S_OK, CreateKeyState(state.ReleaseAndGetAddressOf(), mouse, window, keyboard));
    EXPECT_EQ(S_OK, state.As(&control));
  }
  ~KeyStateFixture() override {
    state.Reset();
    control.Reset();
    keyboard->Release();
    mouse->Release();
    DestroyWindow(window);
  }

  HWND window = nullptr;
  NiceMock<FakeDevice>* keyboard;
  NiceMock<FakeDevice>* mouse;
  ComPtr<IKeyState> state;
  ComPtr<IKeyStateControl> control;
};

TEST_F(KeyStateFixture, KeyboardHoldHidesKeysForTheDelayFromTheLastUpdate) {
  ASSERT_NE(nullptr, window);
  keyboard->state[DIK_SPACE] = 0x80;
  // The first update after Reset at time 0 reads the keyboard.
  control->Update(0);
  EXPECT_TRUE(state->IsKeyDown(DIK_SPACE));
  EXPECT_TRUE(state->IsKeyDown(0x100 | DIK_SPACE)) << "only the low 8 bits count";
  EXPECT_FALSE(state->IsKeyDown(DIK_A));

  control->Update(1000);
  state->HoldKeyboard();
  control->Update(1199);
  EXPECT_FALSE(state->IsKeyDown(DIK_SPACE));
  control->Update(1200);
  EXPECT_TRUE(state->IsKeyDown(DIK_SPACE)) << "the update at exactly t + delay reads again";

  control->SetKeyboardDelay(50);
  control->Update(2000);
  state->HoldKeyboard();
  control->Update(2049);
  EXPECT_FALSE(state->IsKeyDown(DIK_SPACE));
  control->Update(2050);
  EXPECT_TRUE(state->IsKeyDown(DIK_SPACE));

  // Without a hold the clock's value never matters: 24.9 to 49.7 days of
  // uptime, and a hold long past once the clock has moved 2^31 ms on.
  control->Reset();
  for (DWORD now : {0x7FFFFF38u, 0x80000000u, 0xFFFFFF00u}) {
    control->Update(static_cast<LONG>(now));
    EXPECT_TRUE(state->IsKeyDown(DIK_SPACE)) << "after Reset at " << now;
  }
  state->HoldKeyboard();
  control->Update(static_cast<LONG>(0xFFFFFF00u + 50));
  control->Update(static_cast<LONG>(0xFFFFFF00u + 0x80000010u));
  EXPECT_TRUE(state->IsKeyDown(DIK_SPACE)) << "a hold that ran out stays over";
}

TEST_F(KeyStateFixture, FailedReadsGiveZeroAndReacquire) {
  keyboard->state[DIK_A] = 0x80;
  EXPECT_CALL(*keyboard, GetDeviceState(256, _))
      .WillOnce(Return(DIERR_INPUTLOST))
      .WillRepeatedly(::testing::DoDefault());
  EXPECT_CALL(*keyboard, Acquire()).Times(1);
  control->Update(0);
  EXPECT_FALSE(state->IsKeyDown(DIK_A));

  // A mouse that keeps reporting lost input is retried, but not for ever.
  EXPECT_CALL(*mouse, Poll()).WillRepeatedly(Return(DIERR_INPUTLOST));
  EXPECT_CALL(*mouse, Acquire())
      .Times(::testing::Between(1, 64))
      .WillRepeatedly(Return(DIERR_INPUTLOST));
  EXPECT_CALL(*mouse, GetDeviceState(sizeof(DIMOUSESTATE2), _)).WillOnce(Return(DIERR_NOTACQUIRED));
  control->Update(20);
  DIMOUSESTATE2 mouseState;
  std::memset(&mouseState, 0xCC, sizeof mouseState);
  state->GetMouseState(&mouseState);
  EXPECT_EQ(0, mouseState.lX);
  EXPECT_EQ(0, mouseState.rgbButtons[0]);
}

TEST_F(KeyStateFixture, MessagesAreSeenOnlyAfterAnUpdateAndForOneFrame) {
  POINT where{};
  control->HandleWindowMessage(window, WM_MOUSEMOVE, 0, MAKELPARAM(30, 40));
  control->HandleWindowMessage(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 40));
  control->HandleWindowMessage(window, WM_LBUTTONUP, 0, MAKELPARAM(30, 40));
  control->HandleWindowMessage(window, WM_LBUTTONDBLCLK, 0, MAKELPARAM(30, 40));
  EXPECT_FALSE(state->GetMousePosition(&where)) << "nothing before the update";
  EXPECT_FALSE(state->IsLeftButtonPressed());

  control->Update(10);
  EXPECT_TRUE(state->GetMousePosition(&where));
  EXPECT_EQ(30, where.x);
  EXPECT_EQ(40, where.y);
  EXPECT_TRUE(state->IsLeftButtonPressed()) << "press and release in one frame both show";
  EXPECT_TRUE(state->IsLeftButtonReleased());
  EXPECT_FALSE(state->IsRightButtonPressed());

  control->Update(20);
  EXPECT_FALSE(state->GetMousePosition(&where));
  EXPECT_EQ(30, where.x) << "the position stays";
  EXPECT_FALSE(state->IsLeftButtonPressed());
  EXPECT_FALSE(state->IsLeftButtonReleased());

  control->HandleWindowMessage(window, WM_RBUTTONDOWN, MK_RBUTTON, 0);
  EXPECT_EQ(window, GetCapture()) << "a press captures the mouse";
  control->HandleWindowMessage(window, WM_RBUTTONUP, 0, 0);
  EXPECT_EQ(nullptr, GetCapture());
  control->Update(30);
  EXPECT_TRUE(state->IsRightButtonPressed());
  EXPECT_TRUE(state->IsRightButtonReleased());
}

TEST_F(KeyStateFixture, BackgroundWindowReadsZeroAndLetsGoOfTheDevices) {
  keyboard->state[DIK_RETURN] = 0x80;
  control->HandleWindowMessage(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  ASSERT_TRUE(tavorin::test::InjectFocus(window, false));
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  ASSERT_NE(window, GetForegroundWindow());

  EXPECT_CALL(*keyboard, Unacquire()).Times(1);
  EXPECT_CALL(*mouse, Unacquire()).Times(1);
  EXPECT_CALL(*keyboard, GetDeviceState(_, _)).Times(0);
  control->Update(0);
  EXPECT_FALSE(state->IsKeyDown(DIK_RETURN));
  EXPECT_FALSE(state->IsLeftButtonPressed());
}

TEST(KeyStateCreationTest, NullOutPointerAndNullDevices) {
  EXPECT_EQ(E_POINTER, CreateKeyState(nullptr, nullptr, nullptr, nullptr));
  ComPtr<IKeyState> state;
  ASSERT_EQ(S_OK, CreateKeyState(state.ReleaseAndGetAddressOf(), nullptr, nullptr, nullptr));
  ComPtr<IKeyStateControl> control;
  ASSERT_EQ(S_OK, state.As(&control));
  ComPtr<IUnknown> fromState, fromControl;
  ASSERT_EQ(S_OK, state.As(&fromState));
  ASSERT_EQ(S_OK, control.As(&fromControl));
  EXPECT_EQ(fromState.Get(), fromControl.Get()) << "one identity behind both faces";
  EXPECT_EQ(S_OK, control->Update(5));
  EXPECT_FALSE(state->IsKeyDown(DIK_A));
}

}  // namespace

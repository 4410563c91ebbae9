#include <dinput.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <platform_test_win32.h>

#include "platform_win32/RecordingWindow.h"

namespace tavorin::test {
namespace {

// Pumps and returns what the window's procedure received.
std::vector<Received> Deliver(RecordingWindow& window) {
  PumpMessages();
  return window.Take();
}

TEST(InputMessages, KeysBecomeKeyMessagesWithScanCodesAndTranslateIntoCharacters) {
  RecordingWindow window;
  Deliver(window);
  InjectKey(DIK_A, true);
  InjectKey(DIK_A, true);  // auto-repeat
  InjectKey(DIK_A, false);
  std::vector<Received> received = Deliver(window);
  ASSERT_EQ(received.size(), 5u);
  EXPECT_EQ(received[0].message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(received[0].wParam, static_cast<WPARAM>('A'));
  EXPECT_EQ(received[0].lParam, 1 | (DIK_A << 16));
  EXPECT_EQ(received[1].message, static_cast<UINT>(WM_CHAR));
  EXPECT_EQ(received[1].wParam, static_cast<WPARAM>('a'));
  EXPECT_EQ(received[2].message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_NE(received[2].lParam & (1 << 30), 0) << "the repeat says the key was down";
  EXPECT_EQ(received[4].message, static_cast<UINT>(WM_KEYUP));
  EXPECT_EQ(static_cast<DWORD>(received[4].lParam), 0xC0000001u | (DIK_A << 16));

  // Shift makes capitals; arrows are extended keys with no character.
  InjectKey(DIK_LSHIFT, true);
  InjectKey(DIK_A, true);
  InjectKey(DIK_A, false);
  InjectKey(DIK_LSHIFT, false);
  InjectKey(DIK_UP, true);
  InjectKey(DIK_UP, false);
  received = Deliver(window);
  const Received* character = FindMessage(received, WM_CHAR);
  ASSERT_NE(character, nullptr);
  EXPECT_EQ(character->wParam, static_cast<WPARAM>('A'));
  EXPECT_EQ(received[0].wParam, static_cast<WPARAM>(VK_SHIFT));
  const Received& up = received[received.size() - 2];
  EXPECT_EQ(up.wParam, static_cast<WPARAM>(VK_UP));
  EXPECT_EQ((up.lParam >> 16) & 0x1FF, 0x148);

  // Alt combinations are system keys; with no window in front keys go nowhere.
  InjectKey(DIK_LMENU, true);
  InjectKey(DIK_F4, true);
  InjectKey(DIK_F4, false);
  InjectKey(DIK_LMENU, false);
  received = Deliver(window);
  ASSERT_GE(received.size(), 2u);
  EXPECT_EQ(received[1].message, static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(received[1].wParam, static_cast<WPARAM>(VK_F4));
  InjectFocus(window.handle(), false);
  Deliver(window);
  InjectKey(DIK_B, true);
  InjectKey(DIK_B, false);
  EXPECT_EQ(FindMessage(Deliver(window), WM_KEYDOWN), nullptr);
}

TEST(InputMessages, MouseEventsBecomeMouseMessagesInClientCoordinates) {
  RecordingWindow window;
  Deliver(window);
  InjectMouseMove(window.handle(), 30, 40);
  InjectMouseButton(window.handle(), 0, true);
  InjectMouseButton(window.handle(), 0, false);
  InjectMouseButton(window.handle(), 1, true);
  InjectMouseButton(window.handle(), 3, true);
  InjectMouseWheel(window.handle(), -2);
  std::vector<Received> received = Deliver(window);
  ASSERT_EQ(received.size(), 6u);
  EXPECT_EQ(received[0].message, static_cast<UINT>(WM_MOUSEMOVE));
  EXPECT_EQ(received[0].lParam, MAKELPARAM(30, 40));
  EXPECT_EQ(received[1].message, static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(received[1].wParam, static_cast<WPARAM>(MK_LBUTTON));
  EXPECT_EQ(received[1].lParam, MAKELPARAM(30, 40));
  EXPECT_EQ(received[2].message, static_cast<UINT>(WM_LBUTTONUP));
  EXPECT_EQ(received[2].wParam, 0u);
  EXPECT_EQ(received[3].message, static_cast<UINT>(WM_RBUTTONDOWN));
  EXPECT_EQ(received[4].message, static_cast<UINT>(WM_XBUTTONDOWN));
  EXPECT_EQ(GET_XBUTTON_WPARAM(received[4].wParam), XBUTTON1);
  EXPECT_EQ(GET_KEYSTATE_WPARAM(received[4].wParam), MK_RBUTTON | MK_XBUTTON1);
  EXPECT_EQ(received[5].message, static_cast<UINT>(WM_MOUSEWHEEL));
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(received[5].wParam), -2 * WHEEL_DELTA);
  InjectMouseButton(window.handle(), 1, false);
  InjectMouseButton(window.handle(), 3, false);
  Deliver(window);
}

TEST(InputMessages, CapturedMouseMessagesGoToTheCapturingWindow) {
  RecordingWindow first;
  RecordingWindow second;
  ASSERT_TRUE(SetWindowPos(second.handle(), nullptr, 900, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
  Deliver(first);
  Deliver(second);
  EXPECT_EQ(SetCapture(first.handle()), nullptr);
  EXPECT_EQ(GetCapture(), first.handle());
  RECT firstRect, secondRect;
  GetWindowRect(first.handle(), &firstRect);
  GetWindowRect(second.handle(), &secondRect);
  InjectMouseMove(second.handle(), 5, 6);
  std::vector<Received> received = Deliver(first);
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(GET_X_LPARAM(received[0].lParam), secondRect.left + 5 - firstRect.left);
  EXPECT_EQ(GET_Y_LPARAM(received[0].lParam), secondRect.top + 6 - firstRect.top);
  EXPECT_TRUE(Deliver(second).empty());

  // Taking the capture away tells the window that had it.
  EXPECT_EQ(SetCapture(second.handle()), first.handle());
  EXPECT_NE(FindMessage(first.Take(), WM_CAPTURECHANGED), nullptr);
  EXPECT_TRUE(ReleaseCapture());
  EXPECT_NE(FindMessage(second.Take(), WM_CAPTURECHANGED), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
  InjectMouseMove(second.handle(), 7, 8);
  EXPECT_NE(FindMessage(Deliver(second), WM_MOUSEMOVE), nullptr);
}

}  // namespace
}  // namespace tavorin::test

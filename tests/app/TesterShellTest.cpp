#include "app/TesterApp.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include <comobject.h>
#include <platform_test.h>

#include "app/SequenceContent.h"

namespace {

// Drains the queue as the tester's loop does; true when WM_QUIT came.
bool DrainMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) return true;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return false;
}

SIZE ClientSize(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return {client.right - client.left, client.bottom - client.top};
}

// The sequence's content, made once for all the shell's tests.
const tavorin::test::TempDir& Content() {
  static tavorin::test::TempDir dir;
  static bool made = (tavorin::test::MakeSequenceContent(dir, 2.0), true);
  (void)made;
  return dir;
}

struct TesterShellTest : ::testing::Test {
  void SetUp() override { ASSERT_EQ(S_OK, StartUpTester(&app, GetModuleHandleA(nullptr))); }
  tavorin::test::CurrentDirectory inContent{Content().path()};
  void TearDown() override {
    HWND window = app.window;
    TearDownTester(&app);
    if (IsWindow(window)) DestroyWindow(window);
    DrainMessages();
  }
  TesterApp app;
};

TEST_F(TesterShellTest, StartsWithItsFixedWindowAndServices) {
  SIZE size = ClientSize(app.window);
  EXPECT_EQ(800, size.cx);
  EXPECT_EQ(600, size.cy);
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(&app), GetWindowLongPtrA(app.window, GWLP_USERDATA));
  EXPECT_NE(nullptr, app.directX);
  EXPECT_NE(nullptr, app.keyState);
  EXPECT_NE(nullptr, app.keyControl);

  // A frame shows the movie over the whole back buffer and presents it.
  EXPECT_TRUE(TesterFrameStep(&app));
  tavorin::ComPtr<IDirect3DDevice9> device(app.directX->GetDevice());
  std::vector<DWORD> frame;
  UINT width = 0, height = 0;
  ASSERT_TRUE(tavorin::test::D3D9ReadPresentedFrame(device.Get(), &frame, &width, &height));
  ASSERT_EQ(800u * 600u, frame.size());
  EXPECT_NE(0x303080u, frame[0] & 0xFFFFFF);
  EXPECT_NE(0x303080u, frame[300 * 800 + 400] & 0xFFFFFF);
}

TEST_F(TesterShellTest, AnyOtherSizeIsPutBack) {
  SetWindowPos(app.window, HWND_NOTOPMOST, 0, 0, 300, 200, SWP_NOMOVE);
  DrainMessages();
  SIZE size = ClientSize(app.window);
  EXPECT_EQ(800, size.cx);
  EXPECT_EQ(600, size.cy);

  // A minimised window reports 0 × 0; the rule still asks for the full size.
  SendMessageA(app.window, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(0, 0));
  size = ClientSize(app.window);
  EXPECT_EQ(800, size.cx);
}

TEST_F(TesterShellTest, WindowMessagesReachTheKeyStateOnlyAfterStartUp) {
  SendMessageA(app.window, WM_MOUSEMOVE, 0, MAKELPARAM(12, 34));
  app.keyControl->Update(100);
  POINT where{};
  EXPECT_TRUE(app.keyState->GetMousePosition(&where));
  EXPECT_EQ(12, where.x);
  EXPECT_EQ(34, where.y);

  // Before the last start-up step the application is not in the window.
  SetWindowLongPtrA(app.window, GWLP_USERDATA, 0);
  SendMessageA(app.window, WM_MOUSEMOVE, 0, MAKELPARAM(56, 78));
  SendMessageA(app.window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(100, 100));
  app.keyControl->Update(200);
  EXPECT_FALSE(app.keyState->GetMousePosition(&where));
  SetWindowLongPtrA(app.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&app));
}

TEST_F(TesterShellTest, ClosingTheWindowEndsTheLoop) {
  ASSERT_TRUE(tavorin::test::InjectClose(app.window));
  // The loop leaves on WM_QUIT from the destroyed window.
  RunMessageLoop(&app);
  EXPECT_FALSE(IsWindow(app.window));
}

TEST_F(TesterShellTest, FramesAreSteppedOnlyOnce15MillisecondsHavePassed) {
  tavorin::ComPtr<IDirect3DDevice9> device(app.directX->GetDevice());
  UINT before = tavorin::test::D3D9WindowPresentCount(device.Get());
  tavorin::test::SetManualTime(1000);
  // The clock moves 5 ms at a time while the loop runs: frames at 1000
  // (the first is due at once), 1015 and 1030.
  std::thread clock([] {
    for (int step = 0; step < 6; ++step) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      tavorin::test::AdvanceManualTime(5);
    }
    // Long enough for the loop to step the last frame (a full movie frame
    // drawn on a loaded machine) before it sees the quit; the clock stands
    // still meanwhile, so no further frame falls due.
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    PostQuitMessage(0);
  });
  RunMessageLoop(&app);
  clock.join();
  tavorin::test::UseRealTime();
  EXPECT_EQ(before + 3, tavorin::test::D3D9WindowPresentCount(device.Get()));
}

}  // namespace

#include <windows.h>

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include <platform_test_win32.h>

#include "platform/win32/SdlWindow.h"
#include "platform_win32/RecordingWindow.h"

namespace tavorin::test {
namespace {

const HWND kBogus = reinterpret_cast<HWND>(0x1234);

TEST(Window, CreationSendsCreateMessagesSizesClientAreaAndMakesVisibleWindowForeground) {
  RecordingWindow window(WS_VISIBLE | WS_CAPTION | WS_SYSMENU, 800, 600);
  ASSERT_NE(window.handle(), nullptr);
  std::vector<Received> received = window.Take();
  ASSERT_GE(received.size(), 3u);
  EXPECT_EQ(received[0].message, static_cast<UINT>(WM_NCCREATE));
  EXPECT_EQ(received[1].message, static_cast<UINT>(WM_CREATE));
  // The creation data reached WM_NCCREATE: the window keeps it as user data.
  EXPECT_EQ(GetWindowLongPtrA(window.handle(), GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&window));
  const Received* size = FindMessage(received, WM_SIZE);
  ASSERT_NE(size, nullptr);
  EXPECT_EQ(size->lParam, MAKELPARAM(800, 600));
  const Received* activate = FindMessage(received, WM_ACTIVATE);
  ASSERT_NE(activate, nullptr);
  EXPECT_EQ(LOWORD(activate->wParam), WA_ACTIVE);

  EXPECT_EQ(GetForegroundWindow(), window.handle());
  RECT client;
  ASSERT_TRUE(GetClientRect(window.handle(), &client));
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 600);
  EXPECT_NE(platform::SdlWindowOf(window.handle()), nullptr);
  EXPECT_EQ(GetSystemMetrics(SM_CXDLGFRAME) + GetSystemMetrics(SM_CYDLGFRAME) +
                GetSystemMetrics(SM_CYCAPTION),
            0);
  EXPECT_GT(GetSystemMetrics(SM_CXSCREEN), 0);

  RecordingWindow hidden(0);
  EXPECT_EQ(GetForegroundWindow(), window.handle()) << "a hidden window does not take the front";
}

TEST(Window, PostedMessagesRoundTripThroughQueueFiltersAndProcedure) {
  RecordingWindow window;
  RecordingWindow other;
  window.handler = [](UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message < WM_USER) return false;
    *result = static_cast<LRESULT>(wParam + lParam);
    return true;
  };
  PumpMessages();
  ASSERT_TRUE(PostMessageA(other.handle(), WM_USER + 2, 0, 0));
  ASSERT_TRUE(PostMessageA(window.handle(), WM_USER + 1, 7, 9));
  ASSERT_TRUE(PostMessageA(nullptr, WM_APP, 1, 2));

  MSG message;
  // A window filter skips other windows' messages; PM_NOREMOVE leaves them.
  ASSERT_TRUE(PeekMessageA(&message, window.handle(), 0, 0, PM_NOREMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_USER + 1));
  ASSERT_TRUE(PeekMessageA(&message, window.handle(), 0, 0, PM_NOREMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_USER + 1));
  // (HWND)-1 takes only messages without a window; a range filters kinds.
  ASSERT_TRUE(PeekMessageA(&message, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_APP));
  EXPECT_EQ(message.hwnd, nullptr);
  EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_APP, WM_APP, PM_REMOVE));

  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.hwnd, other.handle());
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.hwnd, window.handle());
  EXPECT_EQ(message.wParam, 7u);
  window.Take();
  EXPECT_EQ(DispatchMessageA(&message), 16);
  std::vector<Received> received = window.Take();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].lParam, 9);
  EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));

  // SendMessageA calls the procedure at once and returns its answer.
  EXPECT_EQ(SendMessageA(window.handle(), WM_USER + 3, 40, 2), 42);
  EXPECT_EQ(window.Take().size(), 1u);
}

TEST(Window, CloseRequestDestroysWindowAndQuitFollowsTheMessagesPostedBeforeIt) {
  RecordingWindow window;
  HWND handle = window.handle();
  window.handler = [](UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_DESTROY) PostQuitMessage(3);
    return false;
  };
  PumpMessages();
  window.Take();
  ASSERT_TRUE(InjectClose(handle));

  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_CLOSE));
  EXPECT_EQ(message.hwnd, handle);
  ASSERT_TRUE(PostMessageA(nullptr, WM_APP, 0, 0));
  DispatchMessageA(&message);  // DefWindowProcA destroys the window
  EXPECT_FALSE(IsWindow(handle));
  std::vector<Received> received = window.Take();
  const Received* destroy = FindMessage(received, WM_DESTROY);
  ASSERT_NE(destroy, nullptr);
  EXPECT_NE(FindMessage(received, WM_NCDESTROY), nullptr);
  EXPECT_EQ(GetForegroundWindow(), nullptr);

  EXPECT_FALSE(PeekMessageA(&message, handle, 0, 0, PM_REMOVE));
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_APP));
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(message.wParam, 3u);
  EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));

  PostQuitMessage(5);
  EXPECT_EQ(GetMessageA(&message, nullptr, 0, 0), FALSE);
  EXPECT_EQ(message.wParam, 5u);
}

TEST(Window, UserDataSlotAndProcedureSlotKeepTheirValues) {
  RecordingWindow window;
  HWND handle = window.handle();
  SetLastError(ERROR_INVALID_FUNCTION);
  // The recording window keeps itself in the slot; swap it out and back.
  LONG_PTR own = GetWindowLongPtrA(handle, GWLP_USERDATA);
  EXPECT_EQ(own, reinterpret_cast<LONG_PTR>(&window));
  EXPECT_EQ(SetWindowLongPtrA(handle, GWL_USERDATA, 1234), own);
  EXPECT_EQ(GetWindowLongPtrA(handle, GWLP_USERDATA), 1234);
  EXPECT_EQ(SetWindowLongPtrA(handle, GWLP_USERDATA, own), 1234);

  EXPECT_EQ(SetWindowLongPtrA(handle, GWLP_ID, 5), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "0 was the previous value";
  EXPECT_NE(GetWindowLongPtrA(handle, GWLP_WNDPROC), 0);
  EXPECT_TRUE(GetWindowLongPtrA(handle, GWL_STYLE) & WS_VISIBLE);

  EXPECT_EQ(SetWindowLongPtrA(handle, GWL_STYLE, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
  EXPECT_EQ(GetWindowLongPtrA(handle, 12345), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
}

TEST(Window, SetWindowPosSendsSizeOnlyWhenTheClientSizeChanges) {
  RecordingWindow window;
  HWND handle = window.handle();
  PumpMessages();
  window.Take();

  ASSERT_TRUE(SetWindowPos(handle, HWND_NOTOPMOST, 0, 0, 640, 480, SWP_NOMOVE));
  std::vector<Received> received = window.Take();
  const Received* size = FindMessage(received, WM_SIZE);
  ASSERT_NE(size, nullptr);
  EXPECT_EQ(size->wParam, static_cast<WPARAM>(SIZE_RESTORED));
  EXPECT_EQ(size->lParam, MAKELPARAM(640, 480));
  RECT rect;
  GetClientRect(handle, &rect);
  EXPECT_EQ(rect.right, 640);
  EXPECT_EQ(rect.bottom, 480);

  SetWindowPos(handle, HWND_NOTOPMOST, 0, 0, 640, 480, SWP_NOMOVE);
  SetWindowPos(handle, nullptr, 0, 0, 10, 10, SWP_NOSIZE | SWP_NOZORDER | SWP_NOMOVE);
  EXPECT_EQ(FindMessage(window.Take(), WM_SIZE), nullptr);

  // Minimised: an empty client area; a new size waits for the restore.
  ShowWindow(handle, SW_MINIMIZE);
  size = nullptr;
  received = window.Take();
  size = FindMessage(received, WM_SIZE);
  ASSERT_NE(size, nullptr);
  EXPECT_EQ(size->wParam, static_cast<WPARAM>(SIZE_MINIMIZED));
  EXPECT_EQ(size->lParam, 0);
  GetClientRect(handle, &rect);
  EXPECT_EQ(rect.right, 0);
  SetWindowPos(handle, HWND_NOTOPMOST, 0, 0, 800, 600, SWP_NOMOVE);
  EXPECT_EQ(FindMessage(window.Take(), WM_SIZE), nullptr);
  ShowWindow(handle, SW_RESTORE);
  received = window.Take();
  size = FindMessage(received, WM_SIZE);
  ASSERT_NE(size, nullptr);
  EXPECT_EQ(size->lParam, MAKELPARAM(800, 600));
}

TEST(Window, ForegroundFollowsShowingFocusAndDestruction) {
  RecordingWindow first;
  RecordingWindow second(0);
  EXPECT_EQ(GetForegroundWindow(), first.handle());
  first.Take();

  EXPECT_FALSE(ShowWindow(second.handle(), SW_SHOW));
  EXPECT_EQ(GetForegroundWindow(), second.handle());
  std::vector<Received> received = first.Take();
  const Received* deactivate = FindMessage(received, WM_ACTIVATE);
  ASSERT_NE(deactivate, nullptr);
  EXPECT_EQ(LOWORD(deactivate->wParam), WA_INACTIVE);

  // Focus moving elsewhere takes effect at the next pump; the notifications
  // arrive inside PeekMessageA.
  second.Take();
  ASSERT_TRUE(InjectFocus(second.handle(), false));
  PumpMessages();
  EXPECT_EQ(GetForegroundWindow(), nullptr);
  EXPECT_NE(FindMessage(second.Take(), WM_KILLFOCUS), nullptr);

  ASSERT_TRUE(InjectFocus(first.handle(), true));
  PumpMessages();
  EXPECT_EQ(GetForegroundWindow(), first.handle());
  EXPECT_NE(FindMessage(first.Take(), WM_SETFOCUS), nullptr);
  // Losing focus reported for a window that is not in front changes nothing.
  ASSERT_TRUE(InjectFocus(second.handle(), false));
  PumpMessages();
  EXPECT_EQ(GetForegroundWindow(), first.handle());

  ASSERT_TRUE(SetForegroundWindow(second.handle()));
  EXPECT_EQ(GetFocus(), second.handle());
  ShowWindow(second.handle(), SW_HIDE);
  EXPECT_EQ(GetForegroundWindow(), nullptr);
  SetForegroundWindow(first.handle());
  DestroyWindow(first.handle());
  EXPECT_EQ(GetForegroundWindow(), nullptr);
}

LRESULT CALLBACK DestroyWhenShown(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SHOWWINDOW && wParam) DestroyWindow(window);
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST(Window, AWindowDestroyedWhileBeingShownNeverTakesTheFront) {
  RecordingWindow live;
  ASSERT_EQ(GetForegroundWindow(), live.handle());
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DestroyWhenShown;
  windowClass.lpszClassName = "DestroyWhenShown";
  ASSERT_NE(RegisterClassA(&windowClass), 0);
  auto create = [](DWORD style) {
    return CreateWindowExA(0, "DestroyWhenShown", "gone", style, 0, 0, 64, 64, nullptr, nullptr,
                           nullptr, nullptr);
  };

  for (DWORD style : {DWORD{WS_VISIBLE | WS_MINIMIZE}, DWORD{WS_VISIBLE | WS_MAXIMIZE}}) {
    EXPECT_EQ(create(style), nullptr) << style;
    EXPECT_EQ(GetForegroundWindow(), live.handle()) << style;
  }
  for (int command : {SW_SHOWMAXIMIZED, SW_SHOWMINIMIZED, SW_RESTORE, SW_SHOW}) {
    HWND window = create(0);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, command);
    EXPECT_FALSE(IsWindow(window)) << command;
    EXPECT_EQ(GetForegroundWindow(), live.handle()) << command;
  }
  HWND window = create(0);
  ASSERT_NE(window, nullptr);
  SetWindowPos(window, nullptr, 0, 0, 32, 32, SWP_NOZORDER | SWP_SHOWWINDOW);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(GetForegroundWindow(), live.handle());

  // Keys still go to the window in front.
  live.Take();
  ASSERT_TRUE(InjectKey(0x1E /* A */, true));
  ASSERT_TRUE(InjectKey(0x1E /* A */, false));
  PumpMessages();
  EXPECT_NE(FindMessage(live.Take(), WM_KEYDOWN), nullptr);
  UnregisterClassA("DestroyWhenShown", nullptr);
}

TEST(Window, BadHandlesAndNullArgumentsFailWithDocumentedErrors) {
  auto expectError = [](DWORD expected) { EXPECT_EQ(GetLastError(), expected); };
  MSG message{};
  RECT rect{};
  EXPECT_FALSE(DestroyWindow(kBogus));
  expectError(ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_FALSE(SetWindowPos(kBogus, nullptr, 0, 0, 1, 1, 0));
  expectError(ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_FALSE(ShowWindow(kBogus, SW_SHOW));
  EXPECT_FALSE(GetClientRect(kBogus, &rect));
  EXPECT_FALSE(GetWindowRect(kBogus, &rect));
  EXPECT_EQ(GetWindowLongPtrA(kBogus, GWLP_USERDATA), 0);
  EXPECT_EQ(SetWindowLongPtrA(kBogus, GWLP_USERDATA, 1), 0);
  expectError(ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_FALSE(PostMessageA(kBogus, WM_USER, 0, 0));
  expectError(ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(SendMessageA(kBogus, WM_USER, 0, 0), 0);
  EXPECT_FALSE(PeekMessageA(&message, kBogus, 0, 0, PM_REMOVE));
  expectError(ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(GetMessageA(&message, kBogus, 0, 0), -1);
  EXPECT_EQ(SetCapture(kBogus), nullptr);
  EXPECT_FALSE(SetForegroundWindow(kBogus));
  EXPECT_EQ(platform::SdlWindowOf(kBogus), nullptr);
  EXPECT_EQ(MessageBoxA(kBogus, "x", "y", MB_OK), 0);
  message.hwnd = kBogus;
  EXPECT_EQ(DispatchMessageA(&message), 0);

  EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
  expectError(ERROR_INVALID_PARAMETER);
  EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
  EXPECT_EQ(DispatchMessageA(nullptr), 0);
  EXPECT_FALSE(TranslateMessage(nullptr));
  EXPECT_EQ(RegisterClassA(nullptr), 0);
  expectError(ERROR_INVALID_PARAMETER);
  WNDCLASSA noProcedure{};
  noProcedure.lpszClassName = "NoProcedure";
  EXPECT_EQ(RegisterClassA(&noProcedure), 0);
  EXPECT_EQ(
      CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
      nullptr);
  expectError(ERROR_CANNOT_FIND_WND_CLASS);
  EXPECT_EQ(CreateWindowExA(0, nullptr, "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_FALSE(UnregisterClassA("NoSuchClass", nullptr));
  expectError(ERROR_CLASS_DOES_NOT_EXIST);

  RecordingWindow window;
  EXPECT_FALSE(GetClientRect(window.handle(), nullptr));
  EXPECT_EQ(CreateWindowExA(0, "TavorinRecordingWindow", "", 0, 0, 0, 1, 1, kBogus, nullptr,
                            nullptr, nullptr),
            nullptr);
  expectError(ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(CreateWindowExA(0, "TavorinRecordingWindow", "", WS_CHILD, 0, 0, 1, 1, window.handle(),
                            nullptr, nullptr, nullptr),
            nullptr);
  expectError(ERROR_NOT_SUPPORTED);
  // Classes compare without case, and one with windows cannot go.
  EXPECT_FALSE(UnregisterClassA("tavorinrecordingwindow", nullptr));
  expectError(ERROR_CLASS_HAS_WINDOWS);
}

TEST(Window, ClassesIconsCursorsAndStockObjects) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hIcon = LoadIconA(GetModuleHandleA(nullptr), "APPLICATIONICON");
  EXPECT_EQ(windowClass.hIcon, nullptr) << "there are no icon resources";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  EXPECT_NE(windowClass.hCursor, nullptr);
  EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  EXPECT_NE(windowClass.hbrBackground, nullptr);
  EXPECT_EQ(GetStockObject(99), nullptr);
  windowClass.lpszClassName = "MAINWNDOW";
  ATOM atom = RegisterClassA(&windowClass);
  ASSERT_NE(atom, 0);
  EXPECT_EQ(RegisterClassA(&windowClass), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

  // A class may be named by its atom; the window title is UTF-8.
  HWND window = CreateWindowExA(0, MAKEINTATOM(atom), "Tavorin テスター", 0, CW_USEDEFAULT,
                                CW_USEDEFAULT, 320, 200, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_STREQ(SDL_GetWindowTitle(platform::SdlWindowOf(window)), "Tavorin テスター");
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(UnregisterClassA("MAINWNDOW", nullptr));
  EXPECT_EQ(GetModuleHandleA("other.dll"), nullptr);
}

TEST(Window, CreationFailsWithoutAnyVideoOutput) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The child starts afresh, so its first window is what brings video up.
  EXPECT_EXIT(
      {
        setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "Headless";
        RegisterClassA(&windowClass);
        HWND window = CreateWindowExA(0, "Headless", "", WS_VISIBLE, 0, 0, 800, 600, nullptr,
                                      nullptr, nullptr, nullptr);
        std::exit(window == nullptr && GetLastError() == ERROR_NOT_SUPPORTED ? 0 : 1);
      },
      testing::ExitedWithCode(0), "no video output");
}

TEST(Window, AWorkerThatTouchesVideoFirstLeavesWindowsToTheMainThread) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The child starts afresh, so the worker is the first to touch video.
  EXPECT_EXIT(
      {
        std::thread worker([] {
          GetSystemMetrics(SM_CXSCREEN);
          MessageBoxA(nullptr, "from a worker", "worker", MB_OK);
        });
        worker.join();
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "MainThread";
        RegisterClassA(&windowClass);
        HWND window = CreateWindowExA(0, "MainThread", "", WS_VISIBLE, 0, 0, 64, 64, nullptr,
                                      nullptr, nullptr, nullptr);
        MSG message{};
        bool delivered = window != nullptr && PostMessageA(window, WM_USER, 7, 0) &&
                         PeekMessageA(&message, window, WM_USER, WM_USER, PM_REMOVE) &&
                         message.wParam == 7;
        std::fprintf(stderr, "window %s\n", delivered ? "works" : "refused");
        // Video stays up in the child: no exit handlers, so no leak check
        // reports the display library's own allocations.
        std::_Exit(delivered ? 0 : 1);
      },
      testing::ExitedWithCode(0), "window works");
}

}  // namespace
}  // namespace tavorin::test

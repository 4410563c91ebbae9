#include "platform_win32/RecordingWindow.h"

#include <utility>

namespace tavorin::test {
namespace {

constexpr char kClassName[] = "TavorinRecordingWindow";

}  // namespace

RecordingWindow::RecordingWindow(DWORD style, int width, int height, const char* title) {
  static const bool registered = [] {
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = &RecordingWindow::Procedure;
    windowClass.lpszClassName = kClassName;
    return RegisterClassA(&windowClass) != 0;
  }();
  if (!registered) return;
  // The object travels in the creation data so that WM_NCCREATE and
  // WM_CREATE are recorded too.
  m_handle = CreateWindowExA(0, kClassName, title, style, CW_USEDEFAULT, CW_USEDEFAULT, width,
                             height, nullptr, nullptr, GetModuleHandleA(nullptr), this);
}

RecordingWindow::~RecordingWindow() {
  if (IsWindow(m_handle)) DestroyWindow(m_handle);
  PumpMessages();
  // Whatever a test left behind (a quit request) must not leak into the next.
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
}

std::vector<Received> RecordingWindow::Take() {
  return std::exchange(m_received, {});
}

LRESULT CALLBACK RecordingWindow::Procedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self != nullptr) {
    self->m_received.push_back({window, message, wParam, lParam});
    LRESULT result = 0;
    if (self->handler && self->handler(message, wParam, lParam, &result)) return result;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::vector<MSG> PumpMessages() {
  std::vector<MSG> taken;
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    taken.push_back(message);
    if (message.message == WM_QUIT) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return taken;
}

const Received* FindMessage(const std::vector<Received>& list, UINT message) {
  for (const Received& received : list) {
    if (received.message == message) return &received;
  }
  return nullptr;
}

}  // namespace tavorin::test

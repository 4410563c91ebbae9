// A window for tests that records every message its procedure receives and
// lets a test decide what the procedure answers.
#pragma once

#include <functional>
#include <vector>

#include <windows.h>

namespace tavorin::test {

struct Received {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class RecordingWindow {
 public:
  // Creates a window of `width` x `height` with the given style; handle() is
  // null when creation failed.
  explicit RecordingWindow(DWORD style = WS_VISIBLE, int width = 800, int height = 600,
                           const char* title = "test");
  ~RecordingWindow();
  RecordingWindow(const RecordingWindow&) = delete;
  RecordingWindow& operator=(const RecordingWindow&) = delete;

  HWND handle() const { return m_handle; }
  // Messages received since the last call, oldest first; the list is emptied.
  std::vector<Received> Take();
  // Answers messages before DefWindowProcA does; return true when handled.
  std::function<bool(UINT, WPARAM, LPARAM, LRESULT*)> handler;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND m_handle = nullptr;
  std::vector<Received> m_received;
};

// Takes and dispatches every queued message; returns those taken.
std::vector<MSG> PumpMessages();
// The first message of a kind in a list, or null.
const Received* FindMessage(const std::vector<Received>& list, UINT message);

}  // namespace tavorin::test

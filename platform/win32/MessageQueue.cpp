// Win32 message queue, posting, sending and dispatching on the UI thread.
#include "platform/win32/MessageQueue.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include <mmsystem.h>

#include "platform/win32/InputState.h"
#include "platform/win32/SdlVideo.h"
#include "platform/win32/WindowTable.h"

namespace tavorin::platform {
namespace {

struct MessageQueue {
  std::mutex mutex;
  std::condition_variable posted;
  std::deque<MSG> postedLane;
  std::deque<MSG> inputLane;
  std::deque<MSG> notifications;
  bool quit = false;
  int quitCode = 0;
  // The keyboard as of the last key message taken from the queue, which is
  // what translation must see: the asynchronous state has often moved on
  // (shift already released) by the time a program translates a key.
  bool keysTaken[256] = {};
};

MessageQueue& Queue() {
  static MessageQueue* queue = new MessageQueue;  // lives past static destruction
  return *queue;
}

MSG MakeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG result{};
  result.hwnd = window;
  result.message = message;
  result.wParam = wParam;
  result.lParam = lParam;
  result.time = timeGetTime();
  result.pt = CursorPosition();
  return result;
}

const HWND kThreadMessages = reinterpret_cast<HWND>(-1);

bool Matches(const MSG& message, HWND window, UINT filterMin, UINT filterMax) {
  if (window == kThreadMessages && message.hwnd != nullptr) return false;
  if (window != nullptr && window != kThreadMessages && message.hwnd != window) return false;
  if (filterMin == 0 && filterMax == 0) return true;
  return message.message >= filterMin && message.message <= filterMax;
}

bool IsKeyMessage(UINT message) {
  return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN ||
         message == WM_SYSKEYUP;
}

void NoteKeyTaken(MessageQueue& queue, const MSG& message) {
  if (!IsKeyMessage(message.message)) return;
  DWORD flags = static_cast<DWORD>(message.lParam);
  BYTE dik = static_cast<BYTE>(((flags >> 16) & 0x7F) | ((flags & (1u << 24)) ? 0x80 : 0));
  queue.keysTaken[dik] = (flags & (1u << 31)) == 0;
}

bool TakeFrom(MessageQueue& queue, std::deque<MSG>& lane, LPMSG out, HWND window, UINT filterMin,
              UINT filterMax, bool remove) {
  for (auto it = lane.begin(); it != lane.end(); ++it) {
    if (!Matches(*it, window, filterMin, filterMax)) continue;
    *out = *it;
    if (remove) {
      NoteKeyTaken(queue, *it);
      lane.erase(it);
    }
    return true;
  }
  return false;
}

void DeliverNotifications() {
  MessageQueue& queue = Queue();
  for (;;) {
    MSG next;
    {
      std::lock_guard<std::mutex> lock(queue.mutex);
      if (queue.notifications.empty()) return;
      next = queue.notifications.front();
      queue.notifications.pop_front();
    }
    CallWindowProcedure(next.hwnd, next.message, next.wParam, next.lParam);
  }
}

bool IsValidFilter(HWND window) {
  return window == nullptr || window == kThreadMessages || LookUpWindow(window) != nullptr;
}

// The character a key produces on a US layout, or 0.
char CharacterOf(WPARAM virtualKey, bool shift, bool control) {
  if (virtualKey >= 'A' && virtualKey <= 'Z') {
    if (control) return static_cast<char>(virtualKey - 'A' + 1);
    return static_cast<char>(shift ? virtualKey : virtualKey - 'A' + 'a');
  }
  if (control) return 0;
  if (virtualKey >= '0' && virtualKey <= '9') {
    return shift ? ")!@#$%^&*("[virtualKey - '0'] : static_cast<char>(virtualKey);
  }
  if (virtualKey >= VK_NUMPAD0 && virtualKey <= VK_NUMPAD9) {
    return static_cast<char>('0' + virtualKey - VK_NUMPAD0);
  }
  switch (virtualKey) {
    case VK_SPACE:
      return ' ';
    case VK_RETURN:
      return '\r';
    case VK_BACK:
      return '\b';
    case VK_TAB:
      return '\t';
    case VK_ESCAPE:
      return 0x1B;
    case VK_MULTIPLY:
      return '*';
    case VK_ADD:
      return '+';
    case VK_SUBTRACT:
      return '-';
    case VK_DECIMAL:
      return '.';
    case VK_DIVIDE:
      return '/';
    case VK_OEM_1:
      return shift ? ':' : ';';
    case VK_OEM_PLUS:
      return shift ? '+' : '=';
    case VK_OEM_COMMA:
      return shift ? '<' : ',';
    case VK_OEM_MINUS:
      return shift ? '_' : '-';
    case VK_OEM_PERIOD:
      return shift ? '>' : '.';
    case VK_OEM_2:
      return shift ? '?' : '/';
    case VK_OEM_3:
      return shift ? '~' : '`';
    case VK_OEM_4:
      return shift ? '{' : '[';
    case VK_OEM_5:
      return shift ? '|' : '\\';
    case VK_OEM_6:
      return shift ? '}' : ']';
    case VK_OEM_7:
      return shift ? '"' : '\'';
    default:
      return 0;
  }
}

constexpr BYTE kDikLeftShift = 0x2A, kDikRightShift = 0x36;
constexpr BYTE kDikLeftControl = 0x1D, kDikRightControl = 0x9D;

}  // namespace

void QueuePosted(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MessageQueue& queue = Queue();
  {
    std::lock_guard<std::mutex> lock(queue.mutex);
    queue.postedLane.push_back(MakeMessage(window, message, wParam, lParam));
  }
  queue.posted.notify_all();
}

void QueueInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MessageQueue& queue = Queue();
  std::lock_guard<std::mutex> lock(queue.mutex);
  queue.inputLane.push_back(MakeMessage(window, message, wParam, lParam));
}

void QueueNotification(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MessageQueue& queue = Queue();
  std::lock_guard<std::mutex> lock(queue.mutex);
  queue.notifications.push_back(MakeMessage(window, message, wParam, lParam));
}

void DropMessagesOf(HWND window) {
  MessageQueue& queue = Queue();
  std::lock_guard<std::mutex> lock(queue.mutex);
  for (auto* lane : {&queue.postedLane, &queue.inputLane, &queue.notifications}) {
    for (auto it = lane->begin(); it != lane->end();) {
      it = it->hwnd == window ? lane->erase(it) : it + 1;
    }
  }
}

bool HasQueuedClose(HWND window) {
  MessageQueue& queue = Queue();
  std::lock_guard<std::mutex> lock(queue.mutex);
  for (const MSG& message : queue.postedLane) {
    if (message.hwnd == window && message.message == WM_CLOSE) return true;
  }
  return false;
}

}  // namespace tavorin::platform

using namespace tavorin::platform;

BOOL PeekMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (message == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!IsValidFilter(window)) return FALSE;
  EnsureVideo();
  if (!ClaimUiThread()) return FALSE;
  PumpEvents();
  DeliverNotifications();
  bool remove = (removeFlags & PM_REMOVE) != 0;
  MessageQueue& queue = Queue();
  std::lock_guard<std::mutex> lock(queue.mutex);
  if (TakeFrom(queue, queue.postedLane, message, window, filterMin, filterMax, remove)) return TRUE;
  // WM_QUIT has no window, so a window filter never sees it.
  if (queue.quit && (window == nullptr || window == kThreadMessages)) {
    *message = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0);
    if (remove) queue.quit = false;
    return TRUE;
  }
  return TakeFrom(queue, queue.inputLane, message, window, filterMin, filterMax, remove) ? TRUE
                                                                                         : FALSE;
}

BOOL GetMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax) {
  if (message == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  if (!IsValidFilter(window)) return -1;
  EnsureVideo();
  if (!ClaimUiThread()) {
    // Nothing could ever arrive in this thread's queue.
    SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
    return -1;
  }
  MessageQueue& queue = Queue();
  for (;;) {
    if (PeekMessageA(message, window, filterMin, filterMax, PM_REMOVE)) {
      return message->message == WM_QUIT ? FALSE : TRUE;
    }
    // Posted messages wake the wait at once; SDL events are polled.
    std::unique_lock<std::mutex> lock(queue.mutex);
    queue.posted.wait_for(lock, std::chrono::milliseconds(5));
  }
}

BOOL TranslateMessage(const MSG* message) {
  if (message == nullptr) return FALSE;
  UINT kind = message->message;
  if (!IsKeyMessage(kind)) return FALSE;
  if (kind == WM_KEYUP || kind == WM_SYSKEYUP) return TRUE;
  MessageQueue& queue = Queue();
  std::lock_guard<std::mutex> lock(queue.mutex);
  bool shift = queue.keysTaken[kDikLeftShift] || queue.keysTaken[kDikRightShift];
  bool control = queue.keysTaken[kDikLeftControl] || queue.keysTaken[kDikRightControl];
  char character = CharacterOf(message->wParam, shift, control);
  if (character == 0) return TRUE;
  // The character is the very next message taken, ahead of anything queued.
  MSG translated = *message;
  translated.message = kind == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
  translated.wParam = static_cast<unsigned char>(character);
  queue.postedLane.push_front(translated);
  return TRUE;
}

LRESULT DispatchMessageA(const MSG* message) {
  if (message == nullptr || message->hwnd == nullptr) return 0;
  if (!LookUpWindow(message->hwnd)) return 0;
  if (!OnUiThread()) {
    SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
    return 0;
  }
  return CallWindowProcedure(message->hwnd, message->message, message->wParam, message->lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!LookUpWindow(window)) return 0;
  if (!OnUiThread()) {
    SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
    return 0;
  }
  return CallWindowProcedure(window, message, wParam, lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window != nullptr && !LookUpWindow(window)) return FALSE;
  QueuePosted(window, message, wParam, lParam);
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  MessageQueue& queue = Queue();
  {
    std::lock_guard<std::mutex> lock(queue.mutex);
    queue.quit = true;
    queue.quitCode = exitCode;
  }
  queue.posted.notify_all();
}

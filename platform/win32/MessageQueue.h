// The one message queue of the UI thread: posted messages, input messages,
// the quit flag and notifications waiting to be sent, as the event pump and
// the window services fill it.
#pragma once

#include <windows.h>

namespace tavorin::platform {

// Posted lane (PostMessageA, WM_CLOSE from the window manager).
void QueuePosted(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Input lane (keyboard and mouse), taken after the quit flag.
void QueueInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Sent by the next PeekMessageA / GetMessageA before it looks at the lanes.
void QueueNotification(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Forgets everything queued for a window that is going away.
void DropMessagesOf(HWND window);
bool HasQueuedClose(HWND window);

}  // namespace tavorin::platform

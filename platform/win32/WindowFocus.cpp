// Win32 foreground window, keyboard focus and mouse capture, tracked by the
// platform because dummy-driver windows never receive SDL focus.
#include <SDL.h>

#include "platform/win32/SdlVideo.h"
#include "platform/win32/WindowTable.h"

using namespace tavorin::platform;

HWND GetForegroundWindow() {
  WindowTable& table = Windows();
  std::lock_guard<std::recursive_mutex> lock(table.mutex);
  return table.foreground;
}

BOOL SetForegroundWindow(HWND window) {
  std::shared_ptr<Window> target = LookUpWindow(window);
  if (!target) return FALSE;
  if (!OnUiThread()) {
    SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
    return FALSE;
  }
  ChangeForeground(window, true);
  return TRUE;
}

HWND SetFocus(HWND window) {
  HWND previous = GetForegroundWindow();
  if (window == nullptr) {
    // Focus on nothing: keys go nowhere, but the window stays in front.
    return previous;
  }
  return SetForegroundWindow(window) ? previous : nullptr;
}

HWND GetFocus() {
  return GetForegroundWindow();
}

HWND GetCapture() {
  WindowTable& table = Windows();
  std::lock_guard<std::recursive_mutex> lock(table.mutex);
  return table.capture;
}

HWND SetCapture(HWND window) {
  if (!LookUpWindow(window)) return nullptr;
  HWND previous;
  {
    WindowTable& table = Windows();
    std::lock_guard<std::recursive_mutex> lock(table.mutex);
    previous = table.capture;
    table.capture = window;
  }
  // Keep receiving motion when the pointer leaves the window while a button
  // is held, as a captured Windows window does.
  if (OnUiThread()) SDL_CaptureMouse(SDL_TRUE);
  if (previous != nullptr && previous != window) {
    Notify(OnUiThread(), previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(window));
  }
  return previous;
}

BOOL ReleaseCapture() {
  HWND previous;
  {
    WindowTable& table = Windows();
    std::lock_guard<std::recursive_mutex> lock(table.mutex);
    previous = table.capture;
    table.capture = nullptr;
  }
  if (previous == nullptr) return TRUE;
  if (OnUiThread()) SDL_CaptureMouse(SDL_FALSE);
  Notify(OnUiThread(), previous, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

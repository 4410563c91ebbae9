// Win32 window bookkeeping: the table of classes and windows, foreground
// changes and window-procedure calls.
#include "platform/win32/WindowTable.h"

#include <cctype>

#include "platform/win32/InputState.h"
#include "platform/win32/MessageQueue.h"

namespace tavorin::platform {

WindowTable& Windows() {
  static WindowTable* table = new WindowTable;  // lives past static destruction
  return *table;
}

std::shared_ptr<Window> LookUpWindow(HWND handle) {
  WindowTable& table = Windows();
  std::lock_guard<std::recursive_mutex> lock(table.mutex);
  auto it = table.windows.find(handle);
  if (it == table.windows.end()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return it->second;
}

Window* WindowOfSdlId(uint32_t sdlId) {
  for (auto& [handle, window] : Windows().windows) {
    if (window->sdlId == sdlId) return window.get();
  }
  return nullptr;
}

LRESULT CallWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<Window> target = LookUpWindow(window);
  if (!target) return 0;
  WNDPROC procedure;
  {
    std::lock_guard<std::recursive_mutex> lock(Windows().mutex);
    procedure = target->procedure;
  }
  if (procedure == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  return procedure(window, message, wParam, lParam);
}

void Notify(bool now, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (now) {
    CallWindowProcedure(window, message, wParam, lParam);
  } else {
    QueueNotification(window, message, wParam, lParam);
  }
}

void ChangeForeground(HWND window, bool notifyNow) {
  HWND previous;
  {
    WindowTable& table = Windows();
    std::lock_guard<std::recursive_mutex> lock(table.mutex);
    previous = table.foreground;
    if (previous == window) return;
    // A window destroyed on the way (by its own procedure, say) can never
    // be in front: keys would be queued to it and devices of live windows
    // could not be acquired.
    if (window != nullptr && table.windows.count(window) == 0) return;
    table.foreground = window;
    ++table.foregroundGeneration;
  }
  // Keys held while we had focus would otherwise stay down for ever: the
  // release goes to whoever has focus now.
  if (window == nullptr) ClearInputState();
  if (previous != nullptr) {
    Notify(notifyNow, previous, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(window));
    Notify(notifyNow, previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
  }
  if (window != nullptr) {
    Notify(notifyNow, window, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(previous));
    Notify(notifyNow, window, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
  }
}

std::string ClassKey(const char* name) {
  std::string key(name);
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

}  // namespace tavorin::platform

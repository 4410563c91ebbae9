// SDL events turned into Win32 window messages and the keyboard and mouse
// state DirectInput reads.
#include <SDL.h>

#include <vector>

#include "platform/win32/InputState.h"
#include "platform/win32/KeyCodes.h"
#include "platform/win32/MessageQueue.h"
#include "platform/win32/SdlVideo.h"
#include "platform/win32/WindowTable.h"

namespace tavorin::platform {
namespace {

constexpr BYTE kDikLeftShift = 0x2A, kDikRightShift = 0x36;
constexpr BYTE kDikLeftControl = 0x1D, kDikRightControl = 0x9D;
constexpr BYTE kDikLeftAlt = 0x38, kDikRightAlt = 0xB8;

// DirectInput numbers buttons left, right, middle; SDL left, middle, right.
int ButtonIndexOf(Uint8 sdlButton) {
  switch (sdlButton) {
    case SDL_BUTTON_LEFT:
      return 0;
    case SDL_BUTTON_RIGHT:
      return 1;
    case SDL_BUTTON_MIDDLE:
      return 2;
    default:
      return sdlButton - 1;  // X1, X2 and beyond keep their order
  }
}

WPARAM MouseKeyFlags() {
  MouseReading mouse = ReadMouseState();
  WPARAM flags = 0;
  if (mouse.buttons[0]) flags |= MK_LBUTTON;
  if (mouse.buttons[1]) flags |= MK_RBUTTON;
  if (mouse.buttons[2]) flags |= MK_MBUTTON;
  if (mouse.buttons[3]) flags |= MK_XBUTTON1;
  if (mouse.buttons[4]) flags |= MK_XBUTTON2;
  if (IsKeyDown(kDikLeftShift) || IsKeyDown(kDikRightShift)) flags |= MK_SHIFT;
  if (IsKeyDown(kDikLeftControl) || IsKeyDown(kDikRightControl)) flags |= MK_CONTROL;
  return flags;
}

// Where a mouse event lands: the capturing window if any, else the window
// under the pointer, with the point in that window's client coordinates.
struct MouseTarget {
  HWND window = nullptr;
  POINT client{};
};

MouseTarget LocateMouse(Uint32 sdlId, int x, int y) {
  WindowTable& table = Windows();
  std::lock_guard<std::recursive_mutex> lock(table.mutex);
  Window* under = WindowOfSdlId(sdlId);
  POINT screen = CursorPosition();
  if (under != nullptr) {
    screen = {under->x + x, under->y + y};
    RecordCursor(screen);
  }
  MouseTarget target;
  auto captured = table.windows.find(table.capture);
  Window* receiver = captured != table.windows.end() ? captured->second.get() : under;
  if (receiver == nullptr) return target;
  target.window = receiver->handle;
  target.client = {screen.x - receiver->x, screen.y - receiver->y};
  return target;
}

void OnKey(const SDL_KeyboardEvent& event) {
  KeyCode code = KeyCodeOfScancode(event.keysym.scancode);
  if (code.dik == 0) return;
  bool down = event.type == SDL_KEYDOWN;
  bool wasDown = IsKeyDown(code.dik);
  SetKeyDown(code.dik, down);
  HWND focus = GetForegroundWindow();
  if (focus == nullptr || code.virtualKey == 0) return;
  bool alt = IsKeyDown(kDikLeftAlt) || IsKeyDown(kDikRightAlt);
  bool control = IsKeyDown(kDikLeftControl) || IsKeyDown(kDikRightControl);
  // Alt combinations and F10 are system keys, unless Ctrl is held too.
  bool system = (alt || code.virtualKey == VK_MENU || code.virtualKey == VK_F10) && !control;
  UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  DWORD flags = 1 | (static_cast<DWORD>(code.dik & 0x7F) << 16);
  if (code.dik & 0x80) flags |= 1u << 24;
  if (alt) flags |= 1u << 29;
  if (!down || wasDown) flags |= 1u << 30;
  if (!down) flags |= 1u << 31;
  QueueInput(focus, message, code.virtualKey, static_cast<LPARAM>(flags));
}

void OnMotion(const SDL_MouseMotionEvent& event) {
  AddMouseMotion(event.xrel, event.yrel);
  MouseTarget target = LocateMouse(event.windowID, event.x, event.y);
  if (target.window == nullptr) return;
  QueueInput(target.window, WM_MOUSEMOVE, MouseKeyFlags(),
             MAKELPARAM(target.client.x, target.client.y));
}

void OnButton(const SDL_MouseButtonEvent& event) {
  int index = ButtonIndexOf(event.button);
  bool down = event.type == SDL_MOUSEBUTTONDOWN;
  SetMouseButton(index, down);
  MouseTarget target = LocateMouse(event.windowID, event.x, event.y);
  if (target.window == nullptr || index > 4) return;
  static constexpr UINT kDown[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_XBUTTONDOWN,
                                   WM_XBUTTONDOWN};
  static constexpr UINT kUp[] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP, WM_XBUTTONUP,
                                 WM_XBUTTONUP};
  WPARAM wParam = MouseKeyFlags();
  if (index >= 3) wParam |= static_cast<WPARAM>(index == 3 ? XBUTTON1 : XBUTTON2) << 16;
  QueueInput(target.window, down ? kDown[index] : kUp[index], wParam,
             MAKELPARAM(target.client.x, target.client.y));
}

void OnWheel(const SDL_MouseWheelEvent& event) {
  int notches = event.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.y : event.y;
  if (notches == 0) return;
  AddMouseWheel(notches * WHEEL_DELTA);
  POINT cursor = CursorPosition();
  HWND target = GetCapture();
  if (target == nullptr) {
    std::lock_guard<std::recursive_mutex> lock(Windows().mutex);
    Window* under = WindowOfSdlId(event.windowID);
    target = under != nullptr ? under->handle : GetForegroundWindow();
  }
  if (target == nullptr) return;
  // Wheel messages carry screen coordinates.
  QueueInput(target, WM_MOUSEWHEEL,
             MAKEWPARAM(MouseKeyFlags(), static_cast<WORD>(notches * WHEEL_DELTA)),
             MAKELPARAM(cursor.x, cursor.y));
}

// Brings the window's record up to date with what the window manager did
// and queues the WM_SIZE a Windows program expects, once per real change.
void OnWindowEvent(const SDL_WindowEvent& event) {
  HWND handle;
  UINT sizeType = SIZE_RESTORED;
  bool sizeChanged = false;
  LPARAM sizeParam = 0;
  {
    std::lock_guard<std::recursive_mutex> lock(Windows().mutex);
    Window* window = WindowOfSdlId(event.windowID);
    if (window == nullptr) return;
    handle = window->handle;
    switch (event.event) {
      case SDL_WINDOWEVENT_SIZE_CHANGED:
      case SDL_WINDOWEVENT_RESIZED:
        if (event.data1 == window->width && event.data2 == window->height) break;
        window->width = event.data1;
        window->height = event.data2;
        sizeChanged = !window->minimized;
        sizeType = window->maximized ? SIZE_MAXIMIZED : SIZE_RESTORED;
        break;
      case SDL_WINDOWEVENT_MINIMIZED:
        if (window->minimized) break;
        window->minimized = true;
        window->maximized = false;
        sizeChanged = true;
        sizeType = SIZE_MINIMIZED;
        break;
      case SDL_WINDOWEVENT_MAXIMIZED:
        if (window->maximized) break;
        window->maximized = true;
        window->minimized = false;
        sizeChanged = true;
        sizeType = SIZE_MAXIMIZED;
        break;
      case SDL_WINDOWEVENT_RESTORED:
        if (!window->minimized && !window->maximized) break;
        window->minimized = window->maximized = false;
        sizeChanged = true;
        break;
      case SDL_WINDOWEVENT_MOVED:
        window->x = event.data1;
        window->y = event.data2;
        break;
      case SDL_WINDOWEVENT_SHOWN:
        window->visible = true;
        break;
      case SDL_WINDOWEVENT_HIDDEN:
        window->visible = false;
        break;
      default:
        break;
    }
    if (sizeType != SIZE_MINIMIZED) sizeParam = MAKELPARAM(window->width, window->height);
  }
  if (sizeChanged) QueueNotification(handle, WM_SIZE, sizeType, sizeParam);
  switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
      if (!HasQueuedClose(handle)) QueuePosted(handle, WM_CLOSE, 0, 0);
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      ChangeForeground(handle, false);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      if (GetForegroundWindow() == handle) ChangeForeground(nullptr, false);
      break;
    default:
      break;
  }
}

// The user or a signal asks the program to end: every window is asked to
// close, once.
void OnQuit() {
  std::vector<HWND> handles;
  {
    std::lock_guard<std::recursive_mutex> lock(Windows().mutex);
    for (auto& [handle, window] : Windows().windows) handles.push_back(handle);
  }
  for (HWND handle : handles) {
    if (!HasQueuedClose(handle)) QueuePosted(handle, WM_CLOSE, 0, 0);
  }
}

void OnEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:
      OnQuit();
      break;
    case SDL_WINDOWEVENT:
      OnWindowEvent(event.window);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      OnKey(event.key);
      break;
    case SDL_MOUSEMOTION:
      OnMotion(event.motion);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      OnButton(event.button);
      break;
    case SDL_MOUSEWHEEL:
      OnWheel(event.wheel);
      break;
    default:
      break;
  }
}

}  // namespace

void PumpEvents() {
  if (!OnUiThread() || !VideoUp()) return;
  SDL_PumpEvents();
  SDL_Event events[64];
  for (;;) {
    int count = SDL_PeepEvents(events, 64, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
    if (count <= 0) return;
    for (int i = 0; i < count; ++i) OnEvent(events[i]);
  }
}

}  // namespace tavorin::platform

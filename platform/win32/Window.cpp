// Win32 windows on SDL windows: creation, destruction, geometry, visibility
// and window data.
#include <SDL.h>

#include <algorithm>
#include <utility>

#include "platform/win32/MessageQueue.h"
#include "platform/win32/SdlVideo.h"
#include "platform/win32/WindowTable.h"

namespace tavorin::platform {
namespace {

constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

LPARAM SizeParam(int width, int height) {
  return MAKELPARAM(width, height);
}

Uint32 SdlFlagsOf(DWORD style, DWORD exStyle) {
  Uint32 flags = (style & WS_VISIBLE) ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
  if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
  if ((style & WS_POPUP) && (style & WS_CAPTION) != WS_CAPTION) flags |= SDL_WINDOW_BORDERLESS;
  if (exStyle & WS_EX_TOPMOST) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
  return flags;
}

bool RequireUiThread() {
  if (OnUiThread()) return true;
  SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
  return false;
}

// As RequireUiThread, for creation, which makes the first creating thread
// the UI thread.
bool ClaimOrRequireUiThread() {
  if (ClaimUiThread()) return true;
  SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
  return false;
}

// Removes a window from the table and closes its SDL window; the caller has
// sent whatever notifications are due.
void ForgetWindow(HWND handle) {
  SDL_Window* sdlWindow = nullptr;
  {
    WindowTable& table = Windows();
    std::lock_guard<std::recursive_mutex> lock(table.mutex);
    auto it = table.windows.find(handle);
    if (it == table.windows.end()) return;
    // Callers further up may still hold the record: they must find no SDL
    // window in it rather than a freed one.
    sdlWindow = std::exchange(it->second->sdlWindow, nullptr);
    for (auto& [key, windowClass] : table.classes) {
      if (windowClass.atom == it->second->classAtom) --windowClass.windowCount;
    }
    table.windows.erase(it);
    // Made foreground again by its own procedure while being destroyed.
    if (table.foreground == handle) {
      table.foreground = nullptr;
      ++table.foregroundGeneration;
    }
  }
  DropMessagesOf(handle);
  if (sdlWindow != nullptr) SDL_DestroyWindow(sdlWindow);
}

// Window records are read from any thread under the table lock; the UI
// thread changes them under it too.
template <class Change>
void SetFlags(Window& window, Change change) {
  std::lock_guard<std::recursive_mutex> lock(Windows().mutex);
  change(window);
}

// A window procedure may destroy its window while handling any message, so
// every step below first checks that the window is still there; each
// returns whether it still is.
bool Alive(const Window& window) {
  return IsWindow(window.handle) != FALSE;
}

bool Show(Window& window) {
  if (!Alive(window)) return false;
  if (window.visible) return true;
  SDL_ShowWindow(window.sdlWindow);
  SetFlags(window, [](Window& w) { w.visible = true; });
  CallWindowProcedure(window.handle, WM_SHOWWINDOW, TRUE, 0);
  return Alive(window);
}

bool Hide(Window& window) {
  if (!Alive(window)) return false;
  if (!window.visible) return true;
  SDL_HideWindow(window.sdlWindow);
  SetFlags(window, [](Window& w) { w.visible = false; });
  CallWindowProcedure(window.handle, WM_SHOWWINDOW, FALSE, 0);
  if (GetForegroundWindow() == window.handle) ChangeForeground(nullptr, true);
  return Alive(window);
}

bool Restore(Window& window) {
  if (!Alive(window)) return false;
  if (!window.minimized && !window.maximized) return true;
  SDL_RestoreWindow(window.sdlWindow);
  SetFlags(window, [](Window& w) { w.minimized = w.maximized = false; });
  CallWindowProcedure(window.handle, WM_SIZE, SIZE_RESTORED,
                      SizeParam(window.width, window.height));
  return Alive(window);
}

bool Minimize(Window& window) {
  if (!Alive(window)) return false;
  if (window.minimized) return true;
  SDL_MinimizeWindow(window.sdlWindow);
  SetFlags(window, [](Window& w) {
    w.minimized = true;
    w.maximized = false;
  });
  CallWindowProcedure(window.handle, WM_SIZE, SIZE_MINIMIZED, 0);
  return Alive(window);
}

bool Maximize(Window& window) {
  if (!Alive(window)) return false;
  if (window.maximized) return true;
  SDL_MaximizeWindow(window.sdlWindow);
  SetFlags(window, [](Window& w) {
    w.maximized = true;
    w.minimized = false;
  });
  CallWindowProcedure(window.handle, WM_SIZE, SIZE_MAXIMIZED,
                      SizeParam(window.width, window.height));
  return Alive(window);
}

// Creates the SDL window and enters the window in the table; null with the
// last error set on failure.
HWND EnterWindow(const std::shared_ptr<Window>& window, LPCSTR className, LPCSTR title, int x,
                 int y) {
  int sdlX = x == CW_USEDEFAULT ? SDL_WINDOWPOS_UNDEFINED : x;
  int sdlY = x == CW_USEDEFAULT ? SDL_WINDOWPOS_UNDEFINED : y;
  // SDL windows cannot be empty; the client size we report stays as asked.
  window->sdlWindow =
      SDL_CreateWindow(title ? title : "", sdlX, sdlY, std::max(window->width, 1),
                       std::max(window->height, 1), SdlFlagsOf(window->style, window->exStyle));
  if (window->sdlWindow == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  window->sdlId = SDL_GetWindowID(window->sdlWindow);
  SDL_GetWindowPosition(window->sdlWindow, &window->x, &window->y);
  WindowTable& table = Windows();
  std::lock_guard<std::recursive_mutex> lock(table.mutex);
  WindowClass* windowClass = ClassOf(className);
  if (windowClass == nullptr) {  // unregistered meanwhile by another thread
    SDL_DestroyWindow(window->sdlWindow);
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  ++windowClass->windowCount;
  window->handle = reinterpret_cast<HWND>(table.nextHandle);
  table.nextHandle += 4;
  table.windows.emplace(window->handle, window);
  return window->handle;
}

}  // namespace
}  // namespace tavorin::platform

using namespace tavorin::platform;

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
  auto window = std::make_shared<Window>();
  {
    WindowTable& table = Windows();
    std::lock_guard<std::recursive_mutex> lock(table.mutex);
    WindowClass* windowClass = ClassOf(className);
    if (windowClass == nullptr) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    window->classAtom = windowClass->atom;
    window->procedure = windowClass->record.lpfnWndProc;
  }
  if (parent != nullptr && !LookUpWindow(parent)) return nullptr;
  if (style & WS_CHILD) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  if (!EnsureVideo()) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  if (!ClaimOrRequireUiThread()) return nullptr;
  window->instance = instance;
  window->style = style;
  window->exStyle = exStyle;
  window->width = width == CW_USEDEFAULT ? kDefaultWidth : std::max(width, 0);
  window->height = width == CW_USEDEFAULT ? kDefaultHeight : std::max(height, 0);
  window->visible = (style & WS_VISIBLE) != 0;
  HWND handle = EnterWindow(window, className, windowName, x, y);
  if (handle == nullptr) return nullptr;

  CREATESTRUCTA create{param,      instance,       menu,
                       parent,     window->height, window->width,
                       window->y,  window->x,      static_cast<LONG>(style),
                       windowName, className,      exStyle};
  LPARAM createParam = reinterpret_cast<LPARAM>(&create);
  if (!CallWindowProcedure(handle, WM_NCCREATE, 0, createParam)) {
    CallWindowProcedure(handle, WM_NCDESTROY, 0, 0);
    ForgetWindow(handle);
    return nullptr;
  }
  if (CallWindowProcedure(handle, WM_CREATE, 0, createParam) == -1 || !IsWindow(handle)) {
    DestroyWindow(handle);
    return nullptr;
  }
  CallWindowProcedure(handle, WM_SIZE, SIZE_RESTORED, SizeParam(window->width, window->height));
  CallWindowProcedure(handle, WM_MOVE, 0, MAKELPARAM(window->x, window->y));
  if (window->visible && IsWindow(handle)) {
    CallWindowProcedure(handle, WM_SHOWWINDOW, TRUE, 0);
    ChangeForeground(handle, true);
  }
  if (style & WS_MINIMIZE) Minimize(*window);
  if (style & WS_MAXIMIZE) Maximize(*window);
  // The procedure may have destroyed the window on the way.
  return IsWindow(handle) ? handle : nullptr;
}

BOOL IsWindow(HWND window) {
  WindowTable& table = Windows();
  std::lock_guard<std::recursive_mutex> lock(table.mutex);
  return table.windows.count(window) != 0 ? TRUE : FALSE;
}

BOOL DestroyWindow(HWND handle) {
  std::shared_ptr<Window> window = LookUpWindow(handle);
  if (!window) return FALSE;
  if (!OnUiThread()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  {
    std::lock_guard<std::recursive_mutex> lock(Windows().mutex);
    // A procedure that destroys its window again while handling WM_DESTROY.
    if (window->destroying) return TRUE;
    window->destroying = true;
  }
  if (GetForegroundWindow() == handle) ChangeForeground(nullptr, true);
  if (GetCapture() == handle) ReleaseCapture();
  CallWindowProcedure(handle, WM_DESTROY, 0, 0);
  CallWindowProcedure(handle, WM_NCDESTROY, 0, 0);
  ForgetWindow(handle);
  return TRUE;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/) {
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_NCCREATE:
      return TRUE;
    default:
      return 0;
  }
}

BOOL SetWindowPos(HWND handle, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
  std::shared_ptr<Window> window = LookUpWindow(handle);
  if (!window || !RequireUiThread()) return FALSE;
  if (!(flags & SWP_NOZORDER)) {
    bool special = insertAfter == HWND_TOP || insertAfter == HWND_BOTTOM ||
                   insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST;
    if (!special && !LookUpWindow(insertAfter)) return FALSE;
    if (insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
      SDL_SetWindowAlwaysOnTop(window->sdlWindow,
                               insertAfter == HWND_TOPMOST ? SDL_TRUE : SDL_FALSE);
    }
  }
  bool moved = false, resized = false;
  if (!(flags & SWP_NOMOVE) && (x != window->x || y != window->y)) {
    SDL_SetWindowPosition(window->sdlWindow, x, y);
    SetFlags(*window, [x, y](Window& w) {
      w.x = x;
      w.y = y;
    });
    moved = true;
  }
  if (!(flags & SWP_NOSIZE)) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    resized = width != window->width || height != window->height;
    if (resized) SDL_SetWindowSize(window->sdlWindow, std::max(width, 1), std::max(height, 1));
    SetFlags(*window, [width, height](Window& w) {
      w.width = width;
      w.height = height;
    });
  }
  if (flags & SWP_HIDEWINDOW) Hide(*window);
  if (flags & SWP_SHOWWINDOW) {
    Show(*window);
    if (!(flags & SWP_NOACTIVATE)) ChangeForeground(handle, true);
  }
  // A minimised window keeps an empty client area; the new size is the one
  // it comes back with.
  if (resized && !window->minimized) {
    CallWindowProcedure(handle, WM_SIZE, window->maximized ? SIZE_MAXIMIZED : SIZE_RESTORED,
                        SizeParam(window->width, window->height));
  }
  if (moved) CallWindowProcedure(handle, WM_MOVE, 0, MAKELPARAM(window->x, window->y));
  return TRUE;
}

BOOL ShowWindow(HWND handle, int command) {
  std::shared_ptr<Window> window = LookUpWindow(handle);
  if (!window || !RequireUiThread()) return FALSE;
  BOOL wasVisible = window->visible ? TRUE : FALSE;
  switch (command) {
    case SW_HIDE:
      Hide(*window);
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
    case SW_SHOWDEFAULT:
      Show(*window);
      Restore(*window);
      ChangeForeground(handle, true);
      break;
    case SW_SHOW:
      Show(*window);
      ChangeForeground(handle, true);
      break;
    case SW_SHOWNOACTIVATE:
      Show(*window);
      Restore(*window);
      break;
    case SW_SHOWNA:
      Show(*window);
      break;
    case SW_SHOWMAXIMIZED:
      Show(*window);
      Maximize(*window);
      ChangeForeground(handle, true);
      break;
    case SW_SHOWMINIMIZED:
      Show(*window);
      Minimize(*window);
      ChangeForeground(handle, true);
      break;
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      Show(*window);
      Minimize(*window);
      if (GetForegroundWindow() == handle) ChangeForeground(nullptr, true);
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
  }
  return wasVisible;
}

BOOL UpdateWindow(HWND handle) {
  // Nothing is painted by the window manager: Direct3D presents into the
  // window, so there is never an update region to flush.
  return LookUpWindow(handle) ? TRUE : FALSE;
}

BOOL GetClientRect(HWND handle, LPRECT rect) {
  std::shared_ptr<Window> window = LookUpWindow(handle);
  if (!window) return FALSE;
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::recursive_mutex> lock(Windows().mutex);
  bool empty = window->minimized;
  *rect = {0, 0, empty ? 0 : window->width, empty ? 0 : window->height};
  return TRUE;
}

BOOL GetWindowRect(HWND handle, LPRECT rect) {
  std::shared_ptr<Window> window = LookUpWindow(handle);
  if (!window) return FALSE;
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::recursive_mutex> lock(Windows().mutex);
  *rect = {window->x, window->y, window->x + window->width, window->y + window->height};
  return TRUE;
}

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
      SDL_DisplayMode mode;
      if (EnsureVideo() && SDL_GetDesktopDisplayMode(0, &mode) == 0) {
        return index == SM_CXSCREEN ? mode.w : mode.h;
      }
      return index == SM_CXSCREEN ? 800 : 600;
    }
    default:
      return 0;  // frames and captions belong to the window manager
  }
}

LONG_PTR GetWindowLongPtrA(HWND handle, int index) {
  std::shared_ptr<Window> window = LookUpWindow(handle);
  if (!window) return 0;
  std::lock_guard<std::recursive_mutex> lock(Windows().mutex);
  switch (index) {
    case GWLP_USERDATA:
      return window->userData;
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(window->procedure);
    case GWLP_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(window->instance);
    case GWLP_ID:
      return window->id;
    case GWL_STYLE:
      return static_cast<LONG_PTR>(window->style & ~WS_VISIBLE) |
             (window->visible ? WS_VISIBLE : 0) | (window->minimized ? WS_MINIMIZE : 0);
    case GWL_EXSTYLE:
      return window->exStyle;
    default:
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
}

LONG_PTR SetWindowLongPtrA(HWND handle, int index, LONG_PTR value) {
  std::shared_ptr<Window> window = LookUpWindow(handle);
  if (!window) return 0;
  std::lock_guard<std::recursive_mutex> lock(Windows().mutex);
  LONG_PTR* slot = nullptr;
  LONG_PTR procedure = reinterpret_cast<LONG_PTR>(window->procedure);
  switch (index) {
    case GWLP_USERDATA:
      slot = &window->userData;
      break;
    case GWLP_ID:
      slot = &window->id;
      break;
    case GWLP_WNDPROC:
      if (value == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
      window->procedure = reinterpret_cast<WNDPROC>(value);
      SetLastError(ERROR_SUCCESS);
      return procedure;
    default:
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
  // A previous value of 0 is told apart from a failure by a last error of 0.
  SetLastError(ERROR_SUCCESS);
  return std::exchange(*slot, value);
}

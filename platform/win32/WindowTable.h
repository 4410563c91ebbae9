// The window manager's state: registered classes, live windows, the
// foreground window and the mouse capture, shared by the Win32 window
// services and kept under one lock. Window procedures are always called
// without the lock held, so they may call back into any window service.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include <windows.h>

struct SDL_Window;

namespace tavorin::platform {

struct WindowClass {
  ATOM atom = 0;
  std::string name;
  WNDCLASSA record{};
  int windowCount = 0;
};

struct Window {
  HWND handle = nullptr;
  SDL_Window* sdlWindow = nullptr;
  uint32_t sdlId = 0;
  ATOM classAtom = 0;
  WNDPROC procedure = nullptr;
  HINSTANCE instance = nullptr;
  LONG_PTR userData = 0;
  LONG_PTR id = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool visible = false;
  bool minimized = false;
  bool maximized = false;
  bool destroying = false;
};

struct WindowTable {
  std::recursive_mutex mutex;
  std::map<std::string, WindowClass> classes;  // by lower-case name
  std::unordered_map<HWND, std::shared_ptr<Window>> windows;
  HWND foreground = nullptr;
  // Counts foreground changes, so a reader can tell whether the foreground
  // window has left since it last looked even if it came back.
  uint64_t foregroundGeneration = 0;
  HWND capture = nullptr;
  uintptr_t nextHandle = 0x10010;
  ATOM nextAtom = 0xC001;
};

WindowTable& Windows();

// The live window behind a handle; null with ERROR_INVALID_WINDOW_HANDLE set
// for a stale or made-up one. Takes the lock itself.
std::shared_ptr<Window> LookUpWindow(HWND handle);
// The window of an SDL window id, or null. Call with the lock held.
Window* WindowOfSdlId(uint32_t sdlId);

// Calls the window procedure (without the lock); 0 when the window is gone.
LRESULT CallWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Sends a notification now (`now`) or queues it for delivery by the next
// PeekMessageA, as Windows does for messages sent from outside the UI thread.
void Notify(bool now, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Makes `window` (or nobody) the foreground window, with the WM_ACTIVATE,
// WM_KILLFOCUS and WM_SETFOCUS notifications of both sides. A handle that
// is no longer a window changes nothing.
void ChangeForeground(HWND window, bool notifyNow);

// The class registered under a name or an atom (MAKEINTATOM), or null. Call
// with the lock held.
WindowClass* ClassOf(LPCSTR nameOrAtom);

// Lower-cased class name, for case-insensitive class lookup.
std::string ClassKey(const char* name);

}  // namespace tavorin::platform

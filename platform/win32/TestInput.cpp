// Injected keyboard, mouse and window-manager events for tests, pushed as SDL
// events so they take the path real input takes.
#include <SDL.h>

#include <mutex>

#include <platform_test_win32.h>

#include "platform/win32/InputState.h"
#include "platform/win32/KeyCodes.h"
#include "platform/win32/SdlVideo.h"
#include "platform/win32/SdlWindow.h"
#include "platform/win32/WindowTable.h"

namespace {

using namespace tavorin::platform;

// The injected pointer's screen position, so relative motion can be worked
// out between two injections without waiting for the pump.
std::mutex g_pointerMutex;
POINT g_pointer{};

bool Push(SDL_Event& event) {
  event.common.timestamp = SDL_GetTicks();
  return SDL_PushEvent(&event) == 1;
}

// The SDL id and screen origin of a live window.
bool WindowPlace(HWND window, Uint32* sdlId, POINT* origin) {
  if (!EnsureVideo()) return false;
  std::shared_ptr<Window> target = LookUpWindow(window);
  if (!target) return false;
  std::lock_guard<std::recursive_mutex> lock(Windows().mutex);
  *sdlId = target->sdlId;
  *origin = {target->x, target->y};
  return true;
}

Uint8 SdlButtonOf(int index) {
  switch (index) {
    case 0:
      return SDL_BUTTON_LEFT;
    case 1:
      return SDL_BUTTON_RIGHT;
    case 2:
      return SDL_BUTTON_MIDDLE;
    default:
      return static_cast<Uint8>(index + 1);
  }
}

bool PushWindowEvent(HWND window, SDL_WindowEventID kind) {
  Uint32 sdlId;
  POINT origin;
  if (!WindowPlace(window, &sdlId, &origin)) return false;
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.windowID = sdlId;
  event.window.event = static_cast<Uint8>(kind);
  return Push(event);
}

}  // namespace

namespace tavorin::test {

bool InjectKey(BYTE dik, bool down) {
  if (!EnsureVideo()) return false;
  int scancode = ScancodeOfDik(dik);
  if (scancode == SDL_SCANCODE_UNKNOWN) return false;
  SDL_Event event{};
  event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
  event.key.keysym.sym = SDL_GetKeyFromScancode(event.key.keysym.scancode);
  if (SDL_Window* focus = SdlWindowOf(GetForegroundWindow())) {
    event.key.windowID = SDL_GetWindowID(focus);
  }
  return Push(event);
}

bool InjectMouseMove(HWND window, int x, int y) {
  Uint32 sdlId;
  POINT origin;
  if (!WindowPlace(window, &sdlId, &origin)) return false;
  SDL_Event event{};
  event.type = SDL_MOUSEMOTION;
  event.motion.windowID = sdlId;
  event.motion.x = x;
  event.motion.y = y;
  std::lock_guard<std::mutex> lock(g_pointerMutex);
  POINT screen{origin.x + x, origin.y + y};
  event.motion.xrel = screen.x - g_pointer.x;
  event.motion.yrel = screen.y - g_pointer.y;
  g_pointer = screen;
  return Push(event);
}

bool InjectMouseButton(HWND window, int button, bool down) {
  if (button < 0 || button > 7) return false;
  Uint32 sdlId;
  POINT origin;
  if (!WindowPlace(window, &sdlId, &origin)) return false;
  SDL_Event event{};
  event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  event.button.windowID = sdlId;
  event.button.button = SdlButtonOf(button);
  event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.button.clicks = 1;
  std::lock_guard<std::mutex> lock(g_pointerMutex);
  event.button.x = g_pointer.x - origin.x;
  event.button.y = g_pointer.y - origin.y;
  return Push(event);
}

bool InjectMouseWheel(HWND window, int notches) {
  Uint32 sdlId;
  POINT origin;
  if (!WindowPlace(window, &sdlId, &origin)) return false;
  SDL_Event event{};
  event.type = SDL_MOUSEWHEEL;
  event.wheel.windowID = sdlId;
  event.wheel.y = notches;
  event.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
  return Push(event);
}

bool InjectFocus(HWND window, bool gained) {
  return PushWindowEvent(window,
                         gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST);
}

bool InjectClose(HWND window) {
  return PushWindowEvent(window, SDL_WINDOWEVENT_CLOSE);
}

}  // namespace tavorin::test

// The SDL window behind a Win32 window handle, for Direct3D and DirectInput.
#include "platform/win32/SdlWindow.h"

#include "platform/win32/WindowTable.h"

namespace tavorin::platform {

SDL_Window* SdlWindowOf(HWND window) {
  WindowTable& table = Windows();
  std::lock_guard<std::recursive_mutex> lock(table.mutex);
  auto it = table.windows.find(window);
  return it == table.windows.end() ? nullptr : it->second->sdlWindow;
}

}  // namespace tavorin::platform

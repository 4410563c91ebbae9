// The SDL window behind a Win32 window handle, for the platform services that
// draw into a window (Direct3D's Present) or follow its focus (DirectInput).
#pragma once

#include <windows.h>

struct SDL_Window;

namespace tavorin::platform {

// The SDL window of `window`, or null when it is not a live window.
SDL_Window* SdlWindowOf(HWND window);

}  // namespace tavorin::platform

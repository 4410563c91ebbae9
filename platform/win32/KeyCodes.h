// The keyboard's three numberings: SDL scancodes (USB usages), DirectInput
// scan codes (DIK_*, set-1 scan codes with 0x80 for extended keys) and
// Windows virtual-key codes.
#pragma once

#include <windows.h>

namespace tavorin::platform {

struct KeyCode {
  BYTE dik = 0;         // 0: no such key
  BYTE virtualKey = 0;  // the code WM_KEYDOWN carries (VK_SHIFT for either shift)
};

KeyCode KeyCodeOfScancode(int sdlScancode);
// The SDL scancode of a DirectInput key, or 0 (SDL_SCANCODE_UNKNOWN).
int ScancodeOfDik(BYTE dik);

}  // namespace tavorin::platform

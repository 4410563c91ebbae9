// Key code tables between SDL scancodes, DirectInput scan codes and Windows
// virtual keys.
#include "platform/win32/KeyCodes.h"

#include <SDL.h>

namespace tavorin::platform {
namespace {

struct KeyRow {
  SDL_Scancode scancode;
  BYTE dik;
  BYTE virtualKey;
};

// Letters and digits follow their USB order; everything else is listed.
constexpr BYTE kLetterDiks[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                  0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                  0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};

constexpr KeyRow kKeys[] = {
    {SDL_SCANCODE_RETURN, 0x1C, VK_RETURN},
    {SDL_SCANCODE_ESCAPE, 0x01, VK_ESCAPE},
    {SDL_SCANCODE_BACKSPACE, 0x0E, VK_BACK},
    {SDL_SCANCODE_TAB, 0x0F, VK_TAB},
    {SDL_SCANCODE_SPACE, 0x39, VK_SPACE},
    {SDL_SCANCODE_MINUS, 0x0C, VK_OEM_MINUS},
    {SDL_SCANCODE_EQUALS, 0x0D, VK_OEM_PLUS},
    {SDL_SCANCODE_LEFTBRACKET, 0x1A, VK_OEM_4},
    {SDL_SCANCODE_RIGHTBRACKET, 0x1B, VK_OEM_6},
    {SDL_SCANCODE_BACKSLASH, 0x2B, VK_OEM_5},
    {SDL_SCANCODE_SEMICOLON, 0x27, VK_OEM_1},
    {SDL_SCANCODE_APOSTROPHE, 0x28, VK_OEM_7},
    {SDL_SCANCODE_GRAVE, 0x29, VK_OEM_3},
    {SDL_SCANCODE_COMMA, 0x33, VK_OEM_COMMA},
    {SDL_SCANCODE_PERIOD, 0x34, VK_OEM_PERIOD},
    {SDL_SCANCODE_SLASH, 0x35, VK_OEM_2},
    {SDL_SCANCODE_CAPSLOCK, 0x3A, VK_CAPITAL},
    {SDL_SCANCODE_F1, 0x3B, VK_F1},
    {SDL_SCANCODE_F2, 0x3C, VK_F2},
    {SDL_SCANCODE_F3, 0x3D, VK_F3},
    {SDL_SCANCODE_F4, 0x3E, VK_F4},
    {SDL_SCANCODE_F5, 0x3F, VK_F5},
    {SDL_SCANCODE_F6, 0x40, VK_F6},
    {SDL_SCANCODE_F7, 0x41, VK_F7},
    {SDL_SCANCODE_F8, 0x42, VK_F8},
    {SDL_SCANCODE_F9, 0x43, VK_F9},
    {SDL_SCANCODE_F10, 0x44, VK_F10},
    {SDL_SCANCODE_F11, 0x57, VK_F11},
    {SDL_SCANCODE_F12, 0x58, VK_F12},
    {SDL_SCANCODE_F13, 0x64, VK_F13},
    {SDL_SCANCODE_F14, 0x65, VK_F14},
    {SDL_SCANCODE_F15, 0x66, VK_F15},
    {SDL_SCANCODE_PRINTSCREEN, 0xB7, VK_SNAPSHOT},
    {SDL_SCANCODE_SCROLLLOCK, 0x46, VK_SCROLL},
    {SDL_SCANCODE_PAUSE, 0xC5, VK_PAUSE},
    {SDL_SCANCODE_INSERT, 0xD2, VK_INSERT},
    {SDL_SCANCODE_HOME, 0xC7, VK_HOME},
    {SDL_SCANCODE_PAGEUP, 0xC9, VK_PRIOR},
    {SDL_SCANCODE_DELETE, 0xD3, VK_DELETE},
    {SDL_SCANCODE_END, 0xCF, VK_END},
    {SDL_SCANCODE_PAGEDOWN, 0xD1, VK_NEXT},
    {SDL_SCANCODE_RIGHT, 0xCD, VK_RIGHT},
    {SDL_SCANCODE_LEFT, 0xCB, VK_LEFT},
    {SDL_SCANCODE_DOWN, 0xD0, VK_DOWN},
    {SDL_SCANCODE_UP, 0xC8, VK_UP},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x45, VK_NUMLOCK},
    {SDL_SCANCODE_KP_DIVIDE, 0xB5, VK_DIVIDE},
    {SDL_SCANCODE_KP_MULTIPLY, 0x37, VK_MULTIPLY},
    {SDL_SCANCODE_KP_MINUS, 0x4A, VK_SUBTRACT},
    {SDL_SCANCODE_KP_PLUS, 0x4E, VK_ADD},
    {SDL_SCANCODE_KP_ENTER, 0x9C, VK_RETURN},
    {SDL_SCANCODE_KP_1, 0x4F, VK_NUMPAD1},
    {SDL_SCANCODE_KP_2, 0x50, VK_NUMPAD2},
    {SDL_SCANCODE_KP_3, 0x51, VK_NUMPAD3},
    {SDL_SCANCODE_KP_4, 0x4B, VK_NUMPAD4},
    {SDL_SCANCODE_KP_5, 0x4C, VK_NUMPAD5},
    {SDL_SCANCODE_KP_6, 0x4D, VK_NUMPAD6},
    {SDL_SCANCODE_KP_7, 0x47, VK_NUMPAD7},
    {SDL_SCANCODE_KP_8, 0x48, VK_NUMPAD8},
    {SDL_SCANCODE_KP_9, 0x49, VK_NUMPAD9},
    {SDL_SCANCODE_KP_0, 0x52, VK_NUMPAD0},
    {SDL_SCANCODE_KP_PERIOD, 0x53, VK_DECIMAL},
    {SDL_SCANCODE_KP_EQUALS, 0x8D, 0},
    {SDL_SCANCODE_NONUSBACKSLASH, 0x56, VK_OEM_102},
    {SDL_SCANCODE_APPLICATION, 0xDD, VK_APPS},
    {SDL_SCANCODE_INTERNATIONAL1, 0x73, 0},
    {SDL_SCANCODE_INTERNATIONAL2, 0x70, VK_KANA},
    {SDL_SCANCODE_INTERNATIONAL3, 0x7D, 0},
    {SDL_SCANCODE_INTERNATIONAL4, 0x79, VK_CONVERT},
    {SDL_SCANCODE_INTERNATIONAL5, 0x7B, VK_NONCONVERT},
    {SDL_SCANCODE_LANG5, 0x94, VK_KANJI},
    {SDL_SCANCODE_LCTRL, 0x1D, VK_CONTROL},
    {SDL_SCANCODE_LSHIFT, 0x2A, VK_SHIFT},
    {SDL_SCANCODE_LALT, 0x38, VK_MENU},
    {SDL_SCANCODE_LGUI, 0xDB, VK_LWIN},
    {SDL_SCANCODE_RCTRL, 0x9D, VK_CONTROL},
    {SDL_SCANCODE_RSHIFT, 0x36, VK_SHIFT},
    {SDL_SCANCODE_RALT, 0xB8, VK_MENU},
    {SDL_SCANCODE_RGUI, 0xDC, VK_RWIN},
    {SDL_SCANCODE_SLEEP, 0xDF, VK_SLEEP},
};

}  // namespace

KeyCode KeyCodeOfScancode(int sdlScancode) {
  if (sdlScancode >= SDL_SCANCODE_A && sdlScancode <= SDL_SCANCODE_Z) {
    int letter = sdlScancode - SDL_SCANCODE_A;
    return {kLetterDiks[letter], static_cast<BYTE>('A' + letter)};
  }
  if (sdlScancode >= SDL_SCANCODE_1 && sdlScancode <= SDL_SCANCODE_0) {
    // USB orders 1…9 then 0, like the keyboard's top row and its scan codes.
    int position = sdlScancode - SDL_SCANCODE_1;
    return {static_cast<BYTE>(0x02 + position),
            static_cast<BYTE>(position == 9 ? '0' : '1' + position)};
  }
  for (const KeyRow& row : kKeys) {
    if (row.scancode == sdlScancode) return {row.dik, row.virtualKey};
  }
  return {};
}

int ScancodeOfDik(BYTE dik) {
  if (dik == 0) return SDL_SCANCODE_UNKNOWN;
  for (int scancode = SDL_SCANCODE_A; scancode < SDL_NUM_SCANCODES; ++scancode) {
    if (KeyCodeOfScancode(scancode).dik == dik) return scancode;
  }
  return SDL_SCANCODE_UNKNOWN;
}

}  // namespace tavorin::platform

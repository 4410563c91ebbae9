// DirectInput's standard data formats for the keyboard and the mouse.
#include <dinput.h>

namespace {

constexpr DWORD kAnyAxis = DIDFT_AXIS | DIDFT_ANYINSTANCE;
constexpr DWORD kAnyButton = DIDFT_BUTTON | DIDFT_ANYINSTANCE;

DIOBJECTDATAFORMAT g_keyboardObjects[256];

// Every key is optional: a keyboard only has the keys it has.
bool FillKeyboardObjects() {
  for (DWORD key = 0; key < 256; ++key) {
    g_keyboardObjects[key] = {&GUID_Key, key,
                              DIDFT_OPTIONAL | DIDFT_BUTTON | DIDFT_MAKEINSTANCE(key), 0};
  }
  return true;
}
const bool g_keyboardFilled = FillKeyboardObjects();

DIOBJECTDATAFORMAT g_mouseObjects[11] = {
    {&GUID_XAxis, DIMOFS_X, kAnyAxis, 0},
    {&GUID_YAxis, DIMOFS_Y, kAnyAxis, 0},
    {&GUID_ZAxis, DIMOFS_Z, DIDFT_OPTIONAL | kAnyAxis, 0},
    {nullptr, DIMOFS_BUTTON0, kAnyButton, 0},
    {nullptr, DIMOFS_BUTTON1, kAnyButton, 0},
    {nullptr, DIMOFS_BUTTON2, DIDFT_OPTIONAL | kAnyButton, 0},
    {nullptr, DIMOFS_BUTTON3, DIDFT_OPTIONAL | kAnyButton, 0},
    {nullptr, DIMOFS_BUTTON4, DIDFT_OPTIONAL | kAnyButton, 0},
    {nullptr, DIMOFS_BUTTON5, DIDFT_OPTIONAL | kAnyButton, 0},
    {nullptr, DIMOFS_BUTTON6, DIDFT_OPTIONAL | kAnyButton, 0},
    {nullptr, DIMOFS_BUTTON7, DIDFT_OPTIONAL | kAnyButton, 0},
};

}  // namespace

const DIDATAFORMAT c_dfDIKeyboard = {
    sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS, 256, 256, g_keyboardObjects};
const DIDATAFORMAT c_dfDIMouse = {
    sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS, sizeof(DIMOUSESTATE), 7,
    g_mouseObjects};
const DIDATAFORMAT c_dfDIMouse2 = {
    sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS, sizeof(DIMOUSESTATE2), 11,
    g_mouseObjects};

// A frame-stable picture of the keyboard and the mouse, fed by window
// messages and DirectInput.
#pragma once

#include <windows.h>
#include <dinput.h>

DECLARE_INTERFACE_ID(IKeyStateControl, 0x6BB1F13D, 0x07C2, 0x4039, 0xA4, 0x93, 0x84, 0x07, 0x01,
                     0xF3, 0xEC, 0x84);
DECLARE_INTERFACE_ID(IKeyState, 0x6DAEFCDA, 0x6C19, 0x4CF7, 0x99, 0x79, 0x8A, 0x56, 0xA7, 0x1E,
                     0x0C, 0xE0);

// The owner's face: it forwards window messages and calls Update once a
// frame. Both faces share one object and one reference count. Main thread.
struct IKeyStateControl : public virtual IUnknown {
  virtual ~IKeyStateControl() = default;

  // Notes mouse moves and left/right button presses and releases for the
  // next Update (taking and releasing the mouse capture on presses and
  // releases); every other message is ignored. Returns 0.
  virtual LRESULT HandleWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // Latches the noted messages and polls the keyboard and mouse when the
  // window is in front; otherwise lets go of both devices and reads zero.
  // `now` is the caller's millisecond clock. Returns S_OK.
  virtual HRESULT Update(LONG now) = 0;
  // How long HoldKeyboard keeps key reads at zero (200 ms at creation).
  virtual void SetKeyboardDelay(LONG milliseconds) = 0;
  // Forgets everything; the next Update reads the keyboard.
  virtual void Reset() = 0;
};

// The readers' face: values change only at the owner's Update.
struct IKeyState : public virtual IUnknown {
  virtual ~IKeyState() = default;

  // Whether the mouse moved before the last Update; `*position` gets the
  // client coordinates of its last move.
  virtual BOOL GetMousePosition(POINT* position) = 0;
  virtual BOOL IsLeftButtonReleased() = 0;
  virtual BOOL IsLeftButtonPressed() = 0;
  virtual BOOL IsRightButtonReleased() = 0;
  virtual BOOL IsRightButtonPressed() = 0;
  // The DirectInput mouse state of the last Update (relative axes, wheel,
  // eight buttons).
  virtual void GetMouseState(DIMOUSESTATE2* state) = 0;
  // TRUE when the key with DirectInput scan code `code` (low 8 bits) was
  // down at the last Update.
  virtual BOOL IsKeyDown(DWORD code) = 0;
  // Makes every key read up for the keyboard delay from the last Update on,
  // so a key that ended one screen does not trigger the next.
  virtual void HoldKeyboard() = 0;
};

// Makes the key state over the DirectInput `mouse` and `keyboard` (either
// may be null; references are taken) for `window`, whose being in front
// gates all input. Returns the reader face; the owner asks it for
// IKeyStateControl. E_POINTER for a null `out`, E_OUTOFMEMORY.
HRESULT CreateKeyState(IKeyState** out, IDirectInputDevice8A* mouse, HWND window,
                       IDirectInputDevice8A* keyboard);

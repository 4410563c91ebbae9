#pragma once

#include <comobject.h>

#include "IKeyState.h"

// The keyboard and mouse picture behind both key-state faces.
class CKeyState : public tavorin::ComObject<IKeyState, IKeyStateControl> {
 public:
  HRESULT Init(IDirectInputDevice8A* mouse, HWND window, IDirectInputDevice8A* keyboard);

  LRESULT HandleWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  HRESULT Update(LONG now) override;
  void SetKeyboardDelay(LONG milliseconds) override { m_keyboardDelay = milliseconds; }
  void Reset() override;

  BOOL GetMousePosition(POINT* position) override;
  BOOL IsLeftButtonReleased() override { return m_latched.leftReleased; }
  BOOL IsLeftButtonPressed() override { return m_latched.leftPressed; }
  BOOL IsRightButtonReleased() override { return m_latched.rightReleased; }
  BOOL IsRightButtonPressed() override { return m_latched.rightPressed; }
  void GetMouseState(DIMOUSESTATE2* state) override;
  BOOL IsKeyDown(DWORD code) override { return (m_keys[code & 0xFF] & 0x80) ? 1 : 0; }
  void HoldKeyboard() override {
    m_holdStart = m_lastUpdate;
    m_holding = true;
  }

 protected:
  ~CKeyState() override;

 private:
  // The mouse events of one frame.
  struct MouseEvents {
    LONG moved, x, y;
    LONG leftPressed, leftReleased, rightPressed, rightReleased;
  };

  void ReadKeyboard(LONG now);
  // True while a HoldKeyboard hides keys; ends the hold once it has run out.
  bool KeyboardHeld(LONG now);
  void ReadMouse();
  void ClearInput();

  HWND m_window = nullptr;
  IDirectInputDevice8A* m_keyboard = nullptr;
  IDirectInputDevice8A* m_mouse = nullptr;
  MouseEvents m_pending{};
  MouseEvents m_latched{};
  DIMOUSESTATE2 m_mouseState{};
  BYTE m_keys[256]{};
  LONG m_lastUpdate = 0;
  LONG m_holdStart = 0;
  // "No hold" is a state of its own: a start time in the past would turn
  // back into a hold once the millisecond clock is 2^31 ms beyond it.
  bool m_holding = false;
  LONG m_keyboardDelay = 200;
};

#include "input/KeyState.h"

#include <cstring>

namespace {
constexpr int kMaxAcquireAttempts = 16;
}  // namespace

HRESULT CreateKeyState(IKeyState** out, IDirectInputDevice8A* mouse, HWND window,
                       IDirectInputDevice8A* keyboard) {
  return tavorin::CreateComObject<CKeyState>(out, mouse, window, keyboard);
}

HRESULT CKeyState::Init(IDirectInputDevice8A* mouse, HWND window, IDirectInputDevice8A* keyboard) {
  m_window = window;
  m_mouse = mouse;
  m_keyboard = keyboard;
  if (m_mouse) m_mouse->AddRef();
  if (m_keyboard) m_keyboard->AddRef();
  m_keyboardDelay = 200;
  Reset();
  return S_OK;
}

CKeyState::~CKeyState() {
  if (m_keyboard) m_keyboard->Release();
  if (m_mouse) m_mouse->Release();
}

LRESULT CKeyState::HandleWindowMessage(HWND window, UINT message, WPARAM /*wParam*/,
                                       LPARAM lParam) {
  switch (message) {
    case WM_MOUSEMOVE:
      m_pending.x = LOWORD(lParam);
      m_pending.y = HIWORD(lParam);
      m_pending.moved = 1;
      break;
    case WM_LBUTTONDOWN:
      m_pending.leftPressed = 1;
      SetCapture(window);
      break;
    case WM_RBUTTONDOWN:
      m_pending.rightPressed = 1;
      SetCapture(window);
      break;
    case WM_LBUTTONUP:
      m_pending.leftReleased = 1;
      ReleaseCapture();
      break;
    case WM_RBUTTONUP:
      m_pending.rightReleased = 1;
      ReleaseCapture();
      break;
    default:
      break;
  }
  return 0;
}

HRESULT CKeyState::Update(LONG now) {
  if (GetForegroundWindow() == m_window) {
    ReadKeyboard(now);
    ReadMouse();
    m_latched = m_pending;
  } else {
    if (m_keyboard) m_keyboard->Unacquire();
    if (m_mouse) m_mouse->Unacquire();
    ClearInput();
  }
  // The position stays: a later move event overwrites it, a frame without
  // one keeps reporting where the mouse was.
  m_pending.moved = m_pending.leftPressed = m_pending.leftReleased = 0;
  m_pending.rightPressed = m_pending.rightReleased = 0;
  m_lastUpdate = now;
  return S_OK;
}

void CKeyState::ReadKeyboard(LONG now) {
  if (m_keyboard == nullptr || KeyboardHeld(now)) {
    std::memset(m_keys, 0, sizeof m_keys);
    return;
  }
  if (FAILED(m_keyboard->GetDeviceState(sizeof m_keys, m_keys))) {
    std::memset(m_keys, 0, sizeof m_keys);
    m_keyboard->Acquire();
  }
}

bool CKeyState::KeyboardHeld(LONG now) {
  if (!m_holding) return false;
  // Signed 32-bit difference: the millisecond clock may wrap between updates.
  LONG sinceHold = static_cast<LONG>(static_cast<DWORD>(now) - static_cast<DWORD>(m_holdStart));
  if (sinceHold < m_keyboardDelay) return true;
  m_holding = false;
  return false;
}

void CKeyState::ReadMouse() {
  if (m_mouse == nullptr) {
    std::memset(&m_mouseState, 0, sizeof m_mouseState);
    return;
  }
  if (FAILED(m_mouse->Poll())) {
    // Re-acquire while the device reports the input as lost, but never spin
    // for ever on a device that keeps saying so.
    for (int attempt = 0; attempt < kMaxAcquireAttempts; ++attempt) {
      if (m_mouse->Acquire() != DIERR_INPUTLOST) break;
    }
  }
  if (FAILED(m_mouse->GetDeviceState(sizeof m_mouseState, &m_mouseState))) {
    std::memset(&m_mouseState, 0, sizeof m_mouseState);
  }
}

void CKeyState::ClearInput() {
  std::memset(m_keys, 0, sizeof m_keys);
  std::memset(&m_mouseState, 0, sizeof m_mouseState);
  m_latched = MouseEvents{};
}

void CKeyState::Reset() {
  ClearInput();
  m_pending = MouseEvents{};
  m_lastUpdate = 0;
  m_holding = false;
}

BOOL CKeyState::GetMousePosition(POINT* position) {
  if (position) {
    position->x = m_latched.x;
    position->y = m_latched.y;
  }
  return m_latched.moved;
}

void CKeyState::GetMouseState(DIMOUSESTATE2* state) {
  if (state) std::memcpy(state, &m_mouseState, sizeof m_mouseState);
}

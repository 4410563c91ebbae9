// The keyboard and mouse as the platform sees them, kept from SDL events
// (SDL's own keyboard state ignores injected events) and read by DirectInput.
#pragma once

#include <cstdint>

#include <windows.h>

namespace tavorin::platform {

// Mouse motion and wheel are running totals since the process started, so
// every reader takes its own differences; buttons are the current state
// (0x80 down) in DirectInput order: left, right, middle, X1, X2, then 6-8.
struct MouseReading {
  int64_t x = 0;
  int64_t y = 0;
  int64_t wheel = 0;
  BYTE buttons[8] = {};
};

struct ForegroundReading {
  HWND window = nullptr;
  uint64_t generation = 0;
};

// The 256-byte key state by DIK scan code, 0x80 for a key that is down.
void ReadKeyboardState(BYTE keys[256]);
bool IsKeyDown(BYTE dik);
MouseReading ReadMouseState();
ForegroundReading ReadForeground();

// The cursor in screen coordinates, as last reported.
POINT CursorPosition();

void SetKeyDown(BYTE dik, bool down);
void RecordCursor(POINT screen);
void AddMouseMotion(int dx, int dy);
void AddMouseWheel(int delta);
void SetMouseButton(int index, bool down);
// Releases every key and button (focus left the program).
void ClearInputState();

// Moves pending SDL events into the platform's state and the message queue,
// without calling any window procedure. Does nothing off the UI thread.
void PumpEvents();

}  // namespace tavorin::platform

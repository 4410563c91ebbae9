// Test support for the win32 platform services: input injection, focus and
// close requests, message boxes off, and a manual clock for timeGetTime.
// Injected events are pushed as SDL events, so they take exactly the path
// real ones take: they turn into window messages and DirectInput state at the
// next PeekMessageA (or DirectInput read) on the UI thread. Every inject
// function starts video if needed and returns false when there is none.
#pragma once

#include "windef.h"

namespace tavorin::test {

// A key by DirectInput scan code (DIK_*); codes with no key on the platform's
// keyboard return false.
bool InjectKey(BYTE dik, bool down);
// The cursor moves to client position (x, y) of `window`; the relative motion
// DirectInput reports is the distance from the previous injected position.
bool InjectMouseMove(HWND window, int x, int y);
// Buttons in DirectInput order: 0 left, 1 right, 2 middle, 3 X1, 4 X2, 5-7.
bool InjectMouseButton(HWND window, int button, bool down);
// Wheel notches, positive away from the user (WHEEL_DELTA each).
bool InjectMouseWheel(HWND window, int notches);
// The window gains or loses the input focus, as when the user switches to it
// or away from it.
bool InjectFocus(HWND window, bool gained);
// The user asks the window manager to close the window.
bool InjectClose(HWND window);

// Message boxes still print "caption: text" on stderr but never show a box.
// They start switched off when TAVORIN_NO_MESSAGE_BOXES=1 is in the
// environment.
void SetMessageBoxesEnabled(bool enabled);

// timeGetTime answers `milliseconds` from now on, until changed or
// UseRealTime; Advance moves it on (wrapping at 32 bits) and starts the
// manual clock at the real time if it was not running.
void SetManualTime(DWORD milliseconds);
void AdvanceManualTime(DWORD milliseconds);
void UseRealTime();

}  // namespace tavorin::test

#pragma once

#include <windows.h>

#include "IDirectXManager.h"
#include "IKeyState.h"

// The tester's one application object. The window's user data points at it
// once start-up has finished; from then on window messages reach the input
// state.
struct TesterApp {
  HWND window = nullptr;
  IDirectXManager* directX = nullptr;
  IKeyState* keyState = nullptr;
  IKeyStateControl* keyControl = nullptr;
};

// Brings up the window, DirectX and the input state; the first failing step
// shows its message box and its result is returned.
HRESULT StartUpTester(TesterApp* app, HINSTANCE instance);
// Drains window messages and steps a frame every 15 ms until WM_QUIT.
void RunMessageLoop(TesterApp* app);
// Releases everything start-up made, in order; safe after a failed start-up.
void TearDownTester(TesterApp* app);

// One frame: clear, draw, present.
bool TesterFrameStep(TesterApp* app);

// The Windows entry point of the tester.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

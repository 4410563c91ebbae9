#pragma once

#include <windows.h>

#include "IDirectXManager.h"
#include "IKeyState.h"
#include "IMoviePlayer.h"
#include "IPackManager.h"

// The tester's one application object. The window's user data points at it
// once start-up has finished; from then on window messages reach the input
// state.
struct TesterApp {
  HWND window = nullptr;
  IDirectXManager* directX = nullptr;
  IKeyState* keyState = nullptr;
  IKeyStateControl* keyControl = nullptr;

  // The test sequence: two movies alternating in one shared movie texture,
  // with a chip row telling which plays and whether both have played.
  IPackManager* packManager = nullptr;
  IDirect3DTexture9* chipTexture = nullptr;
  IMoviePlayerTexture* currentPicture = nullptr;
  IMoviePlayer* players[2] = {nullptr, nullptr};
  DWORD current = 0;
  BOOL roundDone = FALSE;
};

// Brings up the window, DirectX, the input state and the test sequence; the
// first failing step shows its message box and its result is returned.
HRESULT StartUpTester(TesterApp* app, HINSTANCE instance);
// The window, DirectX and the input state only, for programs that draw on
// the tester's device without its sequence.
HRESULT StartUpServices(TesterApp* app, HINSTANCE instance);
// Drains window messages and steps a frame every 15 ms until WM_QUIT.
void RunMessageLoop(TesterApp* app);
// Releases everything start-up made, in order; safe after a failed start-up.
void TearDownTester(TesterApp* app);

// One frame: step the sequence, clear, draw, present.
bool TesterFrameStep(TesterApp* app);

// The sequence's start-up after DirectX: the archive, the chip image, the
// two players started on Test0.avi. The first failing step shows its
// message box and its result is returned.
HRESULT StartUpSequence(TesterApp* app);
// Moves to the other movie once the one playing has ended; always true.
bool SequenceStep(TesterApp* app);
// Draws the current movie frame and the chip row (inside a scene).
void DrawSequence(TesterApp* app, IDirect3DDevice9* device);
// Releases the players, the picture and the chip; the pack manager goes
// last, after the shell's own services.
void ReleaseSequence(TesterApp* app);

// The Windows entry point of the tester.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

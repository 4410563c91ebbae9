// SDL video start-up shared by the window services: one lazy initialisation
// per process, and the notion of the UI thread that owns windows and events.
#pragma once

namespace tavorin::platform {

// Initialises SDL video on first use (once per process, thread-safe). False
// when no video output can be opened (no display and no dummy driver); that
// is said once on stderr. Asking makes no thread the UI thread: a worker
// that wants the screen size or a message box first must not take windows
// away from the main thread.
bool EnsureVideo();
// Makes the calling thread the UI thread unless one already is; true when
// the caller is it. Called by what only the UI thread may do first: creating
// a window, taking messages.
bool ClaimUiThread();
// True once video has started successfully; never initialises it.
bool VideoUp();
// True on the UI thread.
bool OnUiThread();
// True when video runs on a driver that shows windows to a person, so a
// modal message box could be answered.
bool OnRealDisplay();

}  // namespace tavorin::platform

// SDL video start-up shared by the window services: one lazy initialisation
// per process, and the notion of the UI thread that owns windows and events.
#pragma once

namespace tavorin::platform {

// Initialises SDL video on first use (once per process, thread-safe). The
// thread that first asks becomes the UI thread, whatever the outcome. False
// when no video output can be opened (no display and no dummy driver); that
// is said once on stderr.
bool EnsureVideo();
// True once video has started successfully; never initialises it.
bool VideoUp();
// True on the UI thread.
bool OnUiThread();
// True when video runs on a driver that shows windows to a person, so a
// modal message box could be answered.
bool OnRealDisplay();

}  // namespace tavorin::platform

// Windows multimedia timer services, on the C++ steady clock.
#pragma once

#include "windef.h"
#include "mmreg.h"

typedef UINT MMRESULT;

#define TIMERR_NOERROR 0
#define TIMERR_NOCANDO 97

// Milliseconds on a steady clock, wrapping at 32 bits like the system's
// millisecond counter; compare two readings by their signed difference.
// Tests may replace the clock with a manual one (platform_test_win32.h).
// Any thread.
DWORD timeGetTime();
// The steady clock already has millisecond resolution: both only check the
// period (0 gives TIMERR_NOCANDO) and otherwise answer TIMERR_NOERROR.
MMRESULT timeBeginPeriod(UINT period);
MMRESULT timeEndPeriod(UINT period);

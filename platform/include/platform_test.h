// Test support: what tests and tools may reach beneath the Windows APIs
// (read-back, input injection, caps overrides, a manual clock, captured
// audio). Never used by the system code.
#pragma once

#include "platform_test_win32.h"
#include "platform_test_d3d9.h"
#include "platform_test_dsound.h"

// Test support for the win32 platform services.
#pragma once

#include "windef.h"

// Win32 windows, messages and message boxes.
#pragma once

#include "windef.h"

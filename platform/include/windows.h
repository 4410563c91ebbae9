// The Win32 subset the system is written against, implemented for Linux by
// the platform layer.
#pragma once

#include "windef.h"
#include "winerror.h"
#include "winbase.h"
#include "winuser.h"
#include "mmsystem.h"
#include "objbase.h"
#include "winreg.h"

// DirectShow for applications: the graph, its control interfaces and the
// identifiers.
#pragma once

#include <windows.h>

#include "amvideo.h"
#include "control.h"
#include "evcode.h"
#include "mmreg.h"
#include "strmif.h"
#include "uuids.h"
#include "vfwmsgs.h"

// Media types handed out by enumerators and ConnectionMediaType.
void WINAPI FreeMediaType(AM_MEDIA_TYPE& type);
void WINAPI DeleteMediaType(AM_MEDIA_TYPE* type);

namespace tavorin::platform {
// Puts the DirectShow classes into CoCreateInstance's table. Every program
// that includes this header calls it once at load time, which is also what
// links the classes into programs that name them only by CLSID.
bool RegisterDirectShowClasses();
inline const bool g_directShowClassesRegistered = RegisterDirectShowClasses();
}  // namespace tavorin::platform

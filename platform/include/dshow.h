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

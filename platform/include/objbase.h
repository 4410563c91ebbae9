// COM runtime: apartment initialisation.
#pragma once

#include "unknwn.h"

#define COINIT_APARTMENTTHREADED 0x2
#define COINIT_MULTITHREADED 0x0

// There is no apartment model here; both succeed so that callers written for
// COM run unchanged. The first call on a thread answers S_OK, later ones
// S_FALSE, as COM does.
HRESULT CoInitialize(LPVOID reserved);
HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit);
void CoUninitialize();

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

#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER)

// Makes an object of one of the platform's classes (CLSID_FilterGraph,
// CLSID_CaptureGraphBuilder2, CLSID_DSoundRender, CLSID_MemoryAllocator)
// and asks it for `iid`. REGDB_E_CLASSNOTREG for other classes,
// CLASS_E_NOAGGREGATION with an outer object, E_NOINTERFACE when the class
// does not offer `iid`. On failure *object is null. Any thread.
HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid,
                         LPVOID* object);

// Parses "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" (hex digits of either case).
// CO_E_CLASSSTRING for anything else, with *clsid cleared.
HRESULT CLSIDFromString(LPCWSTR text, LPCLSID clsid);

// Memory that crosses interface boundaries (media type formats, pin ids).
// CoTaskMemFree accepts null.
LPVOID CoTaskMemAlloc(SIZE_T bytes);
void CoTaskMemFree(LPVOID memory);

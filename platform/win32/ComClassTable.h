// The classes CoCreateInstance can make. The services that implement them
// (DirectShow, for now) register their creators here, so the COM runtime
// needs to know nothing about them and depends on none of them.
#pragma once

#include <windows.h>

namespace tavorin::platform {

// Makes a new object of the class with one reference and asks it for `iid`:
// on success *object holds that interface, on failure it is null.
using ComClassCreator = HRESULT (*)(REFIID iid, void** object);

// Adds (or replaces) the creator of `clsid`. Any thread.
void RegisterComClass(REFCLSID clsid, ComClassCreator creator);

}  // namespace tavorin::platform

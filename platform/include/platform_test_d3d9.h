// Test support for the d3d9 platform services: the last presented frame and
// texture caps restrictions for callers that fit their sizes to the device.
#pragma once

#include <vector>

#include "windef.h"

struct IDirect3DDevice9;

namespace tavorin::test {

// Adds D3DPTEXTURECAPS_POW2 and/or D3DPTEXTURECAPS_SQUAREONLY (only these
// two bits count) to the TextureCaps of devices created from now on; such a
// device then refuses textures that break them, as hardware would. 0 goes
// back to the unrestricted device. Affects the whole process.
void D3D9SetTextureCapsRestriction(DWORD textureCaps);

// The frame `device` presented last, as A8R8G8B8 pixels row by row
// (width × height of the back buffer at that Present). False, with the
// outputs untouched, for a null device or before the first Present.
bool D3D9ReadPresentedFrame(IDirect3DDevice9* device, std::vector<DWORD>* pixels, UINT* width,
                            UINT* height);

// How many frames `device` has presented into an SDL window surface (as
// opposed to only keeping them for read-back).
UINT D3D9WindowPresentCount(IDirect3DDevice9* device);

}  // namespace tavorin::test

#pragma once

#include <d3d9.h>

// The sample count and quality the device is created with.
struct MultiSampleChoice {
  D3DMULTISAMPLE_TYPE type = D3DMULTISAMPLE_NONE;
  DWORD quality = 0;
};

// Picks multisampling for a windowed device: 0 asks for none (and asks the
// adapter nothing); 0xFFFFFFFF the first of 8, 4, 2 samples usable for both
// the back-buffer format and D16 depth; any other N those N samples when
// usable, else the same search. When nothing is usable the choice is none.
MultiSampleChoice ChooseMultiSample(IDirect3D9* direct3D, UINT adapter, D3DFORMAT backBufferFormat,
                                    UINT request);

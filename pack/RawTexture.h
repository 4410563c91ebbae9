// Textures from the raw "TEEV" format: a 12-byte header (magic, signed 32-bit
// width and height) and width × height A8R8G8B8 pixels, top row first.
#pragma once

#include <IReadAccesser.h>
#include <d3d9.h>

namespace tavorin::pack {

// Loads a raw texture from `stream`, or from the loose file `name` when
// `stream` is null, into a new square power-of-two managed texture whose
// top-left texels hold the image (the rest stays as created). `size`, when
// given, receives the image's width and height. E_ACCESSDENIED for data
// that is not a raw texture (wrong magic, a side of 0 or less), E_FAIL for
// pixels missing from the file, E_OUTOFMEMORY when the square texture would
// exceed the texture budget (pack/TextureBudget.h), the device's error when
// it cannot make the texture; `*out` is null then.
HRESULT LoadRawTexture(IDirect3DDevice9* device, const char* name, IReadAccesser* stream,
                       IDirect3DTexture9** out, INT size[2]);

}  // namespace tavorin::pack

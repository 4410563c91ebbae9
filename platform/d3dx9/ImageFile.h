// D3DX image files decoded by SDL2_image into A8R8G8B8 pixels.
#pragma once

#include <d3dx9tex.h>

#include <vector>

namespace tavorin::d3dx9 {

struct DecodedImage {
  UINT width = 0;
  UINT height = 0;
  bool hasAlpha = false;
  D3DXIMAGE_FILEFORMAT fileFormat = D3DXIFF_BMP;
  std::vector<DWORD> pixels;  // row by row, A8R8G8B8; opaque images have alpha 0xFF
};

// Decodes `path`. D3DERR_INVALIDCALL for a null path or a file that cannot
// be opened, D3DXERR_INVALIDDATA for a file SDL2_image cannot read,
// E_OUTOFMEMORY when the pixels do not fit in memory.
HRESULT DecodeImageFile(const char* path, DecodedImage* image);

}  // namespace tavorin::d3dx9

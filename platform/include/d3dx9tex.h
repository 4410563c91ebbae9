// D3DX 9 textures from image files (BMP, PNG, JPEG, TGA and the other
// formats SDL2_image reads).
#pragma once

#include "d3d9.h"

struct tagPALETTEENTRY;
typedef struct tagPALETTEENTRY PALETTEENTRY;

#define D3DX_DEFAULT ((UINT)-1)
#define D3DX_DEFAULT_NONPOW2 ((UINT)-2)
#define D3DX_FROM_FILE ((UINT)-3)
#define D3DFMT_FROM_FILE ((D3DFORMAT)-3)

#define D3DX_FILTER_NONE (1 << 0)
#define D3DX_FILTER_POINT (2 << 0)
#define D3DX_FILTER_LINEAR (3 << 0)
#define D3DX_FILTER_TRIANGLE (4 << 0)
#define D3DX_FILTER_BOX (5 << 0)
#define D3DX_FILTER_DITHER (1 << 19)

#define _FACDD 0x876
#define MAKE_DDHRESULT(code) MAKE_HRESULT(1, _FACDD, code)
#define D3DXERR_INVALIDDATA MAKE_DDHRESULT(2905)

typedef enum _D3DXIMAGE_FILEFORMAT {
  D3DXIFF_BMP = 0,
  D3DXIFF_JPG = 1,
  D3DXIFF_TGA = 2,
  D3DXIFF_PNG = 3,
  D3DXIFF_DDS = 4,
  D3DXIFF_PPM = 5,
  D3DXIFF_DIB = 6,
  D3DXIFF_HDR = 7,
  D3DXIFF_PFM = 8,
  D3DXIFF_FORCE_DWORD = 0x7fffffff
} D3DXIMAGE_FILEFORMAT;

typedef struct _D3DXIMAGE_INFO {
  UINT Width;
  UINT Height;
  UINT Depth;
  UINT MipLevels;
  D3DFORMAT Format;
  D3DRESOURCETYPE ResourceType;
  D3DXIMAGE_FILEFORMAT ImageFileFormat;
} D3DXIMAGE_INFO;

// Reads the size and kind of an image file without decoding its pixels.
// Format is A8R8G8B8 for images with alpha and X8R8G8B8 otherwise. A missing
// file gives D3DERR_INVALIDCALL (as D3DX's file loader), an unreadable one
// D3DXERR_INVALIDDATA.
HRESULT WINAPI D3DXGetImageInfoFromFileA(LPCSTR srcFile, D3DXIMAGE_INFO* srcInfo);

// Loads an image file into a new texture of `device`.
// Sizes: 0 or D3DX_DEFAULT take the image's size rounded up to a power of
// two, D3DX_DEFAULT_NONPOW2 or D3DX_FROM_FILE the image's exact size, other
// values are used as given; the device's POW2/SQUAREONLY caps then round up
// further. With D3DX_FILTER_NONE the image occupies the top-left texels
// (cropped if the texture is smaller) and the rest is transparent black;
// any other filter scales it to the texture (point or bilinear). Format
// D3DFMT_UNKNOWN or D3DFMT_FROM_FILE picks A8R8G8B8 for images with alpha,
// X8R8G8B8 otherwise. A non-zero `colorKey` makes texels of exactly that
// A8R8G8B8 colour transparent black. Lower mip levels (`mipLevels` 0 or
// D3DX_DEFAULT: the full chain) are box-filtered from level 0 unless
// `mipFilter` is D3DX_FILTER_NONE. `palette` is ignored (no palettised
// textures). On failure *texture is null; errors as D3DXGetImageInfoFromFileA
// or the device's CreateTexture.
HRESULT WINAPI D3DXCreateTextureFromFileExA(IDirect3DDevice9* device, LPCSTR srcFile, UINT width,
                                            UINT height, UINT mipLevels, DWORD usage,
                                            D3DFORMAT format, D3DPOOL pool, DWORD filter,
                                            DWORD mipFilter, D3DCOLOR colorKey,
                                            D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* palette,
                                            IDirect3DTexture9** texture);

// D3DXCreateTextureFromFileExA with every option at its default (power-of-
// two size, full mip chain, format from the file, managed pool, box filter).
HRESULT WINAPI D3DXCreateTextureFromFileA(IDirect3DDevice9* device, LPCSTR srcFile,
                                          IDirect3DTexture9** texture);

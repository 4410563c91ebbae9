// D3DX image files decoded by SDL2_image into A8R8G8B8 pixels.
#include "platform/d3dx9/ImageFile.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace tavorin::d3dx9 {

namespace {

// Larger images than the device's largest texture are refused before their
// pixels are converted.
constexpr int kMaxSide = 16384;

struct SurfaceDeleter {
  void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

D3DXIMAGE_FILEFORMAT DetectFormat(SDL_RWops* file) {
  if (IMG_isBMP(file)) return D3DXIFF_BMP;
  if (IMG_isPNG(file)) return D3DXIFF_PNG;
  if (IMG_isJPG(file)) return D3DXIFF_JPG;
  if (IMG_isPNM(file)) return D3DXIFF_PPM;
  // TGA carries no signature; SDL2_image recognises it by the file name.
  return D3DXIFF_TGA;
}

bool SurfaceHasAlpha(const SDL_Surface* surface) {
  const SDL_PixelFormat* format = surface->format;
  if (format->Amask != 0) return true;
  Uint32 key;
  if (SDL_GetColorKey(const_cast<SDL_Surface*>(surface), &key) == 0) return true;
  if (format->palette != nullptr) {
    for (int i = 0; i < format->palette->ncolors; ++i) {
      if (format->palette->colors[i].a != 0xFF) return true;
    }
  }
  return false;
}

}  // namespace

HRESULT DecodeImageFile(const char* path, DecodedImage* image) {
  if (path == nullptr || image == nullptr) return D3DERR_INVALIDCALL;
  std::FILE* probe = std::fopen(path, "rb");
  if (probe == nullptr) return D3DERR_INVALIDCALL;
  std::fclose(probe);

  SDL_RWops* file = SDL_RWFromFile(path, "rb");
  if (file == nullptr) return D3DERR_INVALIDCALL;
  D3DXIMAGE_FILEFORMAT fileFormat = DetectFormat(file);
  const char* dot = std::strrchr(path, '.');
  SurfacePtr loaded(IMG_LoadTyped_RW(file, 1, dot != nullptr ? dot + 1 : nullptr));
  if (!loaded) return D3DXERR_INVALIDDATA;
  if (loaded->w <= 0 || loaded->h <= 0 || loaded->w > kMaxSide || loaded->h > kMaxSide) {
    return D3DXERR_INVALIDDATA;
  }
  bool hasAlpha = SurfaceHasAlpha(loaded.get());
  SurfacePtr converted(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_ARGB8888, 0));
  if (!converted) return E_OUTOFMEMORY;

  DecodedImage result;
  result.width = static_cast<UINT>(converted->w);
  result.height = static_cast<UINT>(converted->h);
  result.hasAlpha = hasAlpha;
  result.fileFormat = fileFormat;
  try {
    result.pixels.resize(static_cast<size_t>(result.width) * result.height);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  if (SDL_MUSTLOCK(converted.get())) SDL_LockSurface(converted.get());
  for (UINT y = 0; y < result.height; ++y) {
    const BYTE* row = static_cast<const BYTE*>(converted->pixels) + y * converted->pitch;
    std::memcpy(result.pixels.data() + static_cast<size_t>(y) * result.width, row,
                result.width * 4);
  }
  if (SDL_MUSTLOCK(converted.get())) SDL_UnlockSurface(converted.get());
  if (!hasAlpha) {
    for (DWORD& pixel : result.pixels) pixel |= 0xFF000000u;
  }
  *image = std::move(result);
  return D3D_OK;
}

}  // namespace tavorin::d3dx9

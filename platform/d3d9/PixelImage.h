// Direct3D 9 pixel storage shared by textures, surfaces and the back buffer.
#pragma once

#include <d3d9.h>

#include <atomic>
#include <memory>
#include <vector>

namespace tavorin::d3d9 {

// One 2-D array of 32-bit A8R8G8B8 / X8R8G8B8 pixels, rows packed
// (pitch = 4 × width), with the lock flag that keeps two lockers apart.
struct PixelImage {
  PixelImage(UINT imageWidth, UINT imageHeight, D3DFORMAT imageFormat)
      : width(imageWidth),
        height(imageHeight),
        format(imageFormat),
        pixels(static_cast<size_t>(imageWidth) * imageHeight, 0u) {}

  DWORD* Row(UINT y) { return pixels.data() + static_cast<size_t>(y) * width; }
  const DWORD* Row(UINT y) const { return pixels.data() + static_cast<size_t>(y) * width; }
  INT Pitch() const { return static_cast<INT>(width * 4); }
  // Alpha as the pipeline sees it: X8 formats read as opaque.
  bool HasAlpha() const { return format == D3DFMT_A8R8G8B8; }

  UINT width;
  UINT height;
  D3DFORMAT format;
  std::vector<DWORD> pixels;
  std::atomic<bool> locked{false};
};

// Locks `image` (or `rect` of it) for a caller: D3DERR_INVALIDCALL for a
// null out-pointer, a second lock, or a rectangle that is empty or leaves
// the image.
HRESULT LockImage(PixelImage& image, D3DLOCKED_RECT* lockedRect, const RECT* rect);
HRESULT UnlockImage(PixelImage& image);

// Whether the texture-sized image dimensions can be allocated at all.
bool IsReasonableImageSize(UINT width, UINT height);

}  // namespace tavorin::d3d9

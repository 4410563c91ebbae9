// Direct3D 9 locking of CPU pixel storage.
#include "platform/d3d9/PixelImage.h"

namespace tavorin::d3d9 {

namespace {
// Larger than any texture the device reports (MaxTextureWidth/Height).
constexpr UINT kMaxImageSide = 8192;
}  // namespace

bool IsReasonableImageSize(UINT width, UINT height) {
  return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide;
}

HRESULT LockImage(PixelImage& image, D3DLOCKED_RECT* lockedRect, const RECT* rect) {
  if (lockedRect == nullptr) return D3DERR_INVALIDCALL;
  RECT area = {0, 0, static_cast<LONG>(image.width), static_cast<LONG>(image.height)};
  if (rect != nullptr) {
    if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
        rect->right > area.right || rect->bottom > area.bottom) {
      return D3DERR_INVALIDCALL;
    }
    area = *rect;
  }
  if (image.locked.exchange(true)) return D3DERR_INVALIDCALL;
  lockedRect->Pitch = image.Pitch();
  lockedRect->pBits = image.Row(static_cast<UINT>(area.top)) + area.left;
  return D3D_OK;
}

HRESULT UnlockImage(PixelImage& image) {
  if (!image.locked.exchange(false)) return D3DERR_INVALIDCALL;
  return D3D_OK;
}

}  // namespace tavorin::d3d9

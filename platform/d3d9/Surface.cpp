// Direct3D 9 surfaces over CPU pixel storage.
#include "platform/d3d9/Surface.h"

namespace tavorin::d3d9 {

HRESULT CSurface::Init(DeviceLinkPtr link, std::shared_ptr<PixelImage> image, D3DPOOL pool,
                       DWORD usage, IUnknown* container, bool lockable) {
  m_link = std::move(link);
  m_image = std::move(image);
  m_pool = pool;
  m_usage = usage;
  if (container != nullptr) container->AddRef();
  m_container = ComPtr<IUnknown>(container);
  m_lockable = lockable;
  // Levels of a texture count through their texture; the swap chain's own
  // surfaces do not count.
  if (container == nullptr && !(usage & D3DUSAGE_RENDERTARGET)) CountForReset(pool);
  return D3D_OK;
}

HRESULT CSurface::GetDesc(D3DSURFACE_DESC* desc) {
  if (desc == nullptr) return D3DERR_INVALIDCALL;
  *desc =
      D3DSURFACE_DESC{m_image->format, D3DRTYPE_SURFACE, m_usage, m_pool, D3DMULTISAMPLE_NONE, 0,
                      m_image->width,  m_image->height};
  return D3D_OK;
}

HRESULT CSurface::LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD /*flags*/) {
  if (!m_lockable) return D3DERR_INVALIDCALL;
  return LockImage(*m_image, lockedRect, rect);
}

HRESULT CSurface::UnlockRect() {
  if (!m_lockable) return D3DERR_INVALIDCALL;
  return UnlockImage(*m_image);
}

}  // namespace tavorin::d3d9

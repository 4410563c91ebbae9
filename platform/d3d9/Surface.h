// Direct3D 9 surfaces over CPU pixel storage.
#pragma once

#include "platform/d3d9/PixelImage.h"
#include "platform/d3d9/Resource.h"

namespace tavorin::d3d9 {

class CSurface : public CResource<IDirect3DSurface9> {
 public:
  // `container` (a texture, or null) is kept alive as long as the surface.
  HRESULT Init(DeviceLinkPtr link, std::shared_ptr<PixelImage> image, D3DPOOL pool, DWORD usage,
               IUnknown* container, bool lockable);

  D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_SURFACE; }
  HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC* desc) override;
  HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect,
                                     DWORD flags) override;
  HRESULT STDMETHODCALLTYPE UnlockRect() override;

  const std::shared_ptr<PixelImage>& Image() const { return m_image; }
  D3DPOOL Pool() const { return m_pool; }

 private:
  std::shared_ptr<PixelImage> m_image;
  D3DPOOL m_pool = D3DPOOL_DEFAULT;
  DWORD m_usage = 0;
  ComPtr<IUnknown> m_container;
  bool m_lockable = true;
};

}  // namespace tavorin::d3d9

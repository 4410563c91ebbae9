// Direct3D 9 textures: a chain of CPU pixel levels.
#pragma once

#include <vector>

#include "platform/d3d9/PixelImage.h"
#include "platform/d3d9/Resource.h"

namespace tavorin::d3d9 {

class CTexture : public CResource<IDirect3DTexture9> {
 public:
  // `levels` 0 means the whole chain down to 1 × 1.
  HRESULT Init(DeviceLinkPtr link, UINT width, UINT height, UINT levels, DWORD usage,
               D3DFORMAT format, D3DPOOL pool);

  D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_TEXTURE; }
  DWORD STDMETHODCALLTYPE GetLevelCount() override { return static_cast<DWORD>(m_levels.size()); }
  HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
  HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override;
  HRESULT STDMETHODCALLTYPE LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect,
                                     DWORD flags) override;
  HRESULT STDMETHODCALLTYPE UnlockRect(UINT level) override;

  // Level 0 as the rasteriser samples it.
  const PixelImage& TopLevel() const { return *m_levels.front(); }

 protected:
  void* QueryOtherInterface(REFIID iid) override;

 private:
  // Default-pool texture memory is the card's: only dynamic textures may be
  // locked there.
  bool Lockable() const { return m_pool != D3DPOOL_DEFAULT || (m_usage & D3DUSAGE_DYNAMIC); }

  std::vector<std::shared_ptr<PixelImage>> m_levels;
  DWORD m_usage = 0;
  D3DPOOL m_pool = D3DPOOL_MANAGED;
};

}  // namespace tavorin::d3d9

// Direct3D 9 textures: a chain of CPU pixel levels.
#include "platform/d3d9/Texture.h"

#include "platform/d3d9/Surface.h"

namespace tavorin::d3d9 {

HRESULT CTexture::Init(DeviceLinkPtr link, UINT width, UINT height, UINT levels, DWORD usage,
                       D3DFORMAT format, D3DPOOL pool) {
  m_link = std::move(link);
  m_usage = usage;
  m_pool = pool;
  CountForReset(pool);
  UINT fullChain = 1;
  for (UINT side = width > height ? width : height; side > 1; side /= 2) ++fullChain;
  if (levels == 0) levels = fullChain;
  if (levels > fullChain) return D3DERR_INVALIDCALL;
  for (UINT i = 0; i < levels; ++i) {
    m_levels.push_back(std::make_shared<PixelImage>(width, height, format));
    width = width > 1 ? width / 2 : 1;
    height = height > 1 ? height / 2 : 1;
  }
  return D3D_OK;
}

void* CTexture::QueryOtherInterface(REFIID iid) {
  if (iid == IID_IDirect3DBaseTexture9) return static_cast<IDirect3DBaseTexture9*>(this);
  return CResource::QueryOtherInterface(iid);
}

HRESULT CTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
  if (desc == nullptr || level >= m_levels.size()) return D3DERR_INVALIDCALL;
  const PixelImage& image = *m_levels[level];
  *desc = D3DSURFACE_DESC{image.format, D3DRTYPE_SURFACE, m_usage, m_pool, D3DMULTISAMPLE_NONE, 0,
                          image.width,  image.height};
  return D3D_OK;
}

HRESULT CTexture::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
  if (surface == nullptr) return D3DERR_INVALIDCALL;
  *surface = nullptr;
  if (level >= m_levels.size()) return D3DERR_INVALIDCALL;
  return CreateComObject<CSurface>(surface, m_link, m_levels[level], m_pool, m_usage,
                                   static_cast<IUnknown*>(this), Lockable());
}

HRESULT CTexture::LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect,
                           DWORD /*flags*/) {
  if (level >= m_levels.size() || !Lockable()) return D3DERR_INVALIDCALL;
  return LockImage(*m_levels[level], lockedRect, rect);
}

HRESULT CTexture::UnlockRect(UINT level) {
  if (level >= m_levels.size() || !Lockable()) return D3DERR_INVALIDCALL;
  return UnlockImage(*m_levels[level]);
}

}  // namespace tavorin::d3d9

#include "movie/MovieTexture.h"

#include <d3d9.h>

#include <algorithm>
#include <utility>

namespace tavorin::movie {
namespace {

// The smallest power of two at or above `size` (1 for sizes below 2), or
// size itself when no int holds that power: the device refuses it then.
int NextPowerOfTwo(int size) {
  long long power = 1;
  while (power < size) power *= 2;
  return power > 0x7FFFFFFF ? size : static_cast<int>(power);
}

void ReleaseSlot(IDirect3DTexture9** slot) {
  if (IDirect3DTexture9* texture = std::exchange(*slot, nullptr)) texture->Release();
}

// Hands out the texture in `slot` with a reference for the caller.
HRESULT HandOut(IDirect3DTexture9* slot, IDirect3DTexture9** texture) {
  *texture = slot;
  if (slot == nullptr) return E_INVALIDARG;
  slot->AddRef();
  return S_OK;
}

}  // namespace

CMovieTexture::~CMovieTexture() {
  ReleaseTextures();
  if (m_device != nullptr) m_device->Release();
}

HRESULT CMovieTexture::Init(IDirect3DDevice9* device) {
  if (device == nullptr) return E_INVALIDARG;
  m_device = device;
  m_device->AddRef();
  return S_OK;
}

HRESULT CMovieTexture::Allocate(int width, int height) {
  if (width < 1 || height < 1) return E_INVALIDARG;
  // The size check shares the lock with the replacement: two renderers that
  // connect at once on one texture must not both rebuild it.
  std::lock_guard<std::recursive_mutex> lock(m_textureLock);
  if (m_width >= width && m_height >= height) return S_OK;
  ReleaseTextures();
  FitToDevice(&width, &height);
  for (IDirect3DTexture9** slot : {&m_write, &m_ready, &m_display}) {
    HRESULT hr = m_device->CreateTexture(UINT(width), UINT(height), 1, 0, D3DFMT_X8R8G8B8,
                                         D3DPOOL_MANAGED, slot, nullptr);
    if (FAILED(hr)) {
      ReleaseTextures();
      return hr;
    }
  }
  m_width = width;
  m_height = height;
  m_newFrame = false;
  return S_OK;
}

HRESULT CMovieTexture::GetTexture(IDirect3DTexture9** texture, BOOL* updated) {
  if (texture == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> lock(m_textureLock);
  BOOL taken = m_newFrame ? TRUE : FALSE;
  if (m_newFrame) {
    std::swap(m_ready, m_display);
    m_newFrame = false;
  }
  if (updated != nullptr) *updated = taken;
  return HandOut(m_display, texture);
}

HRESULT CMovieTexture::GetWriteTexture(IDirect3DTexture9** texture) {
  if (texture == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> lock(m_textureLock);
  return HandOut(m_write, texture);
}

void CMovieTexture::Commit() {
  std::lock_guard<std::recursive_mutex> lock(m_textureLock);
  std::swap(m_write, m_ready);
  m_newFrame = true;
}

// Caller holds the texture lock (or is the destructor).
void CMovieTexture::ReleaseTextures() {
  ReleaseSlot(&m_write);
  ReleaseSlot(&m_ready);
  ReleaseSlot(&m_display);
  m_width = 0;
  m_height = 0;
}

void CMovieTexture::FitToDevice(int* width, int* height) {
  D3DCAPS9 caps{};
  if (FAILED(m_device->GetDeviceCaps(&caps))) return;
  if (caps.TextureCaps & D3DPTEXTURECAPS_POW2) {
    *width = NextPowerOfTwo(*width);
    *height = NextPowerOfTwo(*height);
  }
  if (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) *width = *height = std::max(*width, *height);
}

}  // namespace tavorin::movie

HRESULT CreateMovieTexture(IMovieTexture** out, IDirect3DDevice9* device) {
  return tavorin::CreateComObject<tavorin::movie::CMovieTexture>(out, device);
}

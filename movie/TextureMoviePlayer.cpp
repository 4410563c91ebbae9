#include "movie/TextureMoviePlayer.h"

#include <new>

namespace tavorin::movie {

CTRMoviePlayer::~CTRMoviePlayer() {
  Stop();
  if (m_renderer != nullptr) m_renderer->Release();
  m_renderer = nullptr;
}

HRESULT CTRMoviePlayer::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IMoviePlayerTexture) {
    *object = static_cast<IMoviePlayerTexture*>(this);
    AddRef();
    return S_OK;
  }
  return CMoviePlayerBase::QueryInterface(iid, object);
}

HRESULT CTRMoviePlayer::GetVideoSize(int size[2]) {
  if (m_renderer == nullptr) return E_UNEXPECTED;
  return m_renderer->GetVideoSize(size);
}

HRESULT CTRMoviePlayer::CreateRenderer(IBaseFilter** out, const RendererContext& context) {
  *out = nullptr;
  HRESULT hr = CreateTextureRenderer(&m_renderer, context.device, context.texture);
  if (FAILED(hr)) return hr;
  IBaseFilter* filter = nullptr;
  hr = m_renderer->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter));
  if (FAILED(hr)) return hr;
  hr = m_graphBuilder->AddFilter(filter, L"TextureRenderFilter");
  if (FAILED(hr)) {
    filter->Release();
    return hr;
  }
  *out = filter;
  return S_OK;
}

HRESULT CTRMoviePlayer::GetTexture(IDirect3DTexture9** texture, BOOL* updated) {
  if (texture == nullptr) return E_POINTER;
  *texture = nullptr;
  if (m_renderer == nullptr) return E_UNEXPECTED;
  return m_renderer->GetTexture(texture, updated);
}

IMovieTexture* CTRMoviePlayer::GetMovieTexture() {
  return m_renderer ? m_renderer->GetMovieTexture() : nullptr;
}

}  // namespace tavorin::movie

HRESULT CreateTextureMoviePlayer(IMoviePlayer** out, IDirect3DDevice9* device,
                                 IMovieTexture* texture, IReadAccesser* stream) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (stream == nullptr) return E_POINTER;
  auto* player = new (std::nothrow) tavorin::movie::CTRMoviePlayer;
  if (player == nullptr) return E_OUTOFMEMORY;
  HRESULT hr = player->Initialize(nullptr, stream, {device, texture});
  if (FAILED(hr)) {
    player->Release();
    return hr;
  }
  *out = player;
  return S_OK;
}

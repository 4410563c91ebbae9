// The movie player whose video goes into a movie texture.
#pragma once

#include <ITRFilter.h>

#include "movie/MoviePlayerBase.h"

namespace tavorin::movie {

class CTRMoviePlayer : public CMoviePlayerBase, public IMoviePlayerTexture {
 public:
  CTRMoviePlayer() = default;
  ~CTRMoviePlayer() override;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return CMoviePlayerBase::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return CMoviePlayerBase::Release(); }

  HRESULT GetVideoSize(int size[2]) override;
  HRESULT CreateRenderer(IBaseFilter** out, const RendererContext& context) override;

  HRESULT GetTexture(IDirect3DTexture9** texture, BOOL* updated) override;
  IMovieTexture* GetMovieTexture() override;

 private:
  ITRFilter* m_renderer = nullptr;
};

}  // namespace tavorin::movie

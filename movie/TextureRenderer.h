// The video renderer filter that feeds a movie texture.
#pragma once

#include <ITRFilter.h>
#include <streams.h>

#include <mutex>

namespace tavorin::movie {

class CTRFilter : public CBaseVideoRenderer, public ITRFilter {
 public:
  CTRFilter(HRESULT* result);
  ~CTRFilter() override;

  // Keeps `texture`, or makes one on `device` when it is null.
  HRESULT Init(IDirect3DDevice9* device, IMovieTexture* texture);

  DECLARE_IUNKNOWN

  HRESULT GetVideoSize(int size[2]) override;
  HRESULT GetTexture(IDirect3DTexture9** texture, BOOL* updated) override;
  IMovieTexture* GetMovieTexture() override;

  HRESULT CheckMediaType(const CMediaType* type) override;
  HRESULT SetMediaType(const CMediaType* type) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;
  void OnReceiveFirstSample(IMediaSample* sample) override;

 private:
  HRESULT CopyFrame(IDirect3DTexture9* texture, const BYTE* source);

  IMovieTexture* m_movieTexture = nullptr;
  // Serialises whole frame copies, from lock to commit.
  std::mutex m_frameLock;
  // Written on connection, read by the streaming thread after it.
  std::atomic<int> m_width{0};
  std::atomic<int> m_height{0};
  std::atomic<int> m_sourceRowPixels{0};
};

}  // namespace tavorin::movie

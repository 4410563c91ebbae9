// The default audio renderer (CLSID_DSoundRender): plays PCM through the
// platform's DirectSound and offers the graph a clock on its play position.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <mutex>

#include <dsound.h>
#include <streams.h>

#include "platform/dshow/AudioClock.h"

namespace tavorin::dshow {

class CAudioRenderer : public CBaseRenderer, public IBasicAudio {
 public:
  static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);
  ~CAudioRenderer() override;

  DECLARE_IUNKNOWN
  // Also answers IBasicAudio and IReferenceClock (the clock is an object of
  // its own, so that holding it does not keep the renderer alive).
  STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // 8- or 16-bit PCM, mono or stereo, with a WAVEFORMATEX.
  HRESULT CheckMediaType(const CMediaType* type) override;
  HRESULT SetMediaType(const CMediaType* type) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;
  // Samples go into the buffer a little before their time, so that it never
  // runs dry between two of them.
  HRESULT ShouldDrawSampleNow(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME stop,
                              REFERENCE_TIME now) override;
  HRESULT OnStartStreaming() override;
  HRESULT OnStopStreaming() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT EndOfStream() override;

  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;

  // IBasicAudio: volume -10000..0, balance -10000..10000 (E_INVALIDARG
  // outside); kept across connections and applied while playing.
  STDMETHODIMP put_Volume(LONG volume) override;
  STDMETHODIMP get_Volume(LONG* volume) override;
  STDMETHODIMP put_Balance(LONG balance) override;
  STDMETHODIMP get_Balance(LONG* balance) override;

 private:
  CAudioRenderer(LPUNKNOWN outer, HRESULT* result);

  HRESULT CreateBuffer();
  void StartPlaying();
  // Writes `bytes` at the write position, waiting for room; false when the
  // wait was given up (stop, flush).
  bool WriteToBuffer(const BYTE* data, DWORD bytes);
  void WriteAt(uint64_t position, const BYTE* data, DWORD bytes);
  void ClearAhead(uint64_t played);

  std::shared_ptr<AudioTimeline> m_timeline = std::make_shared<AudioTimeline>();
  ComPtr<IReferenceClock> m_clock;
  ComPtr<IDirectSound8> m_sound;
  // Guards the buffer and the write position.
  std::mutex m_bufferLock;
  ComPtr<IDirectSoundBuffer> m_buffer;
  DWORD m_bufferBytes = 0;
  uint64_t m_written = 0;
  // Bytes played when a running buffer was paused with data still ahead of
  // its cursor; the next run plays on from there. Unset by anything that
  // makes that data stale (stop, flush, the end of the stream).
  std::optional<uint64_t> m_pausedAt;
  WAVEFORMATEX m_format{};
  std::atomic<bool> m_giveUp{false};
  std::atomic<LONG> m_volume{0};
  std::atomic<LONG> m_balance{0};
};

}  // namespace tavorin::dshow

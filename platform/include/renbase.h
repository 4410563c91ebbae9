// Base classes: renderers, which present samples at their stream times.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>

#include "amfilter.h"

class CBaseRenderer;

// The one input pin of a renderer; everything goes to the renderer.
class CRendererInputPin : public CBaseInputPin {
 public:
  CRendererInputPin(CBaseRenderer* renderer, HRESULT* result, LPCWSTR name);

  STDMETHODIMP Receive(IMediaSample* sample) override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;

  HRESULT CheckMediaType(const CMediaType* type) override;
  HRESULT SetMediaType(const CMediaType* type) override;
  HRESULT BreakConnect() override;
  HRESULT CompleteConnect(IPin* receive) override;
  HRESULT Active() override;
  HRESULT Inactive() override;

 private:
  CBaseRenderer* m_pRenderer;
};

// A renderer filter with one input pin. While paused it holds the first
// sample it receives (after showing it through OnReceiveFirstSample) and
// reports the pause complete; while running it presents every sample when
// the reference clock reaches the run start plus the sample's start time
// (at once without a clock). At the end of the stream, once the last sample's
// stop time has come, it reports EC_COMPLETE to the graph.
class CBaseRenderer : public CBaseFilter {
 public:
  CBaseRenderer(REFCLSID clsid, LPCTSTR name, LPUNKNOWN outer, HRESULT* result);
  ~CBaseRenderer() override;

  // The renderer's own checks of a proposed input type.
  virtual HRESULT CheckMediaType(const CMediaType* type) = 0;
  // Presents one sample (on the streaming thread).
  virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;
  virtual HRESULT SetMediaType(const CMediaType* type);
  virtual HRESULT BreakConnect();
  virtual HRESULT CompleteConnect(IPin* receive);
  // Called with the first sample received while paused, before the pause
  // completes; a video renderer shows it.
  virtual void OnReceiveFirstSample(IMediaSample* /*sample*/) {}
  virtual HRESULT OnStartStreaming() { return S_OK; }
  virtual HRESULT OnStopStreaming() { return S_OK; }
  // When to present a sample due at stream time [start, stop) with the
  // clock at stream time `now`: S_OK draw now, S_FALSE wait for its time,
  // E_FAIL drop it. The base draws samples once their start time has come.
  virtual HRESULT ShouldDrawSampleNow(IMediaSample* sample, REFERENCE_TIME start,
                                      REFERENCE_TIME stop, REFERENCE_TIME now);

  // Streaming entry points, called by the input pin.
  virtual HRESULT Receive(IMediaSample* sample);
  virtual HRESULT EndOfStream();
  virtual HRESULT BeginFlush();
  virtual HRESULT EndFlush();

  int GetPinCount() override;
  CBasePin* GetPin(int n) override;

  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;
  // VFW_S_STATE_INTERMEDIATE while paused without a sample or end of stream.
  STDMETHODIMP GetState(DWORD milliseconds, FILTER_STATE* state) override;

  // Samples dropped as late since the last start of streaming.
  LONG FramesDropped() const { return m_framesDropped; }

 protected:
  friend class CRendererInputPin;

  // Waits, with m_schedule held, until the sample's time has come or the
  // renderer must give it up (stopped, flushing). S_OK draw, E_FAIL drop,
  // S_FALSE give up.
  HRESULT WaitForRenderTime(std::unique_lock<std::mutex>& hold, IMediaSample* sample);
  // Waits until the stream time reaches `due` while running; false when the
  // wait was cut short by a state change or flush.
  bool WaitForStreamTime(std::unique_lock<std::mutex>& hold, REFERENCE_TIME due);
  bool ClockStreamTime(REFERENCE_TIME* now) const;
  void SendEndOfStream();
  bool ShouldGiveUp() const;

  CCritSec m_InterfaceLock;
  CCritSec m_RendererLock;
  std::unique_ptr<CRendererInputPin> m_pInputPin;

  // Guards the streaming state below; waits are on m_changed.
  std::mutex m_schedule;
  std::condition_variable m_changed;
  bool m_bFlushing = false;
  bool m_bHaveFirstSample = false;
  bool m_bEOS = false;
  bool m_bStreaming = false;
  // The clock and start of the current run, for the streaming thread.
  IReferenceClock* m_runClock = nullptr;
  REFERENCE_TIME m_runStart = 0;
  REFERENCE_TIME m_lastStop = 0;
  std::atomic<LONG> m_framesDropped{0};
};

// A renderer for video: late samples (whose stop time has already passed
// when their turn comes) are dropped instead of drawn.
class CBaseVideoRenderer : public CBaseRenderer {
 public:
  CBaseVideoRenderer(REFCLSID clsid, LPCTSTR name, LPUNKNOWN outer, HRESULT* result);

  HRESULT ShouldDrawSampleNow(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME stop,
                              REFERENCE_TIME now) override;
};

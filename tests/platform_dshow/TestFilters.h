// Small filters the DirectShow tests build graphs from: a source that
// serves bytes through IAsyncReader and renderers that record what they get.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include <streams.h>

#include "comobject.h"

namespace tavorin::test {

// A source filter with one output pin offering MEDIATYPE_Stream through
// IAsyncReader over bytes in memory.
class CMemorySource : public CBaseFilter {
 public:
  // One reference, for the caller.
  static CMemorySource* Create(std::vector<uint8_t> bytes);

  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override;

 private:
  class Pin;
  explicit CMemorySource(std::vector<uint8_t> bytes);
  ~CMemorySource() override;

  CCritSec m_lock;
  std::unique_ptr<Pin> m_pin;
};

// What a recording renderer saw of one sample.
struct RenderedSample {
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  // Stream time on the filter's clock when it was drawn; -1 without a clock.
  REFERENCE_TIME drawnAt = -1;
  std::vector<uint8_t> data;
  bool firstWhilePaused = false;
};

// A video renderer that accepts what `accept` allows (by default RGB32 with
// a VIDEOINFOHEADER) and records every sample it draws.
class CRecordingRenderer : public CBaseVideoRenderer {
 public:
  using Accept = std::function<bool(const CMediaType&)>;
  // One reference, for the caller.
  static CRecordingRenderer* Create(Accept accept = nullptr, bool keepData = false);

  HRESULT CheckMediaType(const CMediaType* type) override;
  // While samples are held, they wait on their way in, before the renderer
  // has seen them.
  HRESULT Receive(IMediaSample* sample) override;
  void HoldSamples(bool hold);
  // Every draw takes this long, like a renderer too slow for the movie.
  void SetDrawTime(int milliseconds) { m_drawTime = milliseconds; }
  HRESULT DoRenderSample(IMediaSample* sample) override;
  void OnReceiveFirstSample(IMediaSample* sample) override;

  std::vector<RenderedSample> Samples();
  size_t SampleCount();

 private:
  CRecordingRenderer(Accept accept, bool keepData, HRESULT* result);
  void Record(IMediaSample* sample, bool firstWhilePaused);

  Accept m_accept;
  bool m_keepData;
  std::mutex m_recordLock;
  std::vector<RenderedSample> m_samples;
  std::condition_variable m_released;
  bool m_held = false;
  std::atomic<int> m_drawTime{0};
};

bool IsRgb32Video(const CMediaType& type);

// The pin `filter` exposes in `direction` (the first one).
ComPtr<IPin> FindPinOf(IBaseFilter* filter, PIN_DIRECTION direction);

}  // namespace tavorin::test
